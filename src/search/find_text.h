// What "this entry contains the text" means for find in files, without
// widgets: the entry's text as the editor would hold it after loading the
// RTF, and the editor's own find rule (whole words, case ignored).
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
// No QTextDocument is built: parsing the RTF gives the same characters at a
// fraction of the cost, which counts when a search reads every entry of
// twenty years.
#pragma once

#include <QString>

#include <string_view>

// The text of an entry's RTF (or of plain text given instead) as the editor
// holds it once loaded.
QString EntryText(std::string_view rtf);

// The position of the first whole-word, case-ignoring match of `text` in
// `in` at or after `from`, or -1. An empty `text` is never found.
qsizetype FindWholeWord(const QString& in, const QString& text, qsizetype from = 0);
