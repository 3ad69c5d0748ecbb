// Inflate over long random streams made here, symbol by symbol: every
// distance from 1 to 32,768 and every length, literals in runs, codes long
// enough to need second-level tables, stored blocks at every alignment and
// across the points where output is handed on, members that end at every
// byte around the places where the decoder's fast path gives way, and
// enough output for the window to slide several times. The result must be
// the reference expansion, handed on in blocks of exactly 16,000 bytes, and
// what Python's zlib makes of the same stream.
#include "bit_writer.h"
#include "deflate_test_support.h"
#include "zip/codec/crc32.h"
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/stream.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using codectest::BitWriter;
using codectest::CanonicalCodes;
using codectest::CompleteLengths;
using codectest::DynamicHeader;
using codectest::FixedSymbol;
using codectest::kDistBase;
using codectest::kDistExtra;
using codectest::kLengthBase;
using codectest::kLengthExtra;

namespace {

struct TSymbol {
    unsigned length; // a literal byte when distance is 0
    unsigned distance;
};

// The code and extra bits of a length (3-258) or distance (1-32768).
unsigned CodeOf(unsigned value, const std::uint16_t* base, unsigned n) {
    unsigned c = n - 1;
    while (base[c] > value)
        --c;
    return c;
}

// Writes the symbols with the given codes (canonical, from lengths).
class TCoder {
public:
    TCoder(std::vector<unsigned> lit, std::vector<unsigned> dist)
        : litLen_(std::move(lit)), distLen_(std::move(dist)), litCode_(CanonicalCodes(litLen_)),
          distCode_(CanonicalCodes(distLen_)) {}
    void Put(BitWriter& w, const TSymbol& s) const {
        if (s.distance == 0) {
            Lit(w, s.length);
            return;
        }
        const unsigned lc = CodeOf(s.length, kLengthBase, 29);
        Lit(w, 257 + lc);
        w.Bits(s.length - kLengthBase[lc], kLengthExtra[lc]);
        const unsigned dc = CodeOf(s.distance, kDistBase, 30);
        if (fixed_)
            w.Code(dc, 5);
        else
            w.Code(distCode_[dc], distLen_[dc]);
        w.Bits(s.distance - kDistBase[dc], kDistExtra[dc]);
    }
    void Lit(BitWriter& w, unsigned sym) const {
        if (fixed_)
            FixedSymbol(w, sym);
        else
            w.Code(litCode_[sym], litLen_[sym]);
    }
    const std::vector<unsigned>& LitLengths() const { return litLen_; }
    const std::vector<unsigned>& DistLengths() const { return distLen_; }
    static TCoder Fixed() {
        TCoder c({}, {});
        c.fixed_ = true;
        return c;
    }

private:
    std::vector<unsigned> litLen_, distLen_;
    std::vector<std::uint32_t> litCode_, distCode_;
    bool fixed_ = false;
};

// Symbols that add about `bytes` of output to `ref`, valid against what it
// already holds.
std::vector<TSymbol> RandomSymbols(std::mt19937& rng, std::string& ref, std::size_t bytes) {
    std::vector<TSymbol> out;
    const std::size_t end = ref.size() + bytes;
    while (ref.size() < end) {
        const unsigned pick = rng() % 16;
        if (ref.empty() || pick < 5) {
            const unsigned run = 1 + rng() % 6;
            for (unsigned i = 0; i < run; ++i) {
                const unsigned c = rng() % 3 == 0 ? rng() % 256 : 'a' + rng() % 8;
                out.push_back({c, 0});
                ref.push_back(static_cast<char>(c));
            }
            continue;
        }
        unsigned len = pick < 12 ? 3 + rng() % 14 : 3 + rng() % 256;
        const std::size_t reach = std::min<std::size_t>(ref.size(), 32768);
        unsigned dist = pick % 3 == 0
                            ? 1 + static_cast<unsigned>(rng() % reach)
                            : 1 + static_cast<unsigned>(rng() % std::min<std::size_t>(reach, 40));
        out.push_back({len, dist});
        for (unsigned i = 0; i < len; ++i)
            ref.push_back(ref[ref.size() - dist]);
    }
    return out;
}

// Records the size of every block handed on.
class TBlockStream : public TMemoryStream {
public:
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        sizes.push_back(count);
        return TMemoryStream::Write(buffer, count);
    }
    std::vector<std::int64_t> sizes;
};

void ExpectInflatesTo(const std::string& stream, const std::string& ref, TUnZipWork& work) {
    // The archive goes on after the member: nothing of it may be read.
    TMemoryStream in(stream + std::string(64, '\xA5'));
    TBlockStream out;
    work.StartMember(in, out, static_cast<std::int64_t>(stream.size()),
                     static_cast<std::int64_t>(ref.size()));
    ASSERT_EQ(Inflate(work), 0);
    EXPECT_EQ(work.FillerBytes(), 0);
    ASSERT_EQ(out.Size(), static_cast<std::int64_t>(ref.size()));
    EXPECT_TRUE(out.ToString() == ref) << "output differs";
    EXPECT_EQ(work.FinalCrc(), Crc32Of(ref.data(), ref.size()));
    for (std::size_t i = 0; i + 1 < out.sizes.size(); ++i)
        ASSERT_EQ(out.sizes[i], 16000) << "block " << i;
}

} // namespace

TEST(InflateStreams, EveryShortDistanceWithEveryLength) {
    // "abcdefgh..." then, for each distance 1-40, matches of every length.
    std::string ref;
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    const TCoder fixed = TCoder::Fixed();
    for (unsigned c = 0; c < 40; ++c) {
        fixed.Put(w, {'A' + c, 0});
        ref.push_back(static_cast<char>('A' + c));
    }
    for (unsigned dist = 1; dist <= 40; ++dist) {
        for (unsigned len = 3; len <= 258; ++len) {
            fixed.Put(w, {len, dist});
            for (unsigned i = 0; i < len; ++i)
                ref.push_back(ref[ref.size() - dist]);
            fixed.Put(w, {'0' + len % 10, 0}); // breaks the pattern between matches
            ref.push_back(static_cast<char>('0' + len % 10));
        }
    }
    fixed.Lit(w, 256);
    TUnZipWork work;
    ExpectInflatesTo(w.Take(), ref, work);
}

TEST(InflateStreams, RandomBlocksOfEveryKindAcrossSlidesOfTheWindow) {
    std::mt19937 rng(77);
    std::string ref;
    BitWriter w;
    for (int block = 0; block < 12; ++block) {
        const bool last = block == 11;
        if (block % 4 == 3) {
            // A stored block of 40,000 bytes: it crosses a hand-over.
            w.Bits(last ? 1 : 0, 1);
            w.Bits(0, 2);
            w.AlignToByte();
            w.Bits(40000, 16);
            w.Bits(~40000u & 0xFFFF, 16);
            for (int i = 0; i < 40000; ++i) {
                const auto c = static_cast<std::uint8_t>(rng());
                w.Byte(c);
                ref.push_back(static_cast<char>(c));
            }
            continue;
        }
        const std::vector<TSymbol> symbols = RandomSymbols(rng, ref, 60000);
        if (block % 2 == 0) {
            w.Bits(last ? 1 : 0, 1);
            w.Bits(1, 2);
            const TCoder fixed = TCoder::Fixed();
            for (const TSymbol& s : symbols)
                fixed.Put(w, s);
            fixed.Lit(w, 256);
        } else {
            // Lengths up to 15 bits: many codes need the second-level tables.
            const TCoder coder(CompleteLengths(rng, 286, 15), CompleteLengths(rng, 30, 15));
            DynamicHeader(w, last, coder.LitLengths(), coder.DistLengths());
            for (const TSymbol& s : symbols)
                coder.Put(w, s);
            coder.Lit(w, 256);
        }
    }
    ASSERT_GT(ref.size(), 500000u);
    TUnZipWork work;
    const std::string stream = w.Take();
    ExpectInflatesTo(stream, ref, work);
    // The same work area again: nothing of the first run may leak into the second.
    ExpectInflatesTo(stream, ref, work);
}

// Streams made here, the reference expansion of each, and zlib's.
class TPeerCheck {
public:
    void Add(std::string stream, std::string ref) {
        streams_.push_back(std::move(stream));
        refs_.push_back(std::move(ref));
    }
    void Run() {
        const std::vector<std::string> peer = deflatetest::PythonInflateAll(streams_);
        ASSERT_EQ(peer.size(), streams_.size());
        TUnZipWork work;
        for (std::size_t i = 0; i < streams_.size(); ++i) {
            ASSERT_TRUE(peer[i] == refs_[i]) << "zlib reads stream " << i << " otherwise";
            ExpectInflatesTo(streams_[i], refs_[i], work);
            if (::testing::Test::HasFailure()) FAIL() << "stream " << i;
        }
    }

private:
    std::vector<std::string> streams_, refs_;
};

// Random bytes as one stored block (not the last), for history.
void StoredHistory(BitWriter& w, std::mt19937& rng, std::string& ref, unsigned n) {
    w.Bits(0, 1);
    w.Bits(0, 2);
    w.AlignToByte();
    w.Bits(n, 16);
    w.Bits(~n & 0xFFFF, 16);
    for (unsigned i = 0; i < n; ++i) {
        const auto c = static_cast<std::uint8_t>(rng());
        w.Byte(c);
        ref.push_back(static_cast<char>(c));
    }
}

TEST(InflatePeer, EveryDistanceAndEveryLengthInFixedAndDynamicBlocks) {
    std::mt19937 rng(31);
    TPeerCheck check;
    for (bool dynamic : {false, true}) {
        std::string ref;
        BitWriter w;
        StoredHistory(w, rng, ref, 32768);
        const TCoder coder =
            dynamic ? TCoder(CompleteLengths(rng, 286, 15), CompleteLengths(rng, 30, 15))
                    : TCoder::Fixed();
        if (dynamic)
            DynamicHeader(w, true, coder.LitLengths(), coder.DistLengths());
        else {
            w.Bits(1, 1);
            w.Bits(1, 2);
        }
        // Every distance once, the lengths going round 3 to 258; a literal
        // between matches so that no two merge.
        for (unsigned dist = 1; dist <= 32768; ++dist) {
            const unsigned len = 3 + (dist * 7 + (dynamic ? 100 : 0)) % 256;
            coder.Put(w, {len, dist});
            for (unsigned i = 0; i < len; ++i)
                ref.push_back(ref[ref.size() - dist]);
            const unsigned c = rng() % 256;
            coder.Put(w, {c, 0});
            ref.push_back(static_cast<char>(c));
        }
        coder.Lit(w, 256);
        check.Add(w.Take(), ref);
    }
    check.Run();
}

TEST(InflatePeer, StoredBlocksAtEveryAlignment) {
    // Before each stored block a fixed block of 9-bit and 8-bit literals puts
    // its header at every bit and its data at every byte of an 8-byte word;
    // after it a match reaches back into it.
    std::mt19937 rng(32);
    TPeerCheck check;
    const TCoder fixed = TCoder::Fixed();
    for (unsigned nine = 0; nine < 8; ++nine) {
        for (unsigned eight = 0; eight < 16; ++eight) {
            for (unsigned length : {0u, 1u, 7u, 8u, 9u, 16u, 17u, 300u}) {
                std::string ref;
                BitWriter w;
                w.Bits(0, 1);
                w.Bits(1, 2);
                for (unsigned i = 0; i < nine + eight; ++i) {
                    const unsigned c = i < nine ? 144 + rng() % 112 : rng() % 144;
                    fixed.Put(w, {c, 0});
                    ref.push_back(static_cast<char>(c));
                }
                fixed.Lit(w, 256);
                StoredHistory(w, rng, ref, length);
                w.Bits(1, 1);
                w.Bits(1, 2);
                if (!ref.empty()) {
                    const unsigned dist = 1 + rng() % static_cast<unsigned>(ref.size());
                    fixed.Put(w, {20, dist});
                    for (unsigned i = 0; i < 20; ++i)
                        ref.push_back(ref[ref.size() - dist]);
                }
                fixed.Lit(w, 256);
                check.Add(w.Take(), ref);
            }
        }
    }
    check.Run();
}

TEST(InflatePeer, MembersEndingAtEveryByteAroundTheEndsOfAChunkOfInput) {
    // A member's last code may end on any byte: near its end, and near the
    // end of each 16,000-byte chunk of input, the decoder leaves its fast
    // path; nothing may be lost, and no filler read, on any of those bytes.
    std::mt19937 rng(33);
    TPeerCheck check;
    const TCoder fixed = TCoder::Fixed();
    std::vector<unsigned> counts;
    for (unsigned n = 0; n <= 40; ++n)
        counts.push_back(n);
    for (unsigned n = 15980; n <= 16020; ++n)
        counts.push_back(n);
    for (unsigned n = 31980; n <= 32020; n += 3)
        counts.push_back(n);
    for (unsigned n : counts) {
        // n literals of eight bits and a match in a fixed block: n + 3 bytes
        // in all, the match among the last codes.
        std::string ref;
        BitWriter w;
        w.Bits(1, 1);
        w.Bits(1, 2);
        for (unsigned i = 0; i <= n; ++i) {
            const unsigned c = rng() % 144;
            fixed.Put(w, {c, 0});
            ref.push_back(static_cast<char>(c));
        }
        fixed.Put(w, {3, 1});
        ref += std::string(3, ref.back());
        fixed.Lit(w, 256);
        check.Add(w.Take(), ref);
    }
    check.Run();
}
