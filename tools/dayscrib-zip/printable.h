// Text the tool prints that comes from an archive (member names) or from
// its arguments reaches a terminal or a script's reading loop. A name may
// hold any byte: an escape sequence would be obeyed by the terminal, and a
// line end would start a line of its own, which could read "OK ..." to a
// script checking "test" output. So every character that is not plain text
// is written as an escape:
//
//   \xHH      the control characters 0x00-0x1F and 0x7F, and a byte that is
//             not part of valid UTF-8;
//   \uHHHH    the C1 controls U+0080-U+009F, the line and paragraph
//             separators U+2028 and U+2029, and the marks that reorder text
//             (U+200E, U+200F, U+202A-U+202E, U+2066-U+2069).
//
// Everything else, "\" (the folder separator) included, is written as it is.
#pragma once

#include <string>

namespace tool {

std::string Printable(const std::string& utf8);

} // namespace tool
