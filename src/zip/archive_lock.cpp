#include "zip/archive_lock.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/exception.h"
#include "zip/archive_files.h"
#include "zip/exceptions.h"

namespace {

using Clock = std::chrono::steady_clock;

// The archive's file name without its folder.
std::string BaseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// An exclusive lock on one byte of the file, without waiting; true when taken.
bool TryByte(int fd, off_t byte) {
    struct flock l {};
    l.l_type = F_WRLCK;
    l.l_whence = SEEK_SET;
    l.l_start = byte;
    l.l_len = 1;
    int rc;
    do
        rc = ::fcntl(fd, F_OFD_SETLK, &l);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

void ReleaseByte(int fd, off_t byte) {
    struct flock l {};
    l.l_type = F_UNLCK;
    l.l_whence = SEEK_SET;
    l.l_start = byte;
    l.l_len = 1;
    ::fcntl(fd, F_OFD_SETLK, &l);
}

// Waits for one byte's lock until `until`, looking again after growing pauses
// (a save takes milliseconds; the pause stays short against that). Returns
// 0 when taken, EAGAIN when the wait ran out, or the error of a file system
// that keeps no such locks.
int TakeByte(int fd, off_t byte, Clock::time_point until) {
    auto pause = std::chrono::microseconds(500);
    for (;;) {
        if (TryByte(fd, byte)) return 0;
        if (errno != EAGAIN && errno != EACCES) return errno;
        const Clock::time_point now = Clock::now();
        if (now >= until) return EAGAIN;
        std::this_thread::sleep_for(std::min<Clock::duration>(pause, until - now));
        pause = std::min(pause * 2, std::chrono::microseconds(8000));
    }
}

constexpr off_t kArchiveByte = 0;
constexpr off_t kTurnByte = 1;

bool IsTempNameOf(const std::string& name, const std::string& base) {
    // base + "." + six characters + ".tmp"
    if (name.size() != base.size() + 1 + 6 + 4) return false;
    if (name.compare(0, base.size(), base) != 0 || name[base.size()] != '.') return false;
    if (name.compare(name.size() - 4, 4, ".tmp") != 0) return false;
    return std::all_of(
        name.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1, name.end() - 4, [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        });
}

// Whether the file behind fd is what a save leaves: nothing yet, or the
// start of an archive.
bool LooksLikeOurs(int fd) {
    char head[2];
    const ssize_t n = ::pread(fd, head, sizeof head, 0);
    return n == 0 || (n == 2 && head[0] == 'P' && head[1] == 'K');
}

} // namespace

std::string TArchiveLock::LockFileName(const std::string& archive) {
    return archive + ".lock";
}

std::string LinkedLockMessage(const std::string& lockFile) {
    return "The lock file \"" + lockFile +
           "\" is a symbolic link or not a plain file. It is not followed, because a link "
           "planted there could make a save overwrite another file. Remove it and try again.";
}

TArchiveLock::TArchiveLock(const std::string& archive, std::chrono::milliseconds wait) {
    const std::string name = LockFileName(archive);
    // Never through a link: one planted in the lock file's place would have
    // the save create, or open for writing, whatever file it points to.
    do
        fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0 && errno == ELOOP) throw ELockFileRefused(LinkedLockMessage(name));
    if (fd_ < 0) throw MakeCreateError(name, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw ELockFileRefused(LinkedLockMessage(name));
    }
    // A lock file made before locks were private: its owner's alone now.
    if (st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0600) ::fchmod(fd_, 0600);
    const Clock::time_point until = Clock::now() + wait;
    int err = TakeByte(fd_, kTurnByte, until);
    if (err == 0) {
        err = TakeByte(fd_, kArchiveByte, until);
        ReleaseByte(fd_, kTurnByte);
    }
    // A file system that keeps no locks (some network and user-space ones)
    // cannot keep saves apart; the save goes on as it would without them.
    if (err == 0 || err != EAGAIN) return;
    ::close(fd_);
    fd_ = -1;
    throw EArchiveInUse("The archive \"" + archive +
                        "\" is in use by another program; try again in a moment.");
}

TArchiveLock::~TArchiveLock() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
}

TTempArchiveFile::TTempArchiveFile(const std::string& folder, const std::string& archive) {
    std::string prefix = folder.empty() ? std::string(".") : folder;
    if (prefix.back() != '/') prefix += '/';
    prefix += BaseName(archive) + ".";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string tmpl = prefix + "XXXXXX.tmp";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        int fd = ::mkostemps(buf.data(), 4, O_CLOEXEC);
        if (fd < 0) throw MakeCreateError(tmpl, errno);
        // A save cleaning up may have caught the file between its making
        // and its locking, and removed it: then make another.
        // Where the file system keeps no locks the file goes unlocked, and no
        // save can take it for stale either.
        struct stat st {};
        const bool locked = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if ((locked || errno != EWOULDBLOCK) && ::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            name_ = buf.data();
            fd_ = fd;
            return;
        }
        ::close(fd);
    }
    throw MakeCreateError(prefix + "XXXXXX.tmp", EEXIST);
}

TTempArchiveFile::~TTempArchiveFile() {
    if (fd_ >= 0) ::close(fd_);
}

int RemoveStaleTempFiles(const std::string& folder, const std::string& archive) {
    const std::string base = BaseName(archive);
    const std::string dirName = folder.empty() ? std::string(".") : folder;
    std::vector<std::string> candidates;
    if (DIR* dir = ::opendir(dirName.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (IsTempNameOf(e->d_name, base)) candidates.emplace_back(e->d_name);
        ::closedir(dir);
    }
    int removed = 0;
    for (const std::string& name : candidates) {
        const std::string path = dirName + "/" + name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        struct stat st {};
        // Locked: a living save's. Removed while this one held its lock, so
        // no save can have it between the test and the removal.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            LooksLikeOurs(fd) && ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    return removed;
}
