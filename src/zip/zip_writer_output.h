// Internal to the writer: the output path and small text helpers.
//
// Everything written to the new archive passes through TOutput, an 8 KiB
// buffer over the output file that turns any short write into
// ENotEnoughRoom "Not enough room to write archive", so that a full disk
// reports the same way whether it shows up in a header or in member data.
#pragma once

#include <algorithm>
#include <string>

#include "zip/buffer_stream.h"
#include "zip/exceptions.h"
#include "zip/zip_writer.h"

class TZipWriter::TOutput : public TStream {
public:
    explicit TOutput(TStream& file) : buffer_(file) {}

    std::int64_t Read(void* buffer, std::int64_t count) override {
        return buffer_.Read(buffer, count);
    }
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (buffer_.Write(buffer, count) != count) NoRoom();
        return count;
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        if (!(offset == 0 && origin == soCurrent))
            Flush(); // a move flushes; a failed flush must not surface as a seek error
        return buffer_.Seek(offset, origin);
    }
    std::int64_t Size() override { return buffer_.Size(); }
    void Flush() {
        if (!buffer_.Flush()) NoRoom();
    }
    [[noreturn]] static void NoRoom() { throw ENotEnoughRoom("Not enough room to write archive"); }

private:
    TS_BufferStream buffer_;
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
