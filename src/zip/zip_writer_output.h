// Internal to the writer: the output path and small text helpers.
//
// Everything written to the new archive passes through TOutput, a 1 MiB
// buffer over the output file that turns any short write into
// ENotEnoughRoom "Not enough room to write archive", so that a full disk
// reports the same way whether it shows up in a header or in member data.
// Runs of old members copied as they are bypass the buffer (after a Flush)
// and go from file to file in the kernel (TArchiveFileOps::CopyRange).
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "zip/buffer_stream.h"
#include "zip/exceptions.h"
#include "zip/zip_writer.h"

class TZipWriter::TOutput : public TStream {
public:
    explicit TOutput(TStream& file) : file_(file), buffer_(new std::uint8_t[kSize]) {}
    ~TOutput() override {
        // Only reached with bytes pending when a save fails; the file is
        // deleted then, so a second failure here does not matter.
        if (count_ > 0) file_.Write(buffer_.get(), static_cast<std::int64_t>(count_));
    }

    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (count <= 0) return 0;
        if (count_ + static_cast<std::size_t>(count) > kSize) Flush();
        if (static_cast<std::size_t>(count) >= kSize) {
            if (file_.Write(buffer, count) != count) NoRoom();
        } else {
            std::memcpy(buffer_.get() + count_, buffer, static_cast<std::size_t>(count));
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
        if (file_.Write(buffer_.get(), n) != n) NoRoom();
    }
    // The file grew by n bytes written to it directly, after a Flush.
    void Appended(std::int64_t n) { position_ += n; }
    [[noreturn]] static void NoRoom() { throw ENotEnoughRoom("Not enough room to write archive"); }

private:
    static constexpr std::size_t kSize = 1 << 20;
    TStream& file_;
    std::unique_ptr<std::uint8_t[]> buffer_; // not cleared: only written bytes are used
    std::size_t count_ = 0;                  // bytes waiting in the buffer
    std::int64_t position_ = 0;              // logical position (file position + count_)
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
