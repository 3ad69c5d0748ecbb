#include "rtf/rtf_text_rules.h"

namespace rtf {

QString CleanText(const QString& raw) {
    QString s;
    s.reserve(raw.size());
    for (QChar c : raw) {
        char16_t u = c.unicode();
        if (CleanChar(u)) s += QChar(u);
    }
    return s;
}

int CountWords(QStringView text) {
    int words = 0;
    bool inWord = false, counted = false;
    for (const QChar c : text) {
        if (c.isSpace() || c == QChar::ObjectReplacementCharacter) {
            inWord = false;
            continue;
        }
        if (!inWord) {
            inWord = true;
            counted = false;
        }
        if (!counted && c.isLetterOrNumber()) {
            counted = true;
            ++words;
        }
    }
    return words;
}

} // namespace rtf
