// TFileWindow: a window of an archive file's bytes in memory, read with
// pread(2) from the archive's open descriptor.
//
// The reader and the writer reach members at known offsets, one after
// another or here and there: a member's local header, its data, then the
// next member. Through the buffered file stream every such jump costs a
// seek and a read of its own; here a jump inside the window costs nothing,
// and one outside it costs one pread that also brings in what is likely to
// be wanted next (the caller says how far that goes). pread leaves the
// descriptor's own position alone, so the buffered stream over the same
// file is not disturbed.
//
// The window is also a TStream, so the decoders can take their input from
// it: Read delivers from the window at the stream position and reads on
// where it runs out.
//
// A stream that is not a plain file (a memory stream in a test) is read
// through its own Seek and Read instead.
#pragma once

#include <cstdint>
#include <memory>

#include "zip/stream.h"

class TFileWindow : public TStream {
public:
    static constexpr std::int64_t kSize = 256 * 1024;

    // Reads `archive`, which must outlive the window.
    explicit TFileWindow(TStream& archive);

    // count bytes (at most kSize) at offset, in the window; the read that
    // brings them in, if one is needed, reads on up to `ahead` (an offset,
    // not beyond offset + kSize). EStreamError "Stream read error" when the
    // file ends first.
    const std::uint8_t* Bytes(std::int64_t offset, std::int64_t count, std::int64_t ahead = 0);
    // Whether count bytes at offset are in the window now.
    bool Holds(std::int64_t offset, std::int64_t count) const {
        return offset >= start_ && offset + count <= start_ + length_;
    }
    // Up to count bytes at offset (at least one), their number in `got`.
    const std::uint8_t* Span(std::int64_t offset, std::int64_t count, std::int64_t& got);

    // Where reads through the stream interface may read on to when they
    // need a new window (the end of the member being decoded).
    void ReadAheadTo(std::int64_t offset) { aheadTo_ = offset; }

    // The file's descriptor, or -1 when the archive is not a plain file.
    int Handle() const { return fd_; }

    // --- TStream: reading at the stream position ---
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, int origin) override;

private:
    // Reads [offset, offset + want) into the window, at least `need` bytes;
    // false when fewer than `need` are there.
    bool Fill(std::int64_t offset, std::int64_t need, std::int64_t want);

    TStream& archive_;
    int fd_ = -1;
    std::unique_ptr<std::uint8_t[]> buffer_; // not cleared: every byte used was read
    std::int64_t start_ = 0, length_ = 0;
    std::int64_t position_ = 0;
    std::int64_t aheadTo_ = 0;
};

// The descriptor of a plain file behind a stream (a TFileStream, or the
// file of a TLFNFileStream), or -1.
int FileHandleOf(TStream& stream);
