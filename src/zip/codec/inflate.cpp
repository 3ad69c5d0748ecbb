// Deflate decoding.
//
// Window: the output goes into a buffer of its own that holds 32 KiB of
// history and 224 KiB of room after it. The output is handed on, in the
// frame's blocks of 16,000 bytes, each time another 32 KiB has been decoded
// and once at the end, exactly as a 32 KiB sliding window would hand it on;
// when the room is used up, the last 32 KiB slide down to the front (once
// every seven hand-overs). Since the bytes after the write position are
// never history, a match may be copied in wide words that run a little past
// its end (the buffer has slack for that), and no byte-by-byte bounds test is
// needed. A distance that reaches before the member's first byte reads zeros,
// never bytes another member left behind; that is only possible before the
// first slide, while the write position is below 32 KiB, and is caught by
// one comparison.
//
// Codes: every table entry (inflate_table.h) carries its bits to drop, the
// literal or the base of a length or distance with its extra bits, so a
// symbol is one lookup (two for codes longer than the first level) and one
// shift. The first levels have a fixed 11 bits for literals and lengths and
// 8 for distances, wider than the lookup bits the code is judged with, so
// that nearly every code is one lookup and the masks are constants. In a
// long block two literals whose codes fit in 11 bits together come from one
// entry.
//
// Bits: the hot loop keeps the bit buffer in a 64-bit local. While the
// frame's input buffer holds at least 16 bytes, one unaligned load tops it up
// to at least 56 bits, which covers a whole length/distance pair (at most 48
// bits) or three literal entries (at most 33), so the loop decodes up to six
// literals per top-up and a match without further checks. Near the end of a
// chunk or of the member it falls back to whole bytes from ReadByte, asking
// for no more bits than the code it reads has (LookUp), so that a member
// that ends where its data ends never eats filler. Past the member's end
// ReadByte hands out the last byte again; a valid stream needs at most a few
// such bytes, so a member that asks for more than kMaxFiller is cut off as
// corrupt instead of decoding filler for ever.
#include "zip/codec/inflate.h"

#include "zip/codec/inflate_table.h"
#include "zip/codec/unzip_work.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

using namespace inflate;

namespace {

constexpr unsigned kHistory = 32768;                    // the farthest a distance reaches
constexpr unsigned kHandOver = TUnZipWork::kWindowSize; // output is handed on per 32 KiB
constexpr unsigned kRoom = 7 * kHandOver;               // room after the history
constexpr unsigned kSlack = 64;                         // wide copies may run this far
constexpr unsigned kBufferSize = kHistory + kRoom + kSlack;
constexpr unsigned kMaxMatch = 258;
// Most output one step of the hot loop writes: two entries of two literals
// and a match.
constexpr unsigned kMaxStep = 4 + kMaxMatch;
constexpr std::int64_t kMaxFiller = 64;
constexpr std::int64_t kPairsFrom = 32768;
constexpr unsigned kCodeLengthOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};

// Raised when a member keeps asking for bits long after its data ended.
struct InputStarved {};

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

inline void Store16(std::uint8_t* p, std::uint32_t v) {
    const auto x = static_cast<std::uint16_t>(v);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &x, 2);
    } else {
        p[0] = static_cast<std::uint8_t>(x);
        p[1] = static_cast<std::uint8_t>(x >> 8);
    }
}

inline void Copy8(std::uint8_t* dst, const std::uint8_t* src) {
    std::uint64_t v;
    std::memcpy(&v, src, 8);
    std::memcpy(dst, &v, 8);
}

// The smallest multiple of each distance below 8 that is at least 8: a copy
// from that far back repeats the same pattern and reads only final bytes.
constexpr unsigned kPeriod[8] = {0, 8, 8, 9, 8, 10, 12, 14};

// Copies len bytes (len >= 1) from dist bytes back (dist >= 1) to dst,
// repeating bytes where the distance is shorter than the length, as a
// byte-by-byte copy would. Writes up to 31 bytes past dst + len; every load
// reads bytes that are already final. Most matches are short and far: the
// first 32 bytes go unconditionally, so those take no loop.
inline void CopyMatch(std::uint8_t* dst, unsigned dist, unsigned len) {
    const std::uint8_t* src = dst - dist;
    std::uint8_t* const end = dst + len;
    if (dist >= 8) {
        Copy8(dst, src);
        Copy8(dst + 8, src + 8);
        Copy8(dst + 16, src + 16);
        Copy8(dst + 24, src + 24);
        Copy8(dst + 32, src + 32);
        if (len > 40) {
            dst += 40;
            src += 40;
            do {
                Copy8(dst, src);
                dst += 8;
                src += 8;
            } while (dst < end);
        }
    } else if (dist == 1) {
        const std::uint64_t v = src[0] * 0x0101010101010101ull;
        do {
            std::memcpy(dst, &v, 8);
            std::memcpy(dst + 8, &v, 8);
            dst += 16;
        } while (dst < end);
    } else {
        for (unsigned i = 0; i < 8; ++i)
            dst[i] = src[i];
        const unsigned period = kPeriod[dist];
        for (dst += 8; dst < end; dst += 8)
            Copy8(dst, dst - period);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define DAYSCRIB_INFLATE_BMI2 1
bool HaveBmi2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("bmi2") != 0;
    }();
    return have;
}
#endif

struct FixedTables {
    TInflateTable literal, distance;
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
        BuildInflateTable(lengths, 288, TCodeKind::LiteralLength, kLiteralBits, true, literal);
        for (unsigned i = 0; i < 30; ++i)
            lengths[i] = 5;
        // Thirty codes of five bits leave two free: incomplete, and fine.
        BuildInflateTable(lengths, 30, TCodeKind::Distance, kDistanceBits, true, distance);
    }
};

// The fixed code never changes, so its tables are built once.
const FixedTables& Fixed() {
    static const FixedTables tables;
    return tables;
}

} // namespace

struct TInflateScratch {
    std::unique_ptr<std::uint8_t[]> window{new std::uint8_t[kBufferSize]};
    TInflateTable literal, distance, codeLength;
};

namespace {

class Inflater {
public:
    Inflater(TUnZipWork& g, TInflateScratch& x) : g_(g), x_(x), s_(x.window.get()) {}
    int Run();

private:
    TUnZipWork& g_;
    TInflateScratch& x_;
    std::uint8_t* const s_;
    std::uint64_t bb_ = 0; // bit buffer; bits above bk_ may hold the next input bits
    unsigned bk_ = 0;
    unsigned w_ = 0;               // write position in the window buffer
    unsigned pending_ = 0;         // first byte not yet handed on
    unsigned flushAt_ = kHandOver; // where the next 32 KiB are complete

    // Tops the bit buffer up to at least n bits from whole bytes.
    void SlowFill(unsigned n) {
        while (bk_ < n) {
            std::uint8_t b = g_.LastByte;
            if (g_.ReadByte(b) == 0 && g_.Countdown < -kMaxFiller) throw InputStarved{};
            bb_ = (bb_ & ((std::uint64_t{1} << bk_) - 1)) | (static_cast<std::uint64_t>(b) << bk_);
            bk_ += 8;
        }
    }
    // Tops the bit buffer up towards n bits from whole bytes of the member's
    // data, no filler; the bits above those held read as zeros.
    void SoftFill(unsigned n) {
        while (bk_ < n && g_.Countdown > 0) {
            std::uint8_t b = g_.LastByte;
            if (g_.ReadByte(b) == 0) break;
            bb_ = (bb_ & ((std::uint64_t{1} << bk_) - 1)) | (static_cast<std::uint64_t>(b) << bk_);
            bk_ += 8;
        }
        bb_ &= (std::uint64_t{1} << bk_) - 1;
    }
    // Tops the bit buffer up to 56 to 63 bits with one load; needs 8 bytes
    // in the input buffer.
    void WordFill() {
        bb_ |= LoadLE64(g_.InPtr) << bk_;
        const unsigned take = (63 - bk_) >> 3;
        g_.InPtr += take;
        g_.InCount -= take;
        g_.Countdown -= take;
        g_.LastByte = g_.InPtr[-1];
        bk_ |= 56;
    }
    void Need(unsigned n) {
        if (bk_ >= n) return;
        if (g_.InCount >= 8)
            WordFill();
        else
            SlowFill(n);
    }
    // The entry of table t at the next `bits` bits. Near the end of the data
    // a code may be shorter than the table's bits: the bits that are not
    // there read as zeros, and only when the entry found needs more than is
    // there (or is no code) does the member take filler, and the entry is
    // looked up again with it, so a member that ends where its data ends
    // never eats filler and one that does decodes as it always did.
    std::uint32_t LookUp(const std::uint32_t* t, unsigned bits) {
        if (bk_ < bits) {
            if (g_.InCount >= 8)
                WordFill();
            else
                SoftFill(bits);
        }
        std::uint32_t e = t[Peek(bits)];
        const bool invalid = (e & kSpecial) && !(e & (kLink | kEnd));
        const unsigned codeBits = invalid ? bits : (e & kLink) ? DropBits(e) : CodeBits(e);
        if (codeBits > bk_) {
            SlowFill(bits);
            e = t[Peek(bits)];
        }
        return e;
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
        s_[w_++] = c;
        if (w_ == flushAt_) HandOver();
    }
    void HandOnBlocks(bool all);
    void HandOver();
    // Copies a match of len bytes to w that reaches before the member's
    // first byte: what lies before it reads as zeros.
    void CopyNearStart(unsigned w, unsigned dist, unsigned len);
    // The entry of the next code, with the cold-path bit access; an invalid
    // entry for a code of no symbols. Drops the bits of a sub-table link only.
    std::uint32_t Decode(const TInflateTable& t);

    int Block(bool& last);
    int Stored();
    int FixedBlock();
    int Dynamic();
    int Codes(const TInflateTable& tl, const TInflateTable& td);
    int CodesLoop(const TInflateTable& tl, const TInflateTable& td);
#ifdef DAYSCRIB_INFLATE_BMI2
    int CodesBmi2(const TInflateTable& tl, const TInflateTable& td);
#endif
};

int Inflater::Run() {
    try {
        bool last = false;
        do {
            int r = Block(last);
            if (r != 0) return r;
        } while (!last);
    } catch (const InputStarved&) {
        return 1;
    }
    HandOnBlocks(true);
    return 0;
}

// The blocks of 16,000 bytes a window flush would hand on; with `all` the
// rest as well, as the final flush does.
void Inflater::HandOnBlocks(bool all) {
    while (w_ - pending_ >= TUnZipWork::kChunk) {
        const unsigned at = pending_;
        pending_ += TUnZipWork::kChunk;
        g_.HandOn(s_ + at, TUnZipWork::kChunk);
    }
    if (all && w_ > pending_) {
        const unsigned at = pending_;
        pending_ = w_;
        g_.HandOn(s_ + at, w_ - at);
    }
}

// At flushAt_: hands the complete blocks on, and slides the last 32 KiB to
// the front when the room after them is used up.
void Inflater::HandOver() {
    HandOnBlocks(false);
    if (w_ + kHandOver > kHistory + kRoom) {
        const unsigned shift = w_ - kHistory;
        std::memmove(s_, s_ + shift, kHistory);
        w_ -= shift;
        pending_ -= shift; // what is not handed on is less than a block: in the history
    }
    flushAt_ = w_ + kHandOver;
}

void Inflater::CopyNearStart(unsigned w, unsigned dist, unsigned len) {
    std::uint8_t* const d = s_ + w;
    for (unsigned i = 0; i < len; ++i) {
        const std::int64_t from = static_cast<std::int64_t>(w) + i - dist;
        d[i] = from < 0 ? 0 : s_[from];
    }
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
    // Whole bytes still in the bit buffer first, then straight from the
    // input buffer; whatever else (a new chunk, filler) byte by byte.
    while (n > 0 && bk_ >= 8) {
        Put(static_cast<std::uint8_t>(Take(8)));
        --n;
    }
    while (n > 0) {
        if (g_.InCount > 0 && g_.Countdown > 0) {
            unsigned m = std::min({n, g_.InCount, flushAt_ - w_});
            if (static_cast<std::int64_t>(m) > g_.Countdown)
                m = static_cast<unsigned>(g_.Countdown);
            std::memcpy(s_ + w_, g_.InPtr, m);
            g_.InPtr += m;
            g_.InCount -= m;
            g_.Countdown -= m;
            g_.LastByte = g_.InPtr[-1];
            w_ += m;
            n -= m;
            if (w_ == flushAt_) HandOver();
        } else {
            Put(static_cast<std::uint8_t>(Take(8)));
            --n;
        }
    }
    return 0;
}

int Inflater::FixedBlock() {
    const FixedTables& t = Fixed();
    g_.TableCount += static_cast<std::int64_t>(t.literal.Size() + t.distance.Size());
    return Codes(t.literal, t.distance) != 0 ? 1 : 0;
}

std::uint32_t Inflater::Decode(const TInflateTable& t) {
    if (t.Empty()) return kSpecial;
    std::uint32_t e = LookUp(t.Entries.data(), t.Bits);
    if ((e & (kSpecial | kLink)) == (kSpecial | kLink)) {
        Drop(DropBits(e));
        e = LookUp(t.Entries.data() + Value(e), CodeBits(e));
    }
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
    TInflateTable& cl = x_.codeLength;
    if (int r = BuildInflateTable(lengths, 19, TCodeKind::CodeLength, kCodeLengthBits, false, cl);
        r != 0)
        return r;
    g_.TableCount += static_cast<std::int64_t>(cl.Size());

    const unsigned total = nl + nd;
    std::memset(lengths, 0, sizeof lengths);
    unsigned previous = 0;
    for (unsigned i = 0; i < total;) {
        const std::uint32_t e = Decode(cl);
        if (e & kSpecial) return 1;
        Drop(DropBits(e));
        const unsigned sym = Value(e);
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

    TInflateTable& tl = x_.literal;
    TInflateTable& td = x_.distance;
    // Literal pairs cost a pass over the table: worth it when the member has
    // a good deal of output left, so that the block is likely long.
    const std::int64_t left =
        g_.UncompressedSize - g_.BytesDone - static_cast<std::int64_t>(w_ - pending_);
    const bool pairs = left >= kPairsFrom;
    if (int r = BuildInflateTable(lengths, nl, TCodeKind::LiteralLength, kLiteralBits, false, tl,
                                  pairs);
        r != 0)
        return r;
    if (int r = BuildInflateTable(lengths + nl, nd, TCodeKind::Distance, kDistanceBits, false, td);
        r != 0)
        return r;
    g_.TableCount += static_cast<std::int64_t>(tl.Size() + td.Size());
    return Codes(tl, td) != 0 ? 1 : 0;
}

// The hot loop. Everything it touches per symbol lives in locals so that the
// stores into the window (bytes may alias anything) do not force reloads;
// the frame is brought up to date before every call out of the loop.
//
// Two paths: while at least 16 input bytes are buffered and the window has
// room for a step before the next hand-over, the fast path decodes without
// bit checks and copies matches with CopyMatch. Otherwise the careful path
// takes one symbol, asks for exactly the bits it needs and hands on at
// flushAt_.
//
// The fast path keeps the entry of the next code looked up ahead: a top-up
// fills the whole 64-bit buffer with input bits (it counts only the whole
// bytes, 56 to 63 bits, as taken), so after a length and its distance (at
// most 48 bits) at least 16 real bits remain for the next lookup, and the
// load of the next entry overlaps the store of a literal or the copy of a
// match. A top-up leaves the low bits as they were, so an entry looked up
// before it stays right.
//
// The loop is compiled twice: as is, and for processors with BMI2, whose
// shifts by a register count and "keep the low n bits" are one instruction
// each; the choice is made once, at run time.
__attribute__((always_inline)) inline int Inflater::CodesLoop(const TInflateTable& tl,
                                                              const TInflateTable& td) {
    if (tl.Empty()) return 1;
    // A code of no distances: every length meets an invalid entry.
    static constexpr auto kNoDistance = [] {
        std::array<std::uint32_t, 1u << kDistanceBits> t{};
        t.fill(kSpecial);
        return t;
    }();
    const std::uint32_t* const lt = tl.Entries.data();
    constexpr unsigned lbits = kLiteralBits;
    constexpr std::uint64_t lmask = (1u << kLiteralBits) - 1;
    const std::uint32_t* const dt = td.Empty() ? kNoDistance.data() : td.Entries.data();
    constexpr unsigned dbits = kDistanceBits;
    constexpr std::uint64_t dmask = (1u << kDistanceBits) - 1;
    std::uint8_t* const s = s_;

    std::uint64_t b = bb_;
    unsigned k = bk_;
    unsigned w = w_;
    const std::uint8_t* in = g_.InPtr;
    const std::uint8_t* inEnd = in + g_.InCount;

    auto syncOut = [&]() __attribute__((always_inline)) {
        if (auto used = static_cast<unsigned>(in - g_.InPtr); used != 0) {
            g_.Countdown -= used;
            g_.LastByte = in[-1];
            g_.InPtr = const_cast<std::uint8_t*>(in);
            g_.InCount = static_cast<unsigned>(inEnd - in);
        }
        bb_ = b;
        bk_ = k;
        w_ = w;
    };
    auto syncIn = [&]() __attribute__((always_inline)) {
        in = g_.InPtr;
        inEnd = in + g_.InCount;
        b = bb_;
        k = bk_;
        w = w_;
    };
    // Tops the buffer up to 56 to 63 counted bits; needs 8 readable input bytes.
    auto refill = [&]() __attribute__((always_inline)) {
        b |= LoadLE64(in) << k;
        in += (63 - k) >> 3;
        k |= 56;
    };
    auto need = [&](unsigned n) __attribute__((always_inline)) {
        if (k >= n) return;
        if (inEnd - in >= 8) {
            refill();
            return;
        }
        syncOut();
        SlowFill(n);
        syncIn();
    };
    // LookUp's rule for the locals: the entry at the next `bits` bits.
    auto lookUp = [&](const std::uint32_t* t, unsigned bits) __attribute__((always_inline)) {
        if (k < bits) {
            if (inEnd - in < 8) {
                syncOut();
                const std::uint32_t e = LookUp(t, bits);
                syncIn();
                return e;
            }
            refill();
        }
        return t[b & ((std::uint64_t{1} << bits) - 1)];
    };
    auto drop = [&](unsigned n) __attribute__((always_inline)) {
        b >>= n;
        k -= n;
    };
    auto low = [&](std::uint64_t v, unsigned n) __attribute__((always_inline)) {
        return static_cast<unsigned>(v & ((std::uint64_t{1} << n) - 1));
    };
    // The value of a length or distance entry: its base plus its extra bits.
    auto take = [&](std::uint32_t e) __attribute__((always_inline)) {
        const std::uint64_t before = b;
        drop(DropBits(e));
        return Value(e) + (low(before, DropBits(e)) >> CodeBits(e));
    };

    for (;;) {
        if (inEnd - in >= 16 && w + kMaxStep <= flushAt_) {
            // Fast path: at most two top-ups (14 bytes, reading 15) and one
            // step (kMaxStep bytes, plus the copy's overrun into the slack)
            // per round.
            const std::uint8_t* const inFast = inEnd - 15;
            std::uint8_t* out = s + w;
            std::uint8_t* const outFast = s + flushAt_ - kMaxStep;
            refill();
            std::uint32_t e = lt[b & lmask];
            do {
                if (e & kLiteral) {
                    // One or two literals per entry, up to three entries
                    // per top-up (33 bits, and 11 more for the next lookup).
                    drop(DropBits(e));
                    std::uint32_t v = Value(e);
                    unsigned n = 1 + ((e >> 12) & 1);
                    e = lt[b & lmask];
                    Store16(out, v);
                    out += n;
                    if (e & kLiteral) {
                        drop(DropBits(e));
                        v = Value(e);
                        n = 1 + ((e >> 12) & 1);
                        e = lt[b & lmask];
                        Store16(out, v);
                        out += n;
                        if (e & kLiteral) {
                            drop(DropBits(e));
                            v = Value(e);
                            n = 1 + ((e >> 12) & 1);
                            e = lt[b & lmask];
                            refill();
                            Store16(out, v);
                            out += n;
                            continue;
                        }
                    }
                    refill(); // a length and its distance may need 48 bits
                }
                if (e & kSpecial) {
                    if ((e & kLink) == 0) {
                        if ((e & kEnd) == 0) goto corruptFast;
                        drop(DropBits(e));
                        goto endOfBlockFast;
                    }
                    drop(DropBits(e));
                    e = lt[Value(e) + low(b, CodeBits(e))];
                    if (e & kLiteral) {
                        drop(DropBits(e));
                        *out++ = static_cast<std::uint8_t>(Value(e));
                        e = lt[b & lmask];
                        refill();
                        continue;
                    }
                    if (e & kSpecial) {
                        if ((e & kEnd) == 0) goto corruptFast;
                        drop(DropBits(e));
                        goto endOfBlockFast;
                    }
                }
                const unsigned len = take(e);
                std::uint32_t d = dt[b & dmask];
                if (d & kSpecial) {
                    if ((d & kLink) == 0) goto corruptFast;
                    drop(DropBits(d));
                    d = dt[Value(d) + low(b, CodeBits(d))];
                    if (d & kSpecial) goto corruptFast;
                }
                const unsigned dist = take(d);
                e = lt[b & lmask]; // at least 16 bits are still there
                refill();
                if (dist > static_cast<unsigned>(out - s)) {
                    CopyNearStart(static_cast<unsigned>(out - s), dist, len);
                } else {
                    CopyMatch(out, dist, len);
                }
                out += len;
            } while (in < inFast && out <= outFast);
            w = static_cast<unsigned>(out - s);
            continue;
        endOfBlockFast:
            w = static_cast<unsigned>(out - s);
            goto endOfBlock;
        corruptFast:
            w = static_cast<unsigned>(out - s);
            goto corrupt;
        }

        // Careful path: one symbol, exactly the bits it needs, hand-over checks.
        std::uint32_t e = lookUp(lt, lbits);
        if ((e & (kSpecial | kLink)) == (kSpecial | kLink)) {
            drop(DropBits(e));
            e = lookUp(lt + Value(e), CodeBits(e));
        }
        if (e & kLiteral) {
            drop(CodeBits(e)); // of a pair, the first literal only
            s[w++] = static_cast<std::uint8_t>(Value(e));
            if (w == flushAt_) {
                syncOut();
                HandOver();
                syncIn();
            }
            continue;
        }
        if (e & kSpecial) {
            if ((e & kEnd) == 0) goto corrupt;
            drop(DropBits(e));
            goto endOfBlock;
        }
        need(DropBits(e));
        unsigned len = take(e);

        std::uint32_t d = lookUp(dt, dbits);
        if ((d & (kSpecial | kLink)) == (kSpecial | kLink)) {
            drop(DropBits(d));
            d = lookUp(dt + Value(d), CodeBits(d));
        }
        if (d & kSpecial) goto corrupt;
        need(DropBits(d));
        const unsigned dist = take(d);

        // In pieces that end at the next hand-over.
        while (len > 0) {
            const unsigned piece = std::min(len, flushAt_ - w);
            if (dist > w) {
                CopyNearStart(w, dist, piece);
            } else {
                CopyMatch(s + w, dist, piece);
            }
            w += piece;
            len -= piece;
            if (w == flushAt_) {
                syncOut();
                HandOver();
                syncIn();
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

int Inflater::Codes(const TInflateTable& tl, const TInflateTable& td) {
#ifdef DAYSCRIB_INFLATE_BMI2
    if (HaveBmi2()) return CodesBmi2(tl, td);
#endif
    return CodesLoop(tl, td);
}

#ifdef DAYSCRIB_INFLATE_BMI2
__attribute__((target("bmi2"))) int Inflater::CodesBmi2(const TInflateTable& tl,
                                                        const TInflateTable& td) {
    return CodesLoop(tl, td);
}
#endif

} // namespace

int Inflate(TUnZipWork& work) {
    if (!work.InflateScratch)
        work.InflateScratch = {new TInflateScratch, [](TInflateScratch* p) { delete p; }};
    Inflater inflater(work, *work.InflateScratch);
    return inflater.Run();
}
