#include "zip/file_stream.h"

#include "zip/exceptions.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

TFileStream::TFileStream(const std::string& fileName, TFileMode mode)
    : fileName_(fileName), mode_(mode) {
    int flags = O_CLOEXEC;
    switch (mode) {
    case fmOpenRead:
        flags |= O_RDONLY;
        break;
    case fmCreate:
        flags |= O_RDWR | O_CREAT | O_TRUNC;
        break;
    case fmOpenReadWrite:
        flags |= O_RDWR;
        break;
    }
    do
        fd_ = ::open(fileName.c_str(), flags, 0666);
    while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) {
        int err = errno;
        if (mode == fmCreate) throw MakeCreateError(fileName, err);
        throw MakeOpenError(fileName, err);
    }
    // A folder opens read-only on Linux but cannot be read as a file.
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw MakeOpenError(fileName, EISDIR);
    }
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_); // close is not retried on EINTR: the descriptor is gone either way
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, std::numeric_limits<ssize_t>::max()));
        ssize_t n = ::read(fd_, out + done, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        std::size_t want = static_cast<std::size_t>(
            std::min<std::int64_t>(count - done, std::numeric_limits<ssize_t>::max()));
        ssize_t n = ::write(fd_, in + done, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // disk full or failed: the caller sees the short count
        done += n;
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, int origin) {
    int whence;
    switch (origin) {
    case soBeginning:
        whence = SEEK_SET;
        break;
    case soCurrent:
        whence = SEEK_CUR;
        break;
    case soEnd:
        whence = SEEK_END;
        break;
    default:
        throw EStreamError("Invalid seek origin (" + std::to_string(origin) + ")");
    }
    off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (pos < 0) throw EStreamError("Seek error");
    return pos;
}

std::int64_t TFileStream::Size() {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return 0;
    return st.st_size;
}

bool TFileStream::SetSize(std::int64_t size) {
    if (size < 0) return false;
    int rc;
    do
        rc = ::ftruncate(fd_, static_cast<off_t>(size));
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}

bool TFileStream::Commit() {
    int rc;
    do
        rc = ::fsync(fd_);
    while (rc != 0 && errno == EINTR);
    return rc == 0;
}
