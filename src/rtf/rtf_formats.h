// The mapping between the RTF model's attributes and Qt's text formats,
// shared by the reader and the writer so that a round trip is exact.
#pragma once

#include "rtf/rtf_document.h"

#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextListFormat>

class QTextBlock;
class QTextDocument;

namespace rtf {

// List format property holding the list's first number.
constexpr int kListStartProperty = QTextFormat::UserProperty + 1;
// A list paragraph keeps its first-line indent (twips) in this block format
// property and lays out every line at the left indent: Qt draws the marker
// before the text, so the marker sits in the hanging indent as in the control.
constexpr int kListFirstIndentProperty = QTextFormat::UserProperty + 2;

QTextCharFormat ToCharFormat(const CharAttrs& a);
QTextBlockFormat ToBlockFormat(const ParaAttrs& a);
QTextListFormat ToListFormat(const ParaAttrs& a);

// Attributes of a fragment's format; what the format leaves unset comes from
// the document's default font.
CharAttrs CharAttrsOf(const QTextCharFormat& f, const QTextDocument& doc);
ParaAttrs ParaAttrsOf(const QTextBlock& block);

// Twips <-> the points a QTextDocument measures margins in.
inline qreal TwipsToPoints(int twips) {
    return twips / 20.0;
}
int PointsToTwips(qreal points);

} // namespace rtf
