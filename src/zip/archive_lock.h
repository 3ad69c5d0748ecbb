// Keeping saves of one archive apart, and telling a save's temporary file
// from one a dead save left behind.
//
// One save at a time. Two saves into the same archive at the same moment
// (two windows of the program, or the program and a backup script running
// the command-line tool) would both read the old archive and both rename a
// new one over it, and one of them would be lost without a word. So a save
// holds an exclusive advisory lock on "<archive>.lock" beside the archive
// from before it reads the old directory until the new archive is in place.
// Readers take no lock: the rename shows them the old archive or the new
// one, whole, at every moment. The lock file stays; removing it would let a
// waiting save lock a file that no longer has a name.
//
// The lock is fair: a save that finishes and at once starts the next one
// must not take the lock again and again while another save waits for it.
// The lock file carries two advisory byte-range locks of the open-file kind
// (released when the descriptor closes or the process dies, and separate for
// every open, also inside one process): byte 0 is the archive, byte 1 is the
// turn. A save takes the turn, then the archive, then gives the turn back;
// a waiting save holds the turn, so the save that just finished queues
// behind it. A save that cannot have the lock within its wait raises
// EArchiveInUse naming the archive, before it has touched anything.
//
// Temporary files. A save writes its new archive to "<archive>.<random>.tmp"
// (beside the archive, or in the writer's TempPath) and holds an exclusive
// flock on it while it lives. A save killed with SIGKILL, or cut off by a
// power failure, leaves its file behind, but not its lock: before each save,
// files of that pattern whose lock can be taken are removed. A file that
// does not look like the start of an archive (empty, or beginning with "PK")
// is somebody else's and stays.
#pragma once

#include <chrono>
#include <string>

#include "zip/exceptions.h"

// The lock file's name is a symbolic link (or anything but a plain file):
// it is refused, never followed.
class ELockFileRefused : public EFCreateError {
public:
    using EFCreateError::EFCreateError;
};
// "The lock file "<name>" is a symbolic link or not a plain file. ..."
std::string LinkedLockMessage(const std::string& lockFile);

class TArchiveLock {
public:
    // Takes the lock of `archive`, waiting up to `wait`. Raises EArchiveInUse
    // when another save holds it that long, EFCreateError when the lock file
    // cannot be made, ELockFileRefused when its name is a symbolic link or
    // something other than a plain file. A new lock file is its owner's
    // alone (0600).
    TArchiveLock(const std::string& archive, std::chrono::milliseconds wait);
    ~TArchiveLock();
    TArchiveLock(const TArchiveLock&) = delete;
    TArchiveLock& operator=(const TArchiveLock&) = delete;

    // "<archive>.lock"
    static std::string LockFileName(const std::string& archive);

private:
    int fd_ = -1;
};

// A new, empty temporary file for a save of `archive` in `folder`, named
// "<archive's file name>.<6 random characters>.tmp" and locked for as long
// as the object lives. The object never removes the file.
class TTempArchiveFile {
public:
    // Raises EFCreateError when no file can be made in the folder.
    TTempArchiveFile(const std::string& folder, const std::string& archive);
    ~TTempArchiveFile();
    TTempArchiveFile(const TTempArchiveFile&) = delete;
    TTempArchiveFile& operator=(const TTempArchiveFile&) = delete;
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    int fd_ = -1;
};

// Removes the temporary files of saves of `archive` in `folder` that no
// living save holds; returns how many went.
int RemoveStaleTempFiles(const std::string& folder, const std::string& archive);
