// Text that comes from a diary (an entry's words, a member's name, a path)
// is shown as plain text, never read as markup: a tooltip, a message box or
// a label that took "<img src=...>" from an entry for rich text would load a
// local file, and any markup would change what the user sees.
//
// Qt decides for tooltips by itself (Qt::mightBeRichText), with no way to
// say "plain"; so a tooltip's text is escaped and handed over as rich text
// that keeps every character and line break as it was.
#pragma once

#include <QString>

// The tooltip for `text`, shown exactly as it stands.
QString PlainToolTip(const QString& text);
