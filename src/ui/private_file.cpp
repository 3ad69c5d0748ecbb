#include "ui/private_file.h"

QString PrivateFileNotice(const QString& file, bool entries) {
    return QString("%1 holds the text of %2 without a password, so it was made readable by "
                   "you alone. Anyone you give it to, or who can read it as you, can read "
                   "the text.")
        .arg(file, entries ? "protected entries" : "a protected entry");
}
