// The document an entry is printed and exported as: a bold heading that
// names the entry by its date, then the entry as the editor shows it (fonts,
// bullets, indents, pictures).
#pragma once

#include <QString>

#include <memory>

class QTextCursor;
class QTextDocument;

// Writes a heading at the cursor: level 1 (16 pt) for a document's title,
// level 2 (13 pt) for an entry's date. `first` writes it into the cursor's
// (empty) block instead of a new one after it.
void AddEntryHeading(QTextCursor& c, const QString& text, int level, bool first);

// A copy of `entry` with the heading `title` (level 2) above its text.
std::unique_ptr<QTextDocument> EntryWithHeading(const QString& title, const QTextDocument& entry);
