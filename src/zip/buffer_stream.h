// An 8 KiB read/write buffer in front of another stream, so that the many
// small header reads and writes of the engine cost no system call each.
//
// The buffer is in one of three states. Idle: it holds nothing (after
// creation and after every seek that moves). Reading: it holds bytes read
// ahead, from the cursor to the end mark; the underlying stream stands after
// them. Writing: it holds bytes not yet written, from its start to the
// cursor; the underlying stream stands before them. The logical position is
// therefore the underlying position minus the unread bytes, or plus the
// unwritten ones. Switching between reading and writing always starts from
// an empty buffer at the logical position, so the two never mix.
//
// The underlying position is remembered rather than asked for, so a position
// query never reaches the system; while a buffered stream lives, the stream
// under it must only be moved through it.
//
// A flush that writes short (disk full) keeps the unwritten bytes in the
// buffer: Write then reports only the bytes of its own call that are safe,
// Flush() returns false, and a later Flush() tries again. Nothing that was
// reported as written is silently dropped.
#pragma once

#include "zip/file_stream.h"
#include "zip/stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TS_BufferStream : public TStream {
public:
    static constexpr int BufferSize = 8192;

    // The underlying stream is not owned and must outlive this object.
    explicit TS_BufferStream(TStream& stream);
    // Flushes pending bytes; commits the file to disk when FlushOnDestroy is
    // set, something was written and the underlying stream is a file.
    ~TS_BufferStream() override;
    TS_BufferStream(const TS_BufferStream&) = delete;
    TS_BufferStream& operator=(const TS_BufferStream&) = delete;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Returns the bytes accepted; short when a flush could not write.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // Origin 2 ignores the sign of the offset: 5 and -5 both mean five bytes
    // before the logical end, which counts bytes still in the buffer.
    // EStreamError "Invalid seek origin (%d)" for another origin, "Seek
    // error" when the flush before moving wrote short.
    std::int64_t Seek(std::int64_t offset, int origin) override;
    // The logical size: unflushed bytes beyond the underlying end count.
    std::int64_t Size() override;
    // Flushes, then cuts or extends the underlying stream.
    bool SetSize(std::int64_t size) override;

    // Steps back over the byte just read and stores `b` there, so the next
    // Read delivers it. EStreamError "Putback overflow" at the buffer start.
    void PutBack(std::uint8_t b);
    // Writes pending bytes to the underlying stream. False when not all of
    // them reached it (they stay buffered); true when nothing is pending.
    bool Flush();

    bool Written() const { return written_; }
    bool FlushOnDestroy() const { return flushOnDestroy_; }
    void SetFlushOnDestroy(bool on) { flushOnDestroy_ = on; }
    TStream& Stream() { return stream_; }

    // Called after each fill of the buffer and after each flush.
    std::function<void(TS_BufferStream& sender)> OnFill;
    std::function<void(TS_BufferStream& sender)> OnFlush;

private:
    enum class TState { Idle, Reading, Writing };

    std::int64_t LogicalPosition() const;
    bool FlushBuffer();
    void Fill();
    void Drop();

    TStream& stream_;
    std::vector<std::uint8_t> buffer_;
    std::size_t cursor_ = 0;
    std::size_t end_ = 0;
    TState state_ = TState::Idle;
    std::int64_t basePos_ = 0; // where the underlying stream stands
    bool flushOnDestroy_ = false;
    bool written_ = false;
};

namespace detail {
// Holds the file of a TLFNFileStream so that it is created before, and
// destroyed after, the buffer in front of it.
struct TOwnedFile {
    explicit TOwnedFile(const std::string& name, TFileMode mode)
        : file(std::make_unique<TFileStream>(name, mode)) {}
    std::unique_ptr<TFileStream> file;
};
} // namespace detail

// A buffered stream over a file it opens and owns. With flushOnClose and a
// writable mode, the file's data is committed to disk when it is destroyed.
class TLFNFileStream : private detail::TOwnedFile, public TS_BufferStream {
public:
    TLFNFileStream(const std::string& name, bool flushOnClose, TFileMode mode);
    TFileStream& File() { return *file; }
};
