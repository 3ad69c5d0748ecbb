// Bit output of the deflate encoder. Codes are packed least significant bit
// first into a 64-bit accumulator; whenever it holds 32 bits or more, four
// whole bytes go out, low byte first, into a 1,024-byte buffer that is handed
// to the io when it has no room for the next piece. The stream is the same as
// with any other accumulator width: only where it is cut into pieces for the
// io differs, and no piece is longer than 1,024 bytes.
//
// Writing out to a byte boundary (Windup) sends the valid bits padded with
// zeros and hands the buffer over, so that raw bytes (stored blocks) can
// follow directly through the io.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "zip/codec/deflate.h"

class TBitOutput {
public:
    explicit TBitOutput(TDeflateIO& io) : io_(io) {}

    // Sends the low `length` bits of value (length 0..32, no bits set above).
    void SendBits(std::uint64_t value, unsigned length) {
        acc_ |= value << valid_;
        valid_ += length;
        if (valid_ >= 32) {
            if (count_ + 4 > kSize) Flush();
            const auto word = static_cast<std::uint32_t>(acc_);
            if constexpr (std::endian::native == std::endian::little) {
                std::memcpy(out_ + count_, &word, 4);
            } else {
                for (unsigned i = 0; i < 4; ++i)
                    out_[count_ + i] = static_cast<std::uint8_t>(word >> (8 * i));
            }
            count_ += 4;
            acc_ >>= 32;
            valid_ -= 32;
        }
    }

    // Two bytes, low first; only on a byte boundary with nothing pending.
    void PutShort(unsigned word) {
        PutByte(word & 0xFF);
        PutByte((word >> 8) & 0xFF);
    }

    void PutByte(unsigned byte) {
        if (count_ + 1 > kSize) Flush();
        out_[count_++] = static_cast<std::uint8_t>(byte);
    }

    // Sends the valid bits padded to a whole byte and hands the buffer over.
    void Windup() {
        while (valid_ > 0) {
            PutByte(static_cast<unsigned>(acc_ & 0xFF));
            acc_ >>= 8;
            valid_ = valid_ > 8 ? valid_ - 8 : 0;
        }
        acc_ = 0;
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
    std::uint64_t acc_ = 0;
    unsigned valid_ = 0;
    unsigned count_ = 0;
    std::uint8_t out_[kSize];
};
