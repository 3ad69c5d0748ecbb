#include "zip/file_window.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "zip/buffer_stream.h"
#include "zip/exceptions.h"
#include "zip/file_stream.h"

int FileHandleOf(TStream& stream) {
    if (auto* buffered = dynamic_cast<TLFNFileStream*>(&stream)) return buffered->File().Handle();
    if (auto* file = dynamic_cast<TFileStream*>(&stream)) return file->Handle();
    return -1;
}

TFileWindow::TFileWindow(TStream& archive) : archive_(archive), fd_(FileHandleOf(archive)) {}

bool TFileWindow::Fill(std::int64_t offset, std::int64_t need, std::int64_t want) {
    want = std::clamp(want, need, kSize);
    // Made at the first read: a writer that only copies through Handle()
    // needs none.
    if (!buffer_) buffer_.reset(new std::uint8_t[kSize]);
    length_ = 0;
    start_ = offset;
    while (length_ < want) {
        std::int64_t n;
        if (fd_ >= 0) {
            n = ::pread(fd_, buffer_.get() + length_, static_cast<std::size_t>(want - length_),
                        offset + length_);
            if (n < 0 && errno == EINTR) continue;
        } else {
            archive_.Seek(offset + length_, soBeginning);
            n = archive_.Read(buffer_.get() + length_, want - length_);
        }
        if (n <= 0) break;
        length_ += n;
    }
    return length_ >= need;
}

const std::uint8_t* TFileWindow::Bytes(std::int64_t offset, std::int64_t count,
                                       std::int64_t ahead) {
    if (!Holds(offset, count)) {
        if (count > kSize || !Fill(offset, count, ahead - offset))
            throw EStreamError("Stream read error");
    }
    return buffer_.get() + (offset - start_);
}

const std::uint8_t* TFileWindow::Span(std::int64_t offset, std::int64_t count, std::int64_t& got) {
    if (offset < start_ || offset >= start_ + length_) {
        if (!Fill(offset, 1, offset + std::min(count, kSize)))
            throw EStreamError("Stream read error");
    }
    got = std::min(count, start_ + length_ - offset);
    return buffer_.get() + (offset - start_);
}

std::int64_t TFileWindow::Read(void* buffer, std::int64_t count) {
    auto* to = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        if (position_ < start_ || position_ >= start_ + length_) {
            if (!Fill(position_, 1, std::max(position_ + count - done, aheadTo_))) break;
        }
        const std::int64_t n = std::min(count - done, start_ + length_ - position_);
        std::memcpy(to + done, buffer_.get() + (position_ - start_), static_cast<std::size_t>(n));
        done += n;
        position_ += n;
    }
    return done;
}

std::int64_t TFileWindow::Seek(std::int64_t offset, int origin) {
    switch (origin) {
    case soBeginning:
        position_ = offset;
        break;
    case soCurrent:
        position_ += offset;
        break;
    default:
        position_ = archive_.Size() + offset;
        break;
    }
    if (position_ < 0) {
        position_ = 0;
        throw EStreamError("Seek error");
    }
    return position_;
}
