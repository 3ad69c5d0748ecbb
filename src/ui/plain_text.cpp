#include "ui/plain_text.h"

QString PlainToolTip(const QString& text) {
    if (text.isEmpty()) return text; // no tooltip at all
    return "<p style=\"white-space:pre-wrap\">" + text.toHtmlEscaped() + "</p>";
}
