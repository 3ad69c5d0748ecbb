// Exploding (method 6): the imploded method's LZ77 with up to three
// Shannon-Fano trees.
//
// The member's flags choose the variant: bit 2 set means literals are coded
// with a tree of 256 codes and the shortest match is 3 bytes; clear means
// literals are 8 raw bits and the shortest match is 2. Bit 1 set means an
// 8 KiB dictionary (distances carry 7 raw low bits), clear a 4 KiB one (6).
//
// The trees come first, as byte-coded lists of code lengths: a byte giving
// the number of following bytes minus 1, then per byte a repeat count (high
// nibble + 1) and a length (low nibble + 1). Their codes are canonical like
// deflate's but stored inverted, so the tables are indexed with the
// complement of the bit buffer. Then, until the member's uncompressed size is
// reached: a bit 1 and a literal, or a bit 0 and a match: the raw low
// distance bits, the distance code (its base adds 64 or 128 per code), and
// the length code (bases 2 or 3 up; the last length code adds 8 raw bits).
// Matches copy from the frame's 32 KiB window.
//
// Guards: a length list that would run past its tree, or ends short of it,
// is refused before any table is built, and so is a tree whose code is
// incomplete or over-subscribed (complete codes of 64 or 256 symbols keep
// every table small); a bit pattern no code has stops decoding;
// every window position is masked and bytes before the member's first byte
// read as zeros; and since decoding runs until the uncompressed size is
// reached, it stops when it has been fed filler for a while after the data
// ended, so a corrupt size cannot keep it busy.
#include "zip/codec/legacy.h"

#include "zip/codec/decode_table.h"
#include "zip/codec/unzip_work.h"
#include "zip/codec/window_copy.h"

#include <array>

namespace {

constexpr unsigned kWindow = TUnZipWork::kWindowSize;
constexpr std::int64_t kMaxFiller = 64;
constexpr int kBadList = 4;

// Raised when decoding keeps asking for bits long after the data ended.
struct InputStarved {};

template <unsigned Start, unsigned Step> constexpr std::array<std::uint16_t, 64> Bases() {
    std::array<std::uint16_t, 64> a{};
    for (unsigned i = 0; i < 64; ++i)
        a[i] = static_cast<std::uint16_t>(Start + i * Step);
    return a;
}
constexpr auto kLengthBase2 = Bases<2, 1>();
constexpr auto kLengthBase3 = Bases<3, 1>();
constexpr auto kDistBase4K = Bases<1, 64>();
constexpr auto kDistBase8K = Bases<1, 128>();
constexpr std::array<std::uint8_t, 64> kLengthExtra = [] {
    std::array<std::uint8_t, 64> a{};
    a[63] = 8;
    return a;
}();
constexpr std::array<std::uint8_t, 64> kNoExtra{};

class Exploder {
public:
    explicit Exploder(TUnZipWork& g) : g_(g), s_(g.Slide()) {}
    int Run(std::uint16_t flags);

private:
    TUnZipWork& g_;
    std::uint8_t* s_;

    int GetTree(unsigned* lengths, unsigned n);
    void Need(unsigned n) {
        while (g_.BitCount < n) {
            std::uint8_t b = g_.LastByte;
            if (g_.ReadByte(b) == 0 && g_.Countdown < -kMaxFiller) throw InputStarved{};
            g_.BitBuf |= static_cast<std::uint64_t>(b) << g_.BitCount;
            g_.BitCount += 8;
        }
    }
    unsigned Take(unsigned n) {
        Need(n);
        unsigned v = static_cast<unsigned>(g_.BitBuf & ((std::uint64_t{1} << n) - 1));
        g_.DumpBits(n);
        return v;
    }
    // The entry for the next (inverted) code; null for a pattern no code has.
    const TDecodeEntry* Decode(const TDecodeTable& t) {
        unsigned k = static_cast<unsigned>(t.Bits);
        Need(k);
        const TDecodeEntry* e = &t.Entries[~g_.BitBuf & ((std::uint64_t{1} << k) - 1)];
        while (e->e > kEntryLiteral) {
            if (e->e == kEntryInvalid) return nullptr;
            g_.DumpBits(e->b);
            k = e->e - 16u;
            Need(k);
            e = &t.Entries[e->v + (~g_.BitBuf & ((std::uint64_t{1} << k) - 1))];
        }
        g_.DumpBits(e->b);
        return e;
    }
    int Decode(const TDecodeTable* lit, const TDecodeTable& len, const TDecodeTable& dist,
               unsigned distLowBits);
};

// 0 when the lengths (1 to 16) fill the code space exactly, 1 when codes
// are left over, 2 when they do not fit. Checked before a table is built:
// the table builder would widen its first level to the shortest length, and
// a corrupt tree of only long codes would then ask for a 2^16-entry table
// (refused as out of memory, with a message box) instead of simply failing.
int CodeSpace(const unsigned* lengths, unsigned n) {
    std::uint32_t used = 0; // in units of 2^-16 of the code space
    for (unsigned i = 0; i < n; ++i)
        used += std::uint32_t{1} << (16 - lengths[i]);
    return used == (std::uint32_t{1} << 16) ? 0 : used < (std::uint32_t{1} << 16) ? 1 : 2;
}

// Reads one tree's code lengths; kBadList when the list does not give
// exactly n lengths, else the CodeSpace check. The bytes are read straight from the input: the
// trees come first, before any bit is held.
int Exploder::GetTree(unsigned* lengths, unsigned n) {
    std::uint8_t b = g_.LastByte;
    g_.ReadByte(b);
    unsigned bytes = b + 1u;
    unsigned i = 0;
    while (bytes-- > 0) {
        g_.ReadByte(b);
        unsigned count = (b >> 4) + 1u;
        unsigned length = (b & 15u) + 1u;
        if (i + count > n) return kBadList;
        while (count-- > 0)
            lengths[i++] = length;
    }
    if (i != n) return kBadList;
    return CodeSpace(lengths, n);
}

int Exploder::Run(std::uint16_t flags) {
    const bool literalTree = (flags & 4u) != 0;
    const bool bigDictionary = (flags & 2u) != 0;
    // A bigger member is worth a bigger first-level distance table.
    int litBits = 9, lenBits = 7, distBits = g_.Countdown > 200000 ? 8 : 7;

    TDecodeTable lit, len, dist;
    unsigned lengths[256];
    if (literalTree) {
        if (int r = GetTree(lengths, 256); r != 0) return r;
        if (int r = BuildDecodeTable(lengths, 256, 256, nullptr, nullptr, 0, lit, litBits); r != 0)
            return r;
    }
    if (int r = GetTree(lengths, 64); r != 0) return r;
    const auto& lengthBase = literalTree ? kLengthBase3 : kLengthBase2;
    if (int r = BuildDecodeTable(lengths, 64, 0, lengthBase.data(), kLengthExtra.data(), 64, len,
                                 lenBits);
        r != 0)
        return r;
    if (int r = GetTree(lengths, 64); r != 0) return r;
    const auto& distBase = bigDictionary ? kDistBase8K : kDistBase4K;
    if (int r =
            BuildDecodeTable(lengths, 64, 0, distBase.data(), kNoExtra.data(), 64, dist, distBits);
        r != 0)
        return r;
    g_.TableCount +=
        static_cast<std::int64_t>(lit.Entries.size() + len.Entries.size() + dist.Entries.size());

    try {
        return Decode(literalTree ? &lit : nullptr, len, dist, bigDictionary ? 7 : 6);
    } catch (const InputStarved&) {
        return 1;
    }
}

int Exploder::Decode(const TDecodeTable* lit, const TDecodeTable& len, const TDecodeTable& dist,
                     unsigned distLowBits) {
    std::int64_t left = g_.UncompressedSize;
    unsigned w = 0;
    bool flushed = false;
    while (left > 0) {
        if (Take(1) != 0) {
            std::uint8_t c;
            if (lit != nullptr) {
                const TDecodeEntry* e = Decode(*lit);
                if (e == nullptr) return 1;
                c = static_cast<std::uint8_t>(e->v);
            } else {
                c = static_cast<std::uint8_t>(Take(8));
            }
            s_[w++] = c;
            if (w == kWindow) {
                g_.FlushWindow(kWindow);
                w = 0;
                flushed = true;
            }
            --left;
            continue;
        }
        unsigned distance = Take(distLowBits);
        const TDecodeEntry* d = Decode(dist);
        if (d == nullptr) return 1;
        distance += d->v;
        const TDecodeEntry* l = Decode(len);
        if (l == nullptr) return 1;
        unsigned length = l->v;
        if (l->e != 0) length += Take(l->e);
        legacy::CopyMatch(g_, s_, kWindow, w, distance, length, flushed);
        left -= length;
    }
    g_.FlushWindow(w);
    g_.FlushOutput();
    return 0;
}

} // namespace

int Explode(TUnZipWork& work, std::uint16_t flags) {
    Exploder x(work);
    return x.Run(flags);
}
