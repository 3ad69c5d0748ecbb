// Unreducing (methods 2 to 5, compression factor 1 to 4).
//
// Two stages. The first undoes a probabilistic byte coding: for every byte
// value x the stream first lists x's "followers", the bytes most likely to
// come after x (up to 63, read for x from 255 down to 0). A byte that comes
// after x is then either one bit 0 and an index into x's set (just wide
// enough to index the whole set), or one bit 1 and the 8 raw bits; after a
// byte whose set is empty the 8 raw bits come without the flag bit.
//
// The second stage expands the resulting bytes: 144 is an escape. 144 0 is
// the byte 144 itself; 144 V [L] D is a match: its length is V's low bits
// (the factor's length mask) + 3, with one more byte L added when those bits
// are all ones, and its distance is V's high bits (shifted by the factor's
// shift) times 256 + D + 1. Matches copy from a 16 KiB window kept in the
// frame's slide buffer; the follower sets live right behind it, 64 bytes for
// each byte value.
//
// Guards: a follower index past its set (possible when the set's size is not
// a power of two) stops the decoder rather than reading a follower left from
// an earlier member; the window copy masks every position and reads zeros
// for bytes before the member's first byte; and since the decoder runs until
// the member's uncompressed size is reached, it stops when it has been fed
// filler for a while after the data ended, so a corrupt size cannot keep it
// busy decoding zeros.
#include "zip/codec/legacy.h"

#include "zip/codec/unzip_work.h"
#include "zip/codec/window_copy.h"

namespace {

constexpr unsigned kWindow = 16384;
constexpr unsigned kFollowersAt = 16384;
constexpr unsigned kEscape = 144;
// Bit reads allowed after the member's data ended: a valid member needs at
// most one (its last bits), so many more mean the size is wrong.
constexpr std::int64_t kMaxFiller = 64;

constexpr unsigned kLengthMask[5] = {0, 0x7F, 0x3F, 0x1F, 0x0F};
constexpr unsigned kDistShift[5] = {0, 7, 6, 5, 4};
constexpr unsigned kDistMask[5] = {0, 0x01, 0x03, 0x07, 0x0F};

// Bits needed to index a set of n (1 to 63) followers.
unsigned IndexBits(unsigned n) {
    unsigned bits = 1;
    while ((1u << bits) < n)
        ++bits;
    return bits;
}

} // namespace

int UnReduce(TUnZipWork& g, int factor) {
    if (factor < 1 || factor > 4) return 1;
    std::uint8_t* const s = g.Slide();
    std::uint8_t* const followers = s + kFollowersAt;
    auto bits = [&g](unsigned n) {
        std::uint32_t x = 0;
        g.ReadBits(n, x);
        return x;
    };

    unsigned setSize[256];
    for (int x = 255; x >= 0; --x) {
        setSize[x] = bits(6);
        for (unsigned i = 0; i < setSize[x]; ++i)
            followers[x * 64 + i] = static_cast<std::uint8_t>(bits(8));
    }

    const unsigned lengthMask = kLengthMask[factor];
    const unsigned shift = kDistShift[factor];
    const unsigned distMask = kDistMask[factor];
    std::int64_t left = g.UncompressedSize;
    unsigned w = 0;
    bool flushed = false;
    unsigned last = 0, state = 0, v = 0, len = 0;
    int result = 0;
    while (left > 0) {
        if (g.Countdown < -kMaxFiller) {
            result = 1;
            break;
        }
        unsigned c;
        if (setSize[last] == 0 || bits(1) == 1) {
            c = bits(8);
        } else {
            unsigned i = bits(IndexBits(setSize[last]));
            if (i >= setSize[last]) {
                result = 1;
                break;
            }
            c = followers[last * 64 + i];
        }
        last = c;

        switch (state) {
        case 0:
            if (c != kEscape) {
                s[w++] = static_cast<std::uint8_t>(c);
                --left;
            } else {
                state = 1;
            }
            break;
        case 1:
            if (c == 0) {
                s[w++] = kEscape;
                --left;
                state = 0;
            } else {
                v = c;
                len = v & lengthMask;
                state = len == lengthMask ? 2 : 3;
            }
            break;
        case 2:
            len += c;
            state = 3;
            break;
        default: {
            unsigned dist = ((v >> shift) & distMask) * 256 + c + 1;
            legacy::CopyMatch(g, s, kWindow, w, dist, len + 3, flushed);
            left -= len + 3;
            state = 0;
            break;
        }
        }
        if (w == kWindow) {
            g.FlushWindow(kWindow);
            w = 0;
            flushed = true;
        }
    }
    g.FlushWindow(w);
    g.FlushOutput();
    return result;
}
