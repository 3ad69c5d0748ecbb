// Unshrinking (method 1): LZW with codes of 9 to 13 bits and partial clearing.
//
// Every code from 257 up stands for a string: the string of its prefix code
// followed by its suffix byte; codes 0 to 255 stand for themselves. After
// each code read, the decoder defines the next free code as the previous
// code's string plus the first byte of the current one. Code 256 is a
// control code followed by a sub-code: 1 widens the codes by one bit, 2 frees
// every leaf code (a code no other code names as its prefix) so that the
// table can be refilled; any other sub-code is ignored.
//
// The tables live in the frame's slide buffer: 8,193 signed 16-bit prefix
// codes from offset 0 (-1 marks a free code), 8,193 suffix bytes from
// 16,390, and an output stack of 8,192 bytes from 24,585, filled from its
// top down because a code's string is found back to front.
//
// Guards (all only reachable with corrupt data; the decoder stops and the
// member fails its CRC check):
// - a sub-code 1 that would take the code size past 13 bits stops the
//   decoder, so a code never indexes past the 8,193 table entries;
// - the string of a code is pushed onto the stack only while there is room:
//   a valid chain is at most 7,937 bytes long, so a longer one (a cycle,
//   such as a code that names itself as its prefix, or a freed code reached
//   again and again) stops the decoder;
// - partial clearing only looks at defined codes: a free code's prefix (-1)
//   never counts as a parent, and a prefix that names a free code is
//   ignored, so no mark lands outside the table.
// Stored prefixes are always codes that were read (below 8,192), so a chain
// never leaves the table.
#include "zip/codec/legacy.h"

#include "zip/codec/unzip_work.h"

#include <cstring>

namespace {

constexpr unsigned kFirstFree = 257;
constexpr unsigned kTableEnd = 8192; // codes 0 to 8,191
constexpr unsigned kMaxCodeSize = 13;
constexpr unsigned kSuffixAt = 16390;
constexpr unsigned kStackAt = 24585;
constexpr unsigned kStackSize = 8192;
constexpr std::int16_t kFree = -1;

class Unshrinker {
public:
    explicit Unshrinker(TUnZipWork& g)
        : g_(g), base_(g.Slide()), suffix_(base_ + kSuffixAt), stack_(base_ + kStackAt) {}
    int Run();

private:
    TUnZipWork& g_;
    std::uint8_t* base_;
    std::uint8_t* suffix_;
    std::uint8_t* stack_;
    unsigned free_ = kFirstFree;

    // The prefix table holds 16-bit values at even offsets of a byte buffer.
    std::int16_t Prefix(unsigned code) const {
        std::int16_t v;
        std::memcpy(&v, base_ + 2 * code, 2);
        return v;
    }
    void SetPrefix(unsigned code, std::int16_t v) { std::memcpy(base_ + 2 * code, &v, 2); }
    bool IsFree(unsigned code) const { return Prefix(code) == kFree; }

    void NextFree(unsigned from) {
        free_ = from;
        while (free_ < kTableEnd && !IsFree(free_))
            ++free_;
    }
    void PartialClear();
    void Output(const std::uint8_t* p, unsigned n);
};

void Unshrinker::PartialClear() {
    bool parent[kTableEnd] = {};
    for (unsigned c = kFirstFree; c < kTableEnd; ++c) {
        std::int16_t p = Prefix(c);
        if (p != kFree && static_cast<unsigned>(p) >= kFirstFree) parent[p] = true;
    }
    for (unsigned c = kFirstFree; c < kTableEnd; ++c)
        if (!parent[c]) SetPrefix(c, kFree);
    NextFree(kFirstFree);
}

void Unshrinker::Output(const std::uint8_t* p, unsigned n) {
    while (n > 0) {
        unsigned piece = TUnZipWork::kChunk - g_.OutCount;
        if (piece > n) piece = n;
        std::memcpy(g_.OutPtr, p, piece);
        g_.OutPtr += piece;
        g_.OutCount += piece;
        p += piece;
        n -= piece;
        if (g_.OutCount == TUnZipWork::kChunk) g_.FlushOutput();
    }
}

int Unshrinker::Run() {
    for (unsigned c = 0; c < 256; ++c) {
        SetPrefix(c, 0);
        suffix_[c] = static_cast<std::uint8_t>(c);
    }
    for (unsigned c = 256; c <= kTableEnd; ++c)
        SetPrefix(c, kFree);
    unsigned codeSize = 9;
    free_ = kFirstFree;

    std::uint32_t code = 0;
    g_.ReadBits(codeSize, code);
    if (g_.ZipEof) {
        g_.FlushOutput();
        return 0;
    }
    unsigned old = code;
    std::uint8_t finalByte = static_cast<std::uint8_t>(code);
    g_.OutByte(finalByte);

    int result = 0;
    for (;;) {
        g_.ReadBits(codeSize, code);
        if (g_.ZipEof) break;
        while (code == 256) {
            std::uint32_t sub = 0;
            g_.ReadBits(codeSize, sub);
            if (g_.ZipEof) break;
            if (sub == 1) {
                if (codeSize == kMaxCodeSize) {
                    result = 1;
                    break;
                }
                ++codeSize;
            } else if (sub == 2) {
                PartialClear();
            }
            g_.ReadBits(codeSize, code);
            if (g_.ZipEof) break;
        }
        if (g_.ZipEof || result != 0) break;

        const unsigned incoming = code;
        std::uint8_t* top = stack_ + kStackSize;
        // A code not yet defined is the previous string plus its own first
        // byte (the string the encoder had just defined when it used it).
        while (code >= kFirstFree && top > stack_) {
            if (IsFree(code)) {
                *--top = finalByte;
                code = old;
            } else {
                *--top = suffix_[code];
                code = static_cast<unsigned>(Prefix(code));
            }
        }
        if (top == stack_) { // no room left for the first byte: a cycle
            result = 1;
            break;
        }
        finalByte = static_cast<std::uint8_t>(code);
        *--top = finalByte;
        Output(top, static_cast<unsigned>(stack_ + kStackSize - top));

        if (free_ < kTableEnd) {
            SetPrefix(free_, static_cast<std::int16_t>(old));
            suffix_[free_] = finalByte;
            NextFree(free_ + 1);
        }
        old = incoming;
    }
    g_.FlushOutput();
    return result;
}

} // namespace

int UnShrink(TUnZipWork& work) {
    Unshrinker u(work);
    return u.Run();
}
