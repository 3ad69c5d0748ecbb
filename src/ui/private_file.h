// What the user is told when a file that holds a protected entry's text
// without its password (Save As, Export, Print to PDF) was written: that it
// is readable by its owner alone, and why.
#pragma once

#include <QString>

// `entries`: the file holds more than one entry (an export).
QString PrivateFileNotice(const QString& file, bool entries = false);
