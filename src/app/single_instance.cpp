#include "app/single_instance.h"

TInstanceLock::TInstanceLock(const QString& configFolder) : lock_(configFolder + "/Dayscrib.lock") {
    // Only a lock whose program is gone is stale, never one that is merely
    // old: a diary stays open for days.
    lock_.setStaleLockTime(0);
}

bool TInstanceLock::TryAcquire() {
    return lock_.tryLock(0);
}
