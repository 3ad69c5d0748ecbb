#include "app/single_instance.h"

#include <QFile>

TInstanceLock::TInstanceLock(const QString& configFolder) : lock_(configFolder + "/Dayscrib.lock") {
    // Only a lock whose program is gone is stale, never one that is merely
    // old: a diary stays open for days.
    lock_.setStaleLockTime(0);
}

bool TInstanceLock::TryAcquire() {
    if (!lock_.tryLock(0)) return false;
    // It names the program's process and machine: its owner's alone.
    QFile::setPermissions(lock_.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}
