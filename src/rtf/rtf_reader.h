// RTF -> QTextDocument: the stream-in half of the rich-edit control.
#pragma once

#include "rtf/rtf_document.h"

#include <QByteArray>

class QTextDocument;

// Replaces the content of `doc` with the RTF document in `rtf` (or with the
// plain text, when `rtf` does not start with "{\rtf"). Never throws on bad
// input: as much text as can be read is loaded.
void ReadRtf(const QByteArray& rtf, QTextDocument& doc);

namespace rtf {
// Replaces the content of `doc` with a parsed document.
void BuildDocument(const Document& source, QTextDocument& doc);
} // namespace rtf
