// Plain text of an RTF entry, for tools that have no GUI (the command-line
// tool's "extract --text"): needs Qt Core only, no QGuiApplication.
#pragma once

#include "rtf/rtf_document.h"

#include <QString>

#include <string>

namespace rtf {

// The marker a list paragraph shows: "•" for bullets, "3." / "c." / "iii."
// for the numbered styles (with the paragraph's own text before and after the
// number), given the paragraph's number in its list.
QString ListMarker(const ParaAttrs& para, int number);

// Paragraph texts of a parsed document, each followed by "\n"; list
// paragraphs start with their marker and a space; line breaks are "\n". An
// empty document gives the empty string.
QString DocumentToPlainText(const Document& doc);

} // namespace rtf

// UTF-8 text of an RTF document (or of plain text given instead of RTF),
// one line per paragraph.
std::string RtfToPlainText(const std::string& rtfBytes);
