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

} // namespace rtf
