#include "tool_streams.h"

#include "zip/exceptions.h"

#include "commands.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tool {

StdoutStream::StdoutStream() {
    struct stat st {};
    if (::fstat(1, &st) == 0 && S_ISREG(st.st_mode)) {
        // Appending (">>"), the bytes go after whatever the file holds,
        // wherever its offset stands until the first write.
        const int flags = ::fcntl(1, F_GETFL);
        const off_t at = flags >= 0 && (flags & O_APPEND) ? st.st_size : ::lseek(1, 0, SEEK_CUR);
        file_ = flags >= 0 && at >= 0;
        start_ = file_ ? at : 0;
    }
}

bool StdoutStream::SetSize(std::int64_t size) {
    if (size == written_) return true;
    if (size < written_ && file_ && ::ftruncate(1, start_ + size) == 0 &&
        ::lseek(1, start_ + size, SEEK_SET) >= 0) {
        written_ = size;
        return true;
    }
    spoiled_ = true;
    return false;
}

std::int64_t ViewStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t n =
        std::clamp<std::int64_t>(size_ - pos_, 0, std::max<std::int64_t>(count, 0));
    if (n > 0) std::memcpy(buffer, data_ + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

std::int64_t ViewStream::Seek(std::int64_t offset, int origin) {
    const std::int64_t target = origin == soBeginning ? offset
                                : origin == soCurrent ? pos_ + offset
                                                      : size_ + offset;
    pos_ = std::max<std::int64_t>(0, target);
    return pos_;
}

// A file is mapped whole (its pages read in with the mapping); a pipe, a
// terminal or a file that cannot be mapped is read.
StdinBytes::StdinBytes() {
    struct stat st {};
    if (::fstat(0, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        const off_t at = ::lseek(0, 0, SEEK_CUR);
        if (at >= 0 && at < st.st_size) {
            void* map = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                               MAP_PRIVATE | MAP_POPULATE, 0, 0);
            if (map != MAP_FAILED) {
                ::lseek(0, 0, SEEK_END); // taken, as a read would have
                map_ = map;
                size_ = st.st_size - at;
                data_ = static_cast<const std::uint8_t*>(map) + at;
                return;
            }
        }
    }
    read_ = ReadAllStdin();
    data_ = reinterpret_cast<const std::uint8_t*>(read_.data());
    size_ = static_cast<std::int64_t>(read_.size());
}

StdinBytes::~StdinBytes() {
    if (map_ != nullptr)
        ::munmap(map_, static_cast<std::size_t>(size_ +
                                                (data_ - static_cast<const std::uint8_t*>(map_))));
}

std::int64_t StdoutStream::Write(const void* buffer, std::int64_t count) {
    const char* p = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        ssize_t n = ::write(1, p + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    written_ += done;
    return done;
}

std::int64_t StdoutStream::Seek(std::int64_t offset, int origin) {
    // Only position queries make sense on a pipe; a spoiled stream stays
    // where it is (nothing more is written to it).
    if (!(offset == 0 && origin != soBeginning) && !(origin == soBeginning && offset == written_) &&
        !spoiled_)
        throw EStreamError("Seek error");
    return written_;
}

std::int64_t SinkStream::Write(const void*, std::int64_t count) {
    pos_ += count;
    size_ = std::max(size_, pos_);
    return count;
}

std::int64_t SinkStream::Seek(std::int64_t offset, int origin) {
    std::int64_t target = origin == soBeginning ? offset
                          : origin == soCurrent ? pos_ + offset
                                                : size_ + offset;
    pos_ = std::max<std::int64_t>(0, target);
    return pos_;
}

bool SinkStream::SetSize(std::int64_t size) {
    size_ = std::max<std::int64_t>(0, size);
    pos_ = std::min(pos_, size_);
    return true;
}

} // namespace tool
