// What "this entry contains the text" means for find in files, without
// widgets: the entry's text as the editor would hold it after loading the
// RTF (rtf/rtf_entry_text.h), and the editor's own find rule (whole words,
// case ignored; the whole-word rule is rtf_text_rules.h's).
//
// Both must agree with the entry editor (editor/editor.h), because a result
// the user opens there has to show the text that was found, and an entry the
// editor would find the word in must not be passed over. So:
//  - the text is what the editor's document holds, character for character:
//    the paragraphs' runs one after another, paragraphs separated by
//    U+2029, line breaks U+2028, tabs kept. List markers ("•", "1.") are
//    drawn by the editor, not part of its text, so they are not here either
//    (the command-line tool's plain text, rtf_text.h, writes them out).
//  - a match is QString::indexOf ignoring case, accepted only when the
//    characters just before and after it are no letter, digit or
//    underscore; the next candidate starts one character further on.
// No QTextDocument is built: the RTF reader's document gives the same
// characters at a fraction of the cost, and for the RTF entries are normally
// made of a scanner that follows the reader's text rules alone
// (rtf/rtf_entry_text.h) gives them faster still. That counts when a search
// reads every entry of twenty years.
#pragma once

#include "rtf/rtf_entry_text.h"

#include <QString>

#include <string>
#include <string_view>

// The search for one text, made once and used on every entry.
//
// Ignoring case is the comparison the editor's find makes (QString's):
// characters are equal when their case foldings are, one UTF-16 unit at a
// time. For a text without surrogates that is a lookup per character in a
// table of foldings, which this finder does itself, going from one unit
// that folds like the text's first character to the next; a text with
// surrogates (a pair folds as one character) is left to QString.
class TWordFinder {
public:
    explicit TWordFinder(QString text);
    // The position of the first whole-word match in `in` at or after `from`,
    // or -1. An empty text is never found.
    qsizetype Find(const QString& in, qsizetype from = 0) const;
    // The first case-ignoring match, whole word or not, as QString::indexOf.
    qsizetype IndexOf(const QString& in, qsizetype from) const;

private:
    qsizetype Scan(const QString& in, qsizetype from, bool wholeWord) const;

    QString text_;
    std::u16string folded_;     // the text's units case-folded
    std::u16string firstUnits_; // every unit whose folding is the first one's
    bool surrogates_ = false;
};

// The position of the first whole-word, case-ignoring match of `text` in
// `in` at or after `from`, or -1. An empty `text` is never found.
qsizetype FindWholeWord(const QString& in, const QString& text, qsizetype from = 0);
