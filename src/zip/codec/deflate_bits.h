// Bit output of the deflate encoder. Codes are packed least significant bit
// first into a 16-bit accumulator; a full accumulator goes out as two bytes,
// low byte first, into a 1,024-byte buffer that is handed to the io when it
// has no room for the next piece. When a value does not fit into what is left
// of the accumulator, its low bits complete the accumulator and its high bits
// start the next one.
//
// Writing out to a byte boundary (Windup) sends the valid bits padded with
// zeros and hands the buffer over, so that raw bytes (stored blocks) can
// follow directly through the io.
#pragma once

#include <cstdint>

#include "zip/codec/deflate.h"

class TBitOutput {
public:
    explicit TBitOutput(TDeflateIO& io) : io_(io) {}

    // Sends the low `length` bits of value (length 1..15).
    void SendBits(unsigned value, unsigned length) {
        if (valid_ > 16 - length) {
            buffer_ |= static_cast<std::uint16_t>(value << valid_);
            PutShort(buffer_);
            buffer_ = static_cast<std::uint16_t>(value >> (16 - valid_));
            valid_ += length - 16;
        } else {
            buffer_ |= static_cast<std::uint16_t>(value << valid_);
            valid_ += length;
        }
    }

    void PutShort(unsigned word) {
        if (count_ + 2 > kSize) Flush();
        out_[count_++] = static_cast<std::uint8_t>(word & 0xFF);
        out_[count_++] = static_cast<std::uint8_t>((word >> 8) & 0xFF);
    }

    void PutByte(unsigned byte) {
        if (count_ + 1 > kSize) Flush();
        out_[count_++] = static_cast<std::uint8_t>(byte);
    }

    // Sends the valid bits padded to a whole byte and hands the buffer over.
    void Windup() {
        if (valid_ > 8)
            PutShort(buffer_);
        else if (valid_ > 0)
            PutByte(buffer_);
        buffer_ = 0;
        valid_ = 0;
        Flush();
    }

    void Flush() {
        if (count_ > 0) {
            unsigned n = count_;
            count_ = 0;
            io_.WriteOutput(out_, n);
        }
    }

    // Raw bytes after the buffer (call Windup first).
    void WriteDirect(const std::uint8_t* data, unsigned count) {
        if (count > 0) io_.WriteOutput(data, count);
    }

private:
    static constexpr unsigned kSize = 1024;
    TDeflateIO& io_;
    std::uint16_t buffer_ = 0;
    unsigned valid_ = 0;
    unsigned count_ = 0;
    std::uint8_t out_[kSize];
};
