#include "zip/stream.h"

#include "zip/exceptions.h"

#include <algorithm>
#include <cstring>

std::int64_t TStream::Size() {
    std::int64_t pos = Seek(0, soCurrent);
    std::int64_t end = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return end;
}

bool TStream::SetSize(std::int64_t) {
    return false;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EStreamError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EStreamError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    std::vector<std::uint8_t> buf(static_cast<std::size_t>(std::min<std::int64_t>(count, 61440)));
    std::int64_t done = 0;
    while (done < count) {
        std::int64_t n =
            std::min<std::int64_t>(count - done, static_cast<std::int64_t>(buf.size()));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        done += n;
    }
    return done;
}

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0 || pos_ >= Size()) return 0;
    std::int64_t n = std::min(count, Size() - pos_);
    std::memcpy(buffer, data_.data() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    const std::int64_t end = pos_ + count;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (pos_ == Size()) {
        // Appending, as extraction does: the bytes go in once, not over zeros.
        data_.insert(data_.end(), bytes, bytes + count);
    } else {
        if (end > Size()) data_.resize(static_cast<std::size_t>(end));
        std::memcpy(data_.data() + pos_, bytes, static_cast<std::size_t>(count));
    }
    pos_ = end;
    return count;
}

void TMemoryStream::Reserve(std::int64_t size) {
    // A member's header may claim any size: room is made for what an entry
    // can be, and a larger one grows as it comes.
    constexpr std::int64_t kMostAtOnce = 16ll << 20;
    data_.reserve(static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, kMostAtOnce)));
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, int origin) {
    std::int64_t target = origin == soBeginning ? offset
                          : origin == soCurrent ? pos_ + offset
                                                : Size() + offset;
    pos_ = std::max<std::int64_t>(0, target);
    return pos_;
}

bool TMemoryStream::SetSize(std::int64_t size) {
    data_.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, size)));
    pos_ = std::min(pos_, Size());
    return true;
}

void TMemoryStream::Clear() {
    data_.clear();
    pos_ = 0;
}
