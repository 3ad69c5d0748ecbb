// Code pages behind the 8-bit text of an RTF document: a font's character set
// (\fcharsetN) names one, the document's \ansicpgN names the default. The
// single-byte Windows pages have tables of our own; double-byte pages are
// decoded by Qt when it was built with a converter for them, and otherwise
// read as "?" per character.
#pragma once

#include <QByteArray>
#include <QString>

namespace rtf {

// The code page of a font character set, or 0 when the character set says
// nothing (DEFAULT_CHARSET and unknown values): the document's page applies.
int CodePageOfCharset(int charset);

// True when every byte of the page is one character.
bool IsSingleByteCodePage(int codePage);

// Text of `bytes` in `codePage`. Unknown pages are read as windows-1252.
QString DecodeCodePage(const QByteArray& bytes, int codePage);

} // namespace rtf
