// A quick way to an entry's text for the search, for the RTF entries are
// normally made of.
//
// The RTF reader (editor/rtf) builds a whole document: runs with their
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
//    empty paragraph after the last mark is the document's end.
// Whatever it does not know for certain to leave the text alone (a control
// word outside its list, "\*", list markers, tables, \bin, pictures and every
// other destination, input that is not RTF) makes it give up, and the caller
// asks the full reader instead. Its answers are checked against the full
// reader over the test documents and over generated ones.
#pragma once

#include <QString>

#include <optional>
#include <string_view>

// The entry's text as the full reader (and so the editor) has it, or nothing
// when the entry uses something this scanner leaves to the full reader.
std::optional<QString> ScanEntryText(std::string_view rtf);
