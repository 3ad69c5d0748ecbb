#include "app/app_resources.h"

#include <QDir>

// Q_INIT_RESOURCE must stand outside any namespace.
static void RegisterDayscribResources() {
    Q_INIT_RESOURCE(dayscrib);
}

void InitResources() {
    static const bool done = [] {
        RegisterDayscribResources();
        return true;
    }();
    (void)done;
}

QIcon ProgramIcon() {
    InitResources();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/%1x%1/dayscrib.png").arg(size), QSize(size, size));
    return icon;
}
