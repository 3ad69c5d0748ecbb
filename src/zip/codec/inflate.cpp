// Deflate decoding.
//
// Blocks are decoded into the frame's sliding window (32,768 bytes, the
// position wrapping with mask 0x7FFF); the window is handed on whenever it
// fills and once at the end. Literal/length and distance codes are looked up
// in tables built by BuildDecodeTable: 9 and 6 first-level bits for dynamic
// blocks, 7 and 5 for fixed ones, 7 for the code-length code, so nearly
// every code is a single lookup.
//
// Bits: the block loop keeps the bit buffer in a 64-bit local. While the
// frame's input buffer holds at least 8 bytes, one unaligned load tops it up
// to at least 56 bits, which covers a whole length/distance pair. Near the
// end of a chunk or of the member it falls back to whole bytes from
// ReadByte, asking for exactly the bits needed, so that a member that ends
// where its data ends never eats filler. Past the member's end ReadByte
// hands out the last byte again; a valid stream needs at most a few such
// bytes, so a member that asks for more than kMaxFiller is cut off as
// corrupt instead of decoding filler for ever.
//
// Window: the window is cleared when a member starts, so a distance that
// reaches before the member's first byte copies zeros, never bytes another
// member left behind. Copies go in pieces that stop at the window's end;
// a piece whose source and target do not overlap harmfully moves eight bytes
// at a time, one whose target catches up with its source (distance shorter
// than the length) repeats byte by byte, as the format requires.
#include "zip/codec/inflate.h"

#include "zip/codec/decode_table.h"
#include "zip/codec/unzip_work.h"

#include <bit>
#include <cstring>

namespace {

constexpr unsigned kWindow = TUnZipWork::kWindowSize;
constexpr unsigned kWindowMask = kWindow - 1;
constexpr std::int64_t kMaxFiller = 64;

// Raised when a member keeps asking for bits long after its data ended.
struct InputStarved {};

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr unsigned kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

inline std::uint64_t LoadLE64(const std::uint8_t* p) {
    std::uint64_t v = 0;
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(&v, p, 8);
    } else {
        for (int i = 7; i >= 0; --i)
            v = (v << 8) | p[i];
    }
    return v;
}

// Copies n bytes forward, exactly as a byte-by-byte loop from src to dst
// would, also when the regions overlap.
inline void CopyForward(std::uint8_t* dst, const std::uint8_t* src, unsigned n) {
    const std::size_t gap =
        dst > src ? static_cast<std::size_t>(dst - src) : static_cast<std::size_t>(src - dst);
    if (n >= 8 && gap >= 8) {
        // Eight bytes at a time; each load reads bytes that are final (at
        // least eight behind the target, or ahead of everything written).
        // The last eight bytes of the piece are moved once more as one word,
        // overlapping what was just written with the same values.
        const unsigned total = n;
        std::uint8_t* const d0 = dst;
        const std::uint8_t* const s0 = src;
        std::uint64_t v;
        while (n > 8) {
            std::memcpy(&v, src, 8);
            std::memcpy(dst, &v, 8);
            src += 8;
            dst += 8;
            n -= 8;
        }
        std::memcpy(&v, s0 + total - 8, 8);
        std::memcpy(d0 + total - 8, &v, 8);
        return;
    }
    while (n--)
        *dst++ = *src++;
}

// A match copy of len bytes from dist bytes back, neither end wrapping:
// the same bytes as CopyForward, with whole-word moves for short matches.
// Never writes past dst + len: the window bytes there still serve long
// distances.
inline void CopyMatch(std::uint8_t* dst, const std::uint8_t* src, unsigned len, unsigned dist) {
    if (dist >= len) { // no overlap
        if (len >= 8 && len <= 16) {
            std::uint64_t a, z;
            std::memcpy(&a, src, 8);
            std::memcpy(&z, src + len - 8, 8);
            std::memcpy(dst, &a, 8);
            std::memcpy(dst + len - 8, &z, 8);
            return;
        }
        if (len >= 4 && len < 8) {
            std::uint32_t a, z;
            std::memcpy(&a, src, 4);
            std::memcpy(&z, src + len - 4, 4);
            std::memcpy(dst, &a, 4);
            std::memcpy(dst + len - 4, &z, 4);
            return;
        }
        CopyForward(dst, src, len);
        return;
    }
    if (dist == 1) {
        std::memset(dst, *src, len);
        return;
    }
    CopyForward(dst, src, len);
}

struct FixedTables {
    TDecodeTable literal, distance;
    FixedTables() {
        unsigned lengths[288];
        for (unsigned i = 0; i < 144; ++i)
            lengths[i] = 8;
        for (unsigned i = 144; i < 256; ++i)
            lengths[i] = 9;
        for (unsigned i = 256; i < 280; ++i)
            lengths[i] = 7;
        for (unsigned i = 280; i < 288; ++i)
            lengths[i] = 8;
        int bits = 7;
        BuildDecodeTable(lengths, 288, 257, kLengthBase, kLengthExtra, 29, literal, bits);
        for (unsigned i = 0; i < 30; ++i)
            lengths[i] = 5;
        bits = 5; // thirty codes of five bits leave two free: incomplete, and fine
        BuildDecodeTable(lengths, 30, 0, kDistBase, kDistExtra, 30, distance, bits);
    }
};

// The fixed code never changes, so its tables are built once.
const FixedTables& Fixed() {
    static const FixedTables tables;
    return tables;
}

class Inflater {
public:
    explicit Inflater(TUnZipWork& g) : g_(g), slide_(g.Slide()) {}
    int Run();

private:
    TUnZipWork& g_;
    std::uint8_t* slide_;
    std::uint64_t bb_ = 0; // bit buffer; bits above bk_ may hold the next input bits
    unsigned bk_ = 0;
    unsigned w_ = 0;

    // Tops the bit buffer up to at least n bits from whole bytes.
    void SlowFill(unsigned n) {
        while (bk_ < n) {
            std::uint8_t b = g_.LastByte;
            if (g_.ReadByte(b) == 0 && g_.Countdown < -kMaxFiller) throw InputStarved{};
            bb_ = (bb_ & ((std::uint64_t{1} << bk_) - 1)) | (static_cast<std::uint64_t>(b) << bk_);
            bk_ += 8;
        }
    }
    void Need(unsigned n) {
        if (bk_ < n) SlowFill(n);
    }
    unsigned Peek(unsigned n) const {
        return static_cast<unsigned>(bb_ & ((std::uint64_t{1} << n) - 1));
    }
    void Drop(unsigned n) {
        bb_ >>= n;
        bk_ -= n;
    }
    unsigned Take(unsigned n) {
        Need(n);
        unsigned v = Peek(n);
        Drop(n);
        return v;
    }
    void Put(std::uint8_t c) {
        slide_[w_++] = c;
        if (w_ == kWindow) {
            g_.FlushWindow(kWindow);
            w_ = 0;
        }
    }
    // Decodes one symbol with the cold-path bit access; null for an invalid code.
    const TDecodeEntry* Decode(const TDecodeTable& t);

    int Block(bool& last);
    int Stored();
    int FixedBlock();
    int Dynamic();
    int Codes(const TDecodeTable& tl, const TDecodeTable& td);
};

int Inflater::Run() {
    std::memset(slide_, 0, kWindow);
    try {
        bool last = false;
        do {
            int r = Block(last);
            if (r != 0) return r;
        } while (!last);
    } catch (const InputStarved&) {
        return 1;
    }
    g_.FlushWindow(w_);
    g_.FlushOutput();
    return 0;
}

int Inflater::Block(bool& last) {
    last = Take(1) != 0;
    unsigned type = Take(2);
    int r = 2;
    try {
        switch (type) {
        case 0:
            r = Stored();
            break;
        case 1:
            r = FixedBlock();
            break;
        case 2:
            r = Dynamic();
            break;
        default:
            r = 2;
        }
    } catch (...) {
        // Cancel, a short archive or output past the member's size inside a
        // block body end this member as failed; the run goes on.
        r = 1;
    }
    g_.BitBuf = bb_ & ((std::uint64_t{1} << bk_) - 1);
    g_.BitCount = bk_;
    return r;
}

int Inflater::Stored() {
    Drop(bk_ & 7u);
    unsigned n = Take(16);
    unsigned complement = Take(16);
    if (n != (~complement & 0xFFFFu)) return 1;
    while (n--)
        Put(static_cast<std::uint8_t>(Take(8)));
    return 0;
}

int Inflater::FixedBlock() {
    const FixedTables& t = Fixed();
    g_.TableCount +=
        static_cast<std::int64_t>(t.literal.Entries.size() + t.distance.Entries.size());
    return Codes(t.literal, t.distance) != 0 ? 1 : 0;
}

const TDecodeEntry* Inflater::Decode(const TDecodeTable& t) {
    if (t.Empty()) return nullptr;
    Need(static_cast<unsigned>(t.Bits));
    const TDecodeEntry* e = &t.Entries[Peek(static_cast<unsigned>(t.Bits))];
    while (e->e > kEntryLiteral) {
        if (e->e == kEntryInvalid) return nullptr;
        Drop(e->b);
        unsigned k = e->e - 16u;
        Need(k);
        e = &t.Entries[e->v + Peek(k)];
    }
    Drop(e->b);
    return e;
}

int Inflater::Dynamic() {
    unsigned nl = 257 + Take(5);
    unsigned nd = 1 + Take(5);
    unsigned nc = 4 + Take(4);
    if (nl > 286 || nd > 30) return 1;

    unsigned lengths[286 + 30] = {};
    for (unsigned i = 0; i < nc; ++i)
        lengths[kCodeLengthOrder[i]] = Take(3);
    TDecodeTable cl;
    int bits = 7;
    if (int r = BuildDecodeTable(lengths, 19, 19, nullptr, nullptr, 0, cl, bits); r != 0) return r;
    g_.TableCount += static_cast<std::int64_t>(cl.Entries.size());

    const unsigned total = nl + nd;
    std::memset(lengths, 0, sizeof lengths);
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        const TDecodeEntry* e = Decode(cl);
        if (e == nullptr) return 1;
        unsigned sym = e->v;
        unsigned repeat = 0, value = 0;
        if (sym < 16) {
            lengths[i++] = previous = sym;
            continue;
        }
        if (sym == 16) {
            repeat = 3 + Take(2);
            value = previous;
        } else if (sym == 17) {
            repeat = 3 + Take(3);
            previous = 0;
        } else {
            repeat = 11 + Take(7);
            previous = 0;
        }
        if (i + repeat > total) return 1;
        while (repeat--)
            lengths[i++] = value;
    }
    FreeDecodeTables(cl);

    TDecodeTable tl, td;
    int lb = 9, db = 6;
    if (int r = BuildDecodeTable(lengths, nl, 257, kLengthBase, kLengthExtra, 29, tl, lb); r != 0)
        return r;
    if (int r = BuildDecodeTable(lengths + nl, nd, 0, kDistBase, kDistExtra, 30, td, db); r != 0)
        return r;
    g_.TableCount += static_cast<std::int64_t>(tl.Entries.size() + td.Entries.size());
    return Codes(tl, td) != 0 ? 1 : 0;
}

// The hot loop. Everything it touches per symbol lives in locals so that the
// stores into the window (bytes may alias anything) do not force reloads;
// the frame is brought up to date before every call out of the loop.
//
// Two paths: while at least 16 input bytes are buffered and the window has
// room for a longest match, one refill gives at least 56 bits whenever fewer
// than 48 (a whole length/distance pair with its extra bits) are held, so a
// symbol is decoded
// without any further bit checks and without window-end checks. Otherwise
// each step asks for exactly the bits it needs and checks the window's end.
int Inflater::Codes(const TDecodeTable& tl, const TDecodeTable& td) {
    if (tl.Empty()) return 1;
    const TDecodeEntry* const lt = tl.Entries.data();
    const unsigned lbits = static_cast<unsigned>(tl.Bits);
    const std::uint64_t lmask = (std::uint64_t{1} << lbits) - 1;
    const TDecodeEntry* const dt = td.Empty() ? nullptr : td.Entries.data();
    const unsigned dbits = static_cast<unsigned>(td.Bits);
    const std::uint64_t dmask = (std::uint64_t{1} << dbits) - 1;
    std::uint8_t* const s = slide_;

    std::uint64_t b = bb_;
    unsigned k = bk_;
    unsigned w = w_;
    const std::uint8_t* in = g_.InPtr;
    unsigned avail = g_.InCount;

    auto syncOut = [&] {
        if (auto used = static_cast<unsigned>(in - g_.InPtr); used != 0) {
            g_.Countdown -= used;
            g_.LastByte = in[-1];
            g_.InPtr = const_cast<std::uint8_t*>(in);
            g_.InCount = avail;
        }
        bb_ = b;
        bk_ = k;
        w_ = w;
    };
    auto refill = [&]() __attribute__((always_inline)) {
        b |= LoadLE64(in) << k;
        unsigned take = (63 - k) >> 3;
        in += take;
        avail -= take;
        k += take << 3;
    };
    auto need = [&](unsigned n) __attribute__((always_inline)) {
        if (k >= n) return;
        if (avail >= 8) {
            refill();
            return;
        }
        syncOut();
        SlowFill(n);
        in = g_.InPtr;
        avail = g_.InCount;
        b = bb_;
        k = bk_;
    };
    auto drop = [&](unsigned n) __attribute__((always_inline)) {
        b >>= n;
        k -= n;
    };
    auto low = [&](unsigned n) __attribute__((always_inline)) {
        return static_cast<unsigned>(b & ((std::uint64_t{1} << n) - 1));
    };

    for (;;) {
        // Fast path: no bit checks beyond one refill per symbol, no window-end
        // checks (a match ends at most 258 bytes on), no calls out.
        while (avail >= 16 && w < kWindow - 258) {
            // A whole length/distance pair takes at most 15 + 5 + 15 + 13 bits.
            if (k < 48) refill();
            const TDecodeEntry* e = lt + (b & lmask);
            while (e->e > kEntryLiteral) {
                if (e->e == kEntryInvalid) goto corrupt;
                drop(e->b);
                unsigned sub = e->e - 16u;
                e = lt + e->v + low(sub);
            }
            drop(e->b);
            if (e->e == kEntryLiteral) {
                s[w++] = static_cast<std::uint8_t>(e->v);
                continue;
            }
            if (e->e == kEntryEndOfBlock) goto endOfBlock;
            unsigned len = e->v + low(e->e);
            drop(e->e);
            if (dt == nullptr) goto corrupt;
            const TDecodeEntry* d = dt + (b & dmask);
            while (d->e > kEntryLiteral) {
                if (d->e == kEntryInvalid) goto corrupt;
                drop(d->b);
                unsigned sub = d->e - 16u;
                d = dt + d->v + low(sub);
            }
            drop(d->b);
            if (d->e > 13) goto corrupt;
            unsigned dist = d->v + low(d->e);
            drop(d->e);
            if (dist <= w) {
                CopyMatch(s + w, s + w - dist, len, dist);
                w += len;
                continue;
            }
            // The source wraps to the window's end: at most two pieces.
            unsigned src = (w - dist) & kWindowMask;
            while (len > 0) {
                unsigned piece = kWindow - (src > w ? src : w);
                if (piece > len) piece = len;
                len -= piece;
                CopyForward(s + w, s + src, piece);
                w += piece;
                src = (src + piece) & kWindowMask;
            }
        }

        // Careful path: one symbol, exactly the bits it needs, window-end checks.
        need(lbits);
        const TDecodeEntry* e = lt + (b & lmask);
        while (e->e > kEntryLiteral) {
            if (e->e == kEntryInvalid) goto corrupt;
            drop(e->b);
            unsigned sub = e->e - 16u;
            need(sub);
            e = lt + e->v + low(sub);
        }
        drop(e->b);

        if (e->e == kEntryLiteral) {
            s[w++] = static_cast<std::uint8_t>(e->v);
            if (w == kWindow) {
                syncOut();
                g_.FlushWindow(kWindow);
                w = 0;
            }
            continue;
        }
        if (e->e == kEntryEndOfBlock) goto endOfBlock;

        need(e->e);
        unsigned len = e->v + low(e->e);
        drop(e->e);

        if (dt == nullptr) goto corrupt; // a length with no distance code to follow it
        need(dbits);
        const TDecodeEntry* d = dt + (b & dmask);
        while (d->e > kEntryLiteral) {
            if (d->e == kEntryInvalid) goto corrupt;
            drop(d->b);
            unsigned sub = d->e - 16u;
            need(sub);
            d = dt + d->v + low(sub);
        }
        drop(d->b);
        // An end-of-block or literal entry has no place in a distance code.
        if (d->e > 13) goto corrupt;
        need(d->e);
        unsigned dist = d->v + low(d->e);
        drop(d->e);

        unsigned src = (w - dist) & kWindowMask;
        while (len > 0) {
            unsigned piece = kWindow - (src > w ? src : w);
            if (piece > len) piece = len;
            len -= piece;
            CopyForward(s + w, s + src, piece);
            w += piece;
            src = (src + piece) & kWindowMask;
            if (w == kWindow) {
                syncOut();
                g_.FlushWindow(kWindow);
                w = 0;
            }
        }
    }

endOfBlock:
    syncOut();
    return 0;
corrupt:
    syncOut();
    return 1;
}

} // namespace

int Inflate(TUnZipWork& work) {
    Inflater inflater(work);
    return inflater.Run();
}
