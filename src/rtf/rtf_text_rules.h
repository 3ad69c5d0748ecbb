// What counts as text, decided once for the RTF reader, the text scanner
// (rtf_entry_text.h), the editor's find and find in files.
#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <string_view>

namespace rtf {

// Line ends and control characters that arrive as \'hh, \uN or in plain
// text: a line end inside a paragraph is a line break (U+2028); other
// controls and the characters a QTextDocument reserves for its own structure
// are dropped. False when `c` is dropped; otherwise `c` is what stays.
inline bool CleanChar(char16_t& c) {
    if (c == u'\r' || c == u'\n' || c == 0x0B || c == 0x2029) {
        c = 0x2028;
        return true;
    }
    return !((c < 0x20 && c != u'\t') || c == 0x7F || (c >= 0xFDD0 && c <= 0xFDEF) || c == 0xFFFC);
}

// `raw` cleaned character by character.
QString CleanText(const QString& raw);

// What a control symbol (a backslash and one character that is no letter)
// stands for in document text: a character; kSymbolParagraphEnd for "\"
// before a line end; 0 for none (index entry marks \| \: and the like).
constexpr char16_t kSymbolParagraphEnd = 0x2029;
constexpr char16_t SymbolText(char c) {
    switch (c) {
    case '\\':
    case '{':
    case '}':
        return static_cast<char16_t>(c);
    case '~':
        return 0x00A0; // non-breaking space
    case '-':
        return 0x00AD; // optional hyphen
    case '_':
        return 0x2011; // non-breaking hyphen
    case '\t':
        return u'\t';
    case '\n':
        return kSymbolParagraphEnd;
    default:
        return 0;
    }
}

// How many bytes at the start of a run of text are the fallback of a \uN
// still to skip, `skip` characters of it: each byte is one, and `skip` goes
// down by as many.
inline std::size_t SkipFallbackBytes(std::string_view bytes, int& skip) {
    const std::size_t n = std::min(bytes.size(), static_cast<std::size_t>(std::max(skip, 0)));
    skip -= static_cast<int>(n);
    return n;
}

// The characters a whole word may not touch: letters, digits and "_".
inline bool IsWordChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_';
}
// Whether the `length` characters of `text` at `at` stand as a whole word:
// no word character just before or just after them.
inline bool IsWholeWord(const QString& text, qsizetype at, qsizetype length) {
    const qsizetype after = at + length;
    return (at == 0 || !IsWordChar(text[at - 1])) &&
           (after >= text.size() || !IsWordChar(text[after]));
}

// The number of words in `text`, as the status bar and the statistics count
// them: runs of characters between white space (a picture counts as white
// space) that hold at least one letter or digit, so "don't", "e-mail" and
// "2026" are one word each and a dash standing alone is none.
int CountWords(QStringView text);

} // namespace rtf
