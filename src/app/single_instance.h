// One program on one settings folder: a second Dayscrib started on the same
// settings would write the same archives and the same settings file behind
// the first one's back. The lock is a file in the configuration folder,
// taken in the program's entry (windows built in-process by tests do not
// take it). A lock left behind by a program that crashed or was killed is
// taken over.
#pragma once

#include <QLockFile>
#include <QString>

class TInstanceLock {
public:
    // The lock file "Dayscrib.lock" in `configFolder`.
    explicit TInstanceLock(const QString& configFolder);
    // True when this program now holds the lock; false when another running
    // program holds it.
    bool TryAcquire();

private:
    QLockFile lock_;
};
