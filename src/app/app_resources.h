// The pictures and pages compiled into the program (resources/dayscrib.qrc):
// the splash picture, the program icon and the help pages.
#pragma once

#include <QIcon>

// Registers the compiled-in resources; the windows that use them call it
// first (a static library's resources are not registered by themselves).
void InitResources();

// The program's icon at every size shipped.
QIcon ProgramIcon();
