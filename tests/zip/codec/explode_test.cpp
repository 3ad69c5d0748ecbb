// Explode over hand-made streams (the comments give the trees and the bits)
// and over long streams from a small test imploder, in all four variants.
#include "bit_writer.h"
#include "legacy_support.h"
#include "zip/hooks.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using codectest::BitWriter;
using codectest::CanonicalCodes;
using codectest::RunLegacy;

namespace {

constexpr std::uint16_t k8K = 2, kLiteralTree = 4;

// A tree's length list: runs of equal lengths, up to 16 per byte (high
// nibble count - 1, low nibble length - 1), after a byte giving the number
// of run bytes - 1.
void TreeList(BitWriter& w, const std::vector<unsigned>& lengths) {
    std::vector<std::uint8_t> runs;
    for (std::size_t i = 0; i < lengths.size();) {
        std::size_t j = i;
        while (j < lengths.size() && lengths[j] == lengths[i] && j - i < 16)
            ++j;
        runs.push_back(static_cast<std::uint8_t>((j - i - 1) << 4 | (lengths[i] - 1)));
        i = j;
    }
    w.Byte(static_cast<std::uint8_t>(runs.size() - 1));
    for (std::uint8_t b : runs)
        w.Byte(b);
}

// Complete codes with lengths on both sides of the decoder's lookup bits, so
// that sub-tables are used: literals 6, 7, 9 and 10 bits; lengths and
// distances 4, 5, 7 and 8 bits.
std::vector<unsigned> LiteralLengths() {
    std::vector<unsigned> l(256);
    for (unsigned s = 0; s < 256; ++s)
        l[s] = s < 32 ? 6 : s < 64 ? 7 : s < 128 ? 9 : 10;
    return l;
}
std::vector<unsigned> SixtyFourLengths() {
    std::vector<unsigned> l(64);
    for (unsigned s = 0; s < 64; ++s)
        l[s] = s < 8 ? 4 : s < 16 ? 5 : s < 32 ? 7 : 8;
    return l;
}

// Imploded codes are stored inverted, first code bit first.
struct Tree {
    std::vector<unsigned> lengths;
    std::vector<std::uint32_t> codes;
    explicit Tree(std::vector<unsigned> l)
        : lengths(std::move(l)), codes(CanonicalCodes(lengths)) {}
    void Put(BitWriter& w, unsigned s) const {
        w.Code(~codes[s] & ((1u << lengths[s]) - 1), lengths[s]);
    }
};

// A test imploder: the trees above (or any given), greedy matches found by a
// plain search over the dictionary.
struct TestImploder {
    std::uint16_t flags;
    Tree lit{LiteralLengths()}, len{SixtyFourLengths()}, dist{SixtyFourLengths()};
    int matches = 0, longest = 0, farthest = 0;

    void Header(BitWriter& w) const {
        if (flags & kLiteralTree) TreeList(w, lit.lengths);
        TreeList(w, len.lengths);
        TreeList(w, dist.lengths);
    }
    void Literal(BitWriter& w, unsigned char c) const {
        w.Bits(1, 1);
        if (flags & kLiteralTree)
            lit.Put(w, c);
        else
            w.Bits(c, 8);
    }
    // A match of `n` bytes from `d` back: the raw low distance bits, the
    // distance code, the length code and, for the last length code, 8 bits.
    void Match(BitWriter& w, unsigned n, unsigned d) const {
        const unsigned lowBits = flags & k8K ? 7 : 6;
        const unsigned minimum = flags & kLiteralTree ? 3 : 2;
        w.Bits(0, 1);
        w.Bits((d - 1) & ((1u << lowBits) - 1), lowBits);
        dist.Put(w, (d - 1) >> lowBits);
        unsigned code = n - minimum < 63 ? n - minimum : 63;
        len.Put(w, code);
        if (code == 63) w.Bits(n - minimum - 63, 8);
    }
    std::string Encode(const std::string& in) {
        const unsigned maxDist = flags & k8K ? 8192 : 4096;
        const unsigned minimum = flags & kLiteralTree ? 3 : 2;
        const unsigned maxLen = minimum + 63 + 255;
        BitWriter w;
        Header(w);
        for (std::size_t p = 0; p < in.size();) {
            unsigned best = 0, bestDist = 0;
            for (unsigned d = 1; d <= maxDist && d <= p; ++d) {
                unsigned n = 0;
                while (n < maxLen && p + n < in.size() && in[p + n] == in[p + n - d])
                    ++n;
                if (n > best) best = n, bestDist = d;
            }
            if (best >= minimum) {
                Match(w, best, bestDist);
                ++matches;
                longest = std::max<int>(longest, static_cast<int>(best));
                farthest = std::max<int>(farthest, static_cast<int>(bestDist));
                p += best;
            } else {
                Literal(w, static_cast<unsigned char>(in[p++]));
            }
        }
        return w.Take();
    }
};

std::string Sample(std::size_t size, unsigned seed) {
    static const char* const words[] = {"Licensed ", "under ", "the ",   "terms ",
                                        "of ",       "this ",  "\r\n",   "Work ",
                                        "Source ",   "Object", "form. ", "copy "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        s += words[rng() % 12];
        if (rng() % 6 == 0) s += static_cast<char>(rng());
        if (rng() % 40 == 0 && s.size() > 8000) s += s.substr(s.size() - 8000 + rng() % 4000, 330);
    }
    s.resize(size);
    return s;
}

codectest::LegacyOutcome Exploded(std::uint16_t flags, const std::string& data, std::int64_t size) {
    return RunLegacy(6, flags, data, size);
}

} // namespace

// Flags 0: no literal tree. Literal 'a' is a 1 bit and 8 raw bits; a match
// with length code 0 is 2 bytes long (the shortest match without a literal
// tree): low distance bits 0 and distance code 0 give distance 1: "aaa".
TEST(Explode, WithoutLiteralTreeLiteralsAreRawAndTheShortestMatchIsTwo) {
    TestImploder x{0};
    BitWriter w;
    x.Header(w);
    w.Bits(1, 1);
    w.Bits('a', 8); // raw, not inverted
    x.Match(w, 2, 1);
    auto o = Exploded(0, w.Take(), 3);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "aaa");
    // With a literal tree the same length code means 3 bytes.
    TestImploder t{kLiteralTree};
    BitWriter v;
    t.Header(v);
    t.Literal(v, 'a');
    t.Match(v, 3, 1);
    auto p = Exploded(kLiteralTree, v.Take(), 4);
    EXPECT_EQ(p.result, 0);
    EXPECT_EQ(p.out, "aaaa");
}

// 'x', then a match of 4 from 3 back, two bytes before the member's start:
// those read as zeros, never as bytes left by an earlier member.
TEST(Explode, MatchBeforeTheStartReadsZeros) {
    for (std::uint16_t flags : {0, 2, 4, 6}) {
        SCOPED_TRACE(flags);
        TestImploder x{flags};
        BitWriter w;
        x.Header(w);
        x.Literal(w, 'x');
        x.Match(w, 4, 3);
        std::string data = w.Take();
        EXPECT_EQ(Exploded(flags, data, 5).out, std::string("x\0\0x\0", 5));
        // A member of 40,000 bytes leaves text in the whole window.
        TUnZipWork work;
        std::string text = Sample(40000, 3);
        ASSERT_EQ(RunLegacy(6, flags, x.Encode(text), 40000, &work).out, text);
        EXPECT_EQ(RunLegacy(6, flags, data, 5, &work).out, std::string("x\0\0x\0", 5));
    }
}

// The last length code carries 8 more bits: 63 + 200 + 3 = 266 bytes.
TEST(Explode, LastLengthCodeAddsEightBits) {
    TestImploder x{kLiteralTree | k8K};
    BitWriter w;
    x.Header(w);
    x.Literal(w, 'z');
    x.Match(w, 266, 1);
    auto o = Exploded(kLiteralTree | k8K, w.Take(), 267);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, std::string(267, 'z'));
}

// The dictionary size sets the raw low distance bits: the same distance
// code 1 with low bits 5 is 64 + 5 + 1 = 70 back with 4 KiB, but 128 + 5 + 1
// back with 8 KiB, where the low bits are 7 wide.
TEST(Explode, DictionarySizeSetsTheLowDistanceBits) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += static_cast<char>('!' + i % 90);
    for (std::uint16_t flags : {0, 2}) {
        TestImploder x{flags};
        BitWriter w;
        x.Header(w);
        for (char c : text)
            x.Literal(w, static_cast<unsigned char>(c));
        const unsigned lowBits = flags ? 7 : 6;
        w.Bits(0, 1);
        w.Bits(5, lowBits);
        x.dist.Put(w, 1);
        x.len.Put(w, 1); // 3 bytes
        auto o = Exploded(flags, w.Take(), 203);
        unsigned d = (flags ? 128 : 64) + 5 + 1;
        ASSERT_EQ(o.out.size(), 203u);
        EXPECT_EQ(o.out.substr(200), text.substr(200 - d, 3));
    }
}

// Tree lists that run past their tree, end short of it, or give a code that
// is incomplete or over-subscribed: nothing is decoded.
TEST(Explode, BadTreesAreRefused) {
    auto header = [](const std::vector<std::vector<unsigned>>& trees) {
        BitWriter w;
        for (const auto& t : trees)
            TreeList(w, t);
        w.Bits(1, 1);
        w.Bits('q', 8);
        return w.Take();
    };
    std::vector<unsigned> good = SixtyFourLengths();
    std::vector<unsigned> tooLong(65, 6), tooShort(63, 6), incomplete(64, 7), over(64, 5);
    EXPECT_EQ(Exploded(0, header({tooLong, good}), 1).result, 4);
    EXPECT_EQ(Exploded(0, header({good, tooShort}), 1).result, 4);
    EXPECT_EQ(Exploded(0, header({incomplete, good}), 1).result, 1);
    EXPECT_EQ(Exploded(0, header({good, over}), 1).result, 2);
    EXPECT_EQ(Exploded(0, header({good, good}), 1).out, "q");
    for (const auto& bad : {tooLong, tooShort, incomplete, over})
        EXPECT_EQ(Exploded(0, header({bad, good}), 1).out, "");
    // A list byte whose run goes past the end: one run of 16 after 56 lengths.
    BitWriter w;
    w.Byte(4);
    for (int i = 0; i < 3; ++i)
        w.Byte(0xF5); // 16 lengths of 6
    w.Byte(0x75);     // 8 more: 56
    w.Byte(0xF5);     // 16 more: 72, past 64
    EXPECT_EQ(Exploded(0, w.Take(), 1).result, 4);
}

// A corrupt tree of nothing but 16-bit codes is refused as incomplete, with
// no message box and no table of 2^16 entries.
TEST(Explode, TreeOfOnlyLongCodesFailsQuietly) {
    std::vector<std::string> messages;
    EngineHooks().MessageBox = [&messages](const std::string& text, const std::string&) {
        messages.push_back(text);
    };
    BitWriter w;
    TreeList(w, std::vector<unsigned>(256, 16));
    TreeList(w, SixtyFourLengths());
    TreeList(w, SixtyFourLengths());
    auto o = Exploded(kLiteralTree, w.Take(), 10);
    EngineHooks().MessageBox = nullptr;
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(messages.empty());
}

// A member of more than 200,000 compressed bytes gets a first-level distance
// table of 8 bits instead of 7 (the output is the same).
TEST(Explode, LargeMembersUseEightDistanceLookupBits) {
    TestImploder x{0};
    BitWriter w;
    x.Header(w);
    x.Literal(w, 'k');
    std::string data = w.Take();
    std::string padded = data + std::string(200001 - data.size(), '\0');
    TUnZipWork small, large;
    TMemoryStream in1(data), out1, in2(padded), out2;
    small.StartMember(in1, out1, static_cast<std::int64_t>(data.size()), 1);
    large.StartMember(in2, out2, static_cast<std::int64_t>(padded.size()), 1);
    EXPECT_EQ(Explode(small, 0), 0);
    EXPECT_EQ(Explode(large, 0), 0);
    EXPECT_EQ(out1.ToString(), "k");
    EXPECT_EQ(out2.ToString(), "k");
    // Length table: 2^7 entries plus sub-tables for the 8-bit codes, both
    // times; distance table the same at 7 bits, a plain 2^8 at 8 bits.
    EXPECT_EQ(large.TableCount - small.TableCount, 256 - (128 + 16 * 2));
}

TEST(Explode, CorruptSizeDoesNotKeepItDecodingFiller) {
    TestImploder x{kLiteralTree};
    BitWriter w;
    x.Header(w);
    x.Literal(w, 'k');
    auto o = Exploded(kLiteralTree, w.Take(), std::int64_t{1} << 40);
    EXPECT_NE(o.result, 0);
    EXPECT_LT(o.out.size(), 1u << 20);
}

TEST(Explode, EveryVariantRoundTripsAcrossTheWindow) {
    std::string text = Sample(90000, 11); // almost three 32 KiB windows
    for (std::uint16_t flags : {0, 2, 4, 6}) {
        SCOPED_TRACE(flags);
        TestImploder x{flags};
        std::string packed = x.Encode(text);
        EXPECT_GT(x.matches, 1000);
        EXPECT_GT(x.longest, 66);                         // the last length code
        EXPECT_GT(x.farthest, flags & k8K ? 4096 : 2048); // far distance codes
        auto o = Exploded(flags, packed, static_cast<std::int64_t>(text.size()));
        EXPECT_EQ(o.result, 0);
        ASSERT_EQ(o.out.size(), text.size());
        EXPECT_TRUE(o.out == text);
    }
}
