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

#include <QStringView>

#include <functional>

// Calls `word(start, length)` for every word of `text`, in order.
void ForEachSpellWord(QStringView text, const std::function<void(qsizetype, qsizetype)>& word);

// The word that holds or touches position `at` of `text` ({-1, 0} for none).
struct TWordSpan {
    qsizetype Start = -1;
    qsizetype Length = 0;
};
TWordSpan SpellWordAt(QStringView text, qsizetype at);
