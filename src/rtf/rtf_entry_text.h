// An entry's text as the editor holds it once loaded, and a quick way to it
// for the RTF entries are normally made of.
//
// The text is what the editor's document holds, character for character:
// the paragraphs' runs one after another, paragraphs separated by U+2029,
// line breaks U+2028, tabs kept; list markers are drawn by the editor, not
// part of its text.
//
// The RTF reader (rtf_parser.h) builds a whole document: runs with their
// fonts, sizes, colours and paragraph attributes. A search needs only the
// characters, and over twenty years of entries building the rest costs more
// than inflating the archive. This scanner walks the reader's own tokens
// (rtf::Tokenizer) through the same rules the reader applies to text, and
// nothing else:
//  - groups keep the \uc count, the current font and the destination;
//  - plain bytes and \'hh collect until another token comes and are then
//    decoded together, in the code page of the current font's character set
//    or of \ansicpg, by the reader's own decoder (so double-byte characters
//    made of two \'hh come out whole);
//  - \uN gives its character and skips the next \uc characters of fallback
//    (a byte, a \'hh, a control word or symbol each counting as one);
//  - control characters, line ends and reserved characters are cleaned as
//    the reader cleans them;
//  - paragraphs end at \par, \sect, \page and "\" before a line end; an
//    empty paragraph after the last mark is the document's end;
//  - a picture (\pict) is one U+FFFC, and its group is stepped over
//    without its hex digits being looked at.
// A word the reader does not know does nothing here either. Whatever the
// scanner does not follow ("\*", list markers, tables, \bin outside a
// picture, objects and every other destination, input that is not RTF)
// makes it give up, and the full reader is asked instead. Its answers are
// checked against the full reader over the test documents, over generated
// ones and by fuzzing (fuzz_rtf_reader).
#pragma once

#include <QString>

#include <optional>
#include <string_view>

// The entry's text as the full reader (and so the editor) has it, or nothing
// when the entry uses something this scanner leaves to the full reader.
std::optional<QString> ScanEntryText(std::string_view rtf);

// The same through the RTF reader's whole document, whatever the entry holds.
QString ReaderEntryText(std::string_view rtf);

// The scanner's text where it has one, else the reader's.
QString EntryText(std::string_view rtf);
