// Internal to the writer: the output path and small text helpers.
//
// Everything written to the new archive passes through TOutput, a 1 MiB
// buffer over the output file that turns any short write into
// ENotEnoughRoom "Not enough room to write archive", so that a full disk
// reports the same way whether it shows up in a header or in member data.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "zip/buffer_stream.h"
#include "zip/exceptions.h"
#include "zip/zip_writer.h"

class TZipWriter::TOutput : public TStream {
public:
    explicit TOutput(TStream& file) : file_(file), buffer_(kSize) {}
    ~TOutput() override {
        // Only reached with bytes pending when a save fails; the file is
        // deleted then, so a second failure here does not matter.
        if (count_ > 0) file_.Write(buffer_.data(), static_cast<std::int64_t>(count_));
    }

    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (count <= 0) return 0;
        if (count_ + static_cast<std::size_t>(count) > kSize) Flush();
        if (static_cast<std::size_t>(count) >= kSize) {
            if (file_.Write(buffer, count) != count) NoRoom();
        } else {
            std::memcpy(buffer_.data() + count_, buffer, static_cast<std::size_t>(count));
            count_ += static_cast<std::size_t>(count);
        }
        position_ += count;
        return count;
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        if (offset == 0 && origin == soCurrent) return position_;
        Flush();
        position_ = file_.Seek(offset, origin);
        return position_;
    }
    std::int64_t Size() override {
        Flush();
        return file_.Size();
    }
    void Flush() {
        if (count_ == 0) return;
        const std::int64_t n = static_cast<std::int64_t>(count_);
        count_ = 0;
        if (file_.Write(buffer_.data(), n) != n) NoRoom();
    }
    [[noreturn]] static void NoRoom() { throw ENotEnoughRoom("Not enough room to write archive"); }

private:
    static constexpr std::size_t kSize = 1 << 20;
    TStream& file_;
    std::vector<std::uint8_t> buffer_;
    std::size_t count_ = 0;     // bytes waiting in the buffer
    std::int64_t position_ = 0; // logical position (file position + count_)
};

// The old archive's bytes, read with pread(2) through a 1 MiB window on the
// reader's file handle: copying members needs large sequential reads, and
// pread leaves the reader's own buffered stream where it was.
class TZipWriter::TRawSource {
public:
    explicit TRawSource(TStream& archive) : archive_(archive), buffer_(kSize) {
        if (auto* file = dynamic_cast<TLFNFileStream*>(&archive)) fd_ = file->File().Handle();
    }
    // Exactly count bytes at offset; EStreamError "Stream read error" when
    // the archive ends first.
    void Read(std::int64_t offset, void* out, std::int64_t count) {
        auto* to = static_cast<std::uint8_t*>(out);
        while (count > 0) {
            std::int64_t n = 0;
            const std::uint8_t* p = Span(offset, count, n);
            std::memcpy(to, p, static_cast<std::size_t>(n));
            to += n;
            offset += n;
            count -= n;
        }
    }
    // Up to count bytes at offset (at least one), their number in `got`.
    const std::uint8_t* Span(std::int64_t offset, std::int64_t count, std::int64_t& got) {
        if (offset < start_ || offset >= start_ + length_) Fill(offset);
        got = std::min(count, start_ + length_ - offset);
        return buffer_.data() + (offset - start_);
    }

private:
    static constexpr std::size_t kSize = 1 << 20;

    void Fill(std::int64_t offset) {
        std::int64_t n;
        if (fd_ >= 0) {
            do {
                n = ::pread(fd_, buffer_.data(), kSize, offset);
            } while (n < 0 && errno == EINTR);
        } else {
            archive_.Seek(offset, soBeginning);
            n = archive_.Read(buffer_.data(), static_cast<std::int64_t>(kSize));
        }
        if (n <= 0) throw EStreamError("Stream read error");
        start_ = offset;
        length_ = n;
    }

    TStream& archive_;
    int fd_ = -1;
    std::vector<std::uint8_t> buffer_;
    std::int64_t start_ = 0, length_ = 0;
};

namespace zipwriter {

inline std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Leading and trailing blanks and control characters removed.
inline std::string Trimmed(const std::string& s) {
    auto keep = [](char c) { return static_cast<unsigned char>(c) > ' '; };
    auto first = std::find_if(s.begin(), s.end(), keep);
    auto last = std::find_if(s.rbegin(), s.rend(), keep).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace zipwriter
