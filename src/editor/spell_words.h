// Which pieces of a paragraph's text are words to check for spelling. No
// widgets.
//
// A word is a run of letters (combining marks included) with apostrophes
// (' or U+2019) between letters, so "don't" and "diary's" are one word and
// the quotes around 'this' are not part of it; hyphens and every other
// character end a word. A stretch of text without spaces that holds a digit,
// "@", "/", "\", "_" or a full stop between letters (a number, an address,
// a path, a file or web name) is no word at all, and neither is a single
// letter.
#pragma once

#include <QChar>
#include <QStringView>

namespace spellwords {

inline bool IsLetter(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80) return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
    return c.isLetter() || c.isMark();
}

inline bool IsApostrophe(QChar c) {
    return c == u'\'' || c == QChar(0x2019);
}

inline bool IsSpace(QChar c) {
    return c.isSpace() || c == QChar::ObjectReplacementCharacter;
}

// A stretch that is a number, an address, a path or a file name.
bool IsNoWords(QStringView chunk);

} // namespace spellwords

// Calls `word(start, length)` for every word of `text`, in order.
template <class F> void ForEachSpellWord(QStringView text, F&& word) {
    using namespace spellwords;
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
                   (IsLetter(chunk[j]) ||
                    (IsApostrophe(chunk[j]) && j + 1 < chunk.size() && IsLetter(chunk[j + 1]))))
                ++j;
            if (j - start > 1) word(chunkStart + start, j - start);
        }
    }
}

// The word that holds or touches position `at` of `text` ({-1, 0} for none).
struct TWordSpan {
    qsizetype Start = -1;
    qsizetype Length = 0;
};
TWordSpan SpellWordAt(QStringView text, qsizetype at);
