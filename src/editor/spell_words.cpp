#include "editor/spell_words.h"

namespace {

bool IsApostrophe(QChar c) {
    return c == u'\'' || c == QChar(0x2019);
}

bool IsLetter(QChar c) {
    return c.isLetter() || c.isMark();
}

bool IsSpace(QChar c) {
    return c.isSpace() || c == QChar::ObjectReplacementCharacter;
}

// A stretch that is a number, an address, a path or a file name.
bool IsNoWords(QStringView chunk) {
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        const QChar c = chunk[i];
        if (c.isDigit() || c == u'@' || c == u'/' || c == u'\\' || c == u'_') return true;
        if (c == u'.' && i > 0 && i + 1 < chunk.size() && IsLetter(chunk[i - 1]) &&
            IsLetter(chunk[i + 1]))
            return true;
    }
    return false;
}

} // namespace

void ForEachSpellWord(QStringView text, const std::function<void(qsizetype, qsizetype)>& word) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && IsSpace(text[i]))
            ++i;
        const qsizetype chunkStart = i;
        while (i < n && !IsSpace(text[i]))
            ++i;
        const QStringView chunk = text.mid(chunkStart, i - chunkStart);
        if (chunk.isEmpty() || IsNoWords(chunk)) continue;
        for (qsizetype j = 0; j < chunk.size();) {
            if (!IsLetter(chunk[j])) {
                ++j;
                continue;
            }
            const qsizetype start = j;
            while (j < chunk.size() &&
                   (IsLetter(chunk[j]) || (IsApostrophe(chunk[j]) && j + 1 < chunk.size() &&
                                           IsLetter(chunk[j + 1]) && j > start)))
                ++j;
            if (j - start > 1) word(chunkStart + start, j - start);
        }
    }
}

TWordSpan SpellWordAt(QStringView text, qsizetype at) {
    TWordSpan found;
    ForEachSpellWord(text, [&](qsizetype start, qsizetype length) {
        if (found.Start < 0 && at >= start && at <= start + length) found = {start, length};
    });
    return found;
}
