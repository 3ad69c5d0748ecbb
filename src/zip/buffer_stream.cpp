#include "zip/buffer_stream.h"

#include "zip/exceptions.h"

#include <algorithm>
#include <cstring>
#include <string>

TS_BufferStream::TS_BufferStream(TStream& stream)
    : stream_(stream), buffer_(BufferSize), basePos_(stream.Seek(0, soCurrent)) {}

TS_BufferStream::~TS_BufferStream() {
    if (state_ == TState::Writing)
        FlushBuffer(); // a destructor cannot report; callers who care call Flush() first
    if (flushOnDestroy_ && written_) {
        if (auto* file = dynamic_cast<TFileStream*>(&stream_)) file->Commit();
    }
}

std::int64_t TS_BufferStream::LogicalPosition() const {
    switch (state_) {
    case TState::Reading:
        return basePos_ - static_cast<std::int64_t>(end_ - cursor_);
    case TState::Writing:
        return basePos_ + static_cast<std::int64_t>(cursor_);
    case TState::Idle:
        break;
    }
    return basePos_;
}

void TS_BufferStream::Drop() {
    cursor_ = end_ = 0;
    state_ = TState::Idle;
}

bool TS_BufferStream::FlushBuffer() {
    std::int64_t have = static_cast<std::int64_t>(cursor_);
    std::int64_t wrote = have > 0 ? stream_.Write(buffer_.data(), have) : 0;
    wrote = std::clamp<std::int64_t>(wrote, 0, have);
    basePos_ += wrote;
    bool complete = wrote == have;
    if (complete) {
        Drop();
    } else {
        // Keep what did not reach the stream, so nothing reported as written is lost.
        std::memmove(buffer_.data(), buffer_.data() + wrote,
                     static_cast<std::size_t>(have - wrote));
        cursor_ = static_cast<std::size_t>(have - wrote);
        end_ = 0;
        state_ = TState::Writing;
    }
    if (OnFlush) OnFlush(*this);
    return complete;
}

bool TS_BufferStream::Flush() {
    return state_ != TState::Writing || FlushBuffer();
}

void TS_BufferStream::Fill() {
    std::int64_t got = stream_.Read(buffer_.data(), BufferSize);
    got = std::clamp<std::int64_t>(got, 0, BufferSize);
    basePos_ += got;
    cursor_ = 0;
    end_ = static_cast<std::size_t>(got);
    state_ = got > 0 ? TState::Reading : TState::Idle;
    if (OnFill) OnFill(*this);
}

std::int64_t TS_BufferStream::Read(void* buffer, std::int64_t count) {
    if (state_ == TState::Writing && !FlushBuffer())
        return 0; // the bytes before the read position are not on disk
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        if (state_ != TState::Reading || cursor_ == end_) {
            Fill();
            if (end_ == 0) break;
        }
        std::size_t n =
            static_cast<std::size_t>(std::min<std::int64_t>(count - done, end_ - cursor_));
        std::memcpy(out + done, buffer_.data() + cursor_, n);
        cursor_ += n;
        done += static_cast<std::int64_t>(n);
    }
    return done;
}

std::int64_t TS_BufferStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0) return 0;
    if (state_ == TState::Reading) {
        // Give back the read-ahead: writing starts at the logical position.
        basePos_ = stream_.Seek(LogicalPosition(), soBeginning);
        Drop();
    }
    if (state_ == TState::Idle) cursor_ = end_ = 0;
    state_ = TState::Writing;
    written_ = true;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        if (cursor_ == buffer_.size()) {
            if (!FlushBuffer()) {
                // The bytes left over are the newest; give back those of this call.
                std::size_t stuck = cursor_;
                std::size_t mine = std::min<std::size_t>(stuck, static_cast<std::size_t>(done));
                cursor_ -= mine;
                done -= static_cast<std::int64_t>(mine);
                break;
            }
            state_ = TState::Writing;
        }
        std::size_t n = static_cast<std::size_t>(std::min<std::int64_t>(
            count - done, static_cast<std::int64_t>(buffer_.size() - cursor_)));
        std::memcpy(buffer_.data() + cursor_, in + done, n);
        cursor_ += n;
        done += static_cast<std::int64_t>(n);
    }
    if (cursor_ == 0) state_ = TState::Idle;
    return done;
}

std::int64_t TS_BufferStream::Size() {
    std::int64_t under = stream_.Size();
    if (state_ == TState::Writing)
        return std::max(under, basePos_ + static_cast<std::int64_t>(cursor_));
    return under;
}

std::int64_t TS_BufferStream::Seek(std::int64_t offset, int origin) {
    std::int64_t target;
    switch (origin) {
    case soBeginning:
        target = offset;
        break;
    case soCurrent:
        target = LogicalPosition() + offset;
        break;
    case soEnd:
        target = Size() - (offset < 0 ? -offset : offset);
        break;
    default:
        throw EStreamError("Invalid seek origin (" + std::to_string(origin) + ")");
    }
    if (target == LogicalPosition()) return target;
    if (state_ == TState::Writing && !FlushBuffer()) throw EStreamError("Seek error");
    Drop();
    basePos_ = stream_.Seek(target, soBeginning);
    return basePos_;
}

bool TS_BufferStream::SetSize(std::int64_t size) {
    std::int64_t pos = LogicalPosition();
    if (state_ == TState::Writing && !FlushBuffer()) return false;
    if (state_ == TState::Reading) {
        // The read-ahead may not survive the cut.
        Drop();
        basePos_ = stream_.Seek(pos, soBeginning);
    }
    bool ok = stream_.SetSize(size);
    basePos_ = stream_.Seek(0, soCurrent);
    return ok;
}

void TS_BufferStream::PutBack(std::uint8_t b) {
    if (cursor_ == 0) throw EStreamError("Putback overflow");
    buffer_[--cursor_] = b;
}

TLFNFileStream::TLFNFileStream(const std::string& name, bool flushOnClose, TFileMode mode)
    : detail::TOwnedFile(name, mode), TS_BufferStream(*file) {
    SetFlushOnDestroy(flushOnClose && mode != fmOpenRead);
}
