// Icons of the tool bar: the desktop theme's icon where it has one, else our
// own, compiled into the program (resources/icons), so the tool bar looks
// complete on a bare system too.
#pragma once

#include <QIcon>

// `themeName` is the freedesktop icon name ("edit-cut"), `ours` the file
// name under resources/icons without ".svg".
QIcon ToolIcon(const QString& themeName, const QString& ours);
