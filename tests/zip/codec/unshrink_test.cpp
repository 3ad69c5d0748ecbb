// Unshrink over hand-made code sequences (each comment lists the codes and
// what the decoder's table holds after them) and over long streams from a
// small test encoder that keeps the same table as the decoder, so that code
// sizes up to 13 bits, a full table and partial clearing are all reached.
#include "bit_writer.h"
#include "legacy_support.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using codectest::BitWriter;
using codectest::RunLegacy;

namespace {

// Codes of `size` bits each (9 unless given), first bit lowest.
std::string Codes(std::initializer_list<std::pair<unsigned, unsigned>> codes) {
    BitWriter w;
    for (auto [code, size] : codes)
        w.Bits(code, size);
    return w.Take();
}
std::string Codes9(std::initializer_list<unsigned> codes) {
    BitWriter w;
    for (unsigned c : codes)
        w.Bits(c, 9);
    return w.Take();
}

codectest::LegacyOutcome Unshrink(const std::string& data) {
    return RunLegacy(1, 0, data, 1 << 24);
}

// A shrinker for tests: greedy LZW that mirrors the decoder's table (the
// entry a code defines is only known after the next code, partial clearing
// frees every code that is no other code's prefix), widening the codes with
// 256 1 when a code needs it and, when asked, clearing with 256 2 whenever
// the table is full.
class TestShrinker {
public:
    int clears = 0, widenings = 0, undefinedUses = 0;
    unsigned codeSize = 9;

    std::string Encode(const std::string& in, bool clearWhenFull) {
        for (unsigned c = 257; c <= 8192; ++c)
            prefix_[c] = -1;
        BitWriter w;
        if (in.empty()) return w.Take();
        auto byte = [&in](std::size_t i) { return static_cast<unsigned char>(in[i]); };
        unsigned prev = byte(0);
        w.Bits(prev, 9);
        std::size_t p = 1;
        while (p < in.size()) {
            if (free_ == 8192 && clearWhenFull) {
                w.Bits(256, codeSize);
                w.Bits(2, codeSize);
                PartialClear();
                ++clears;
            }
            unsigned pending = free_;
            if (free_ < 8192) {
                prefix_[free_] = static_cast<int>(prev);
                suffix_[free_] = byte(p);
                // An entry whose prefix was just freed (or is itself) means
                // nothing useful; the decoder holds it, the encoder never uses it.
                if ((prev < 257 || prefix_[prev] != -1) && prev != free_)
                    dict_.emplace(std::make_pair(prev, byte(p)), free_);
                do
                    ++free_;
                while (free_ < 8192 && prefix_[free_] != -1);
            }
            unsigned code = byte(p++);
            for (auto it = dict_.end(); p < in.size();) {
                it = dict_.find({code, byte(p)});
                if (it == dict_.end()) break;
                code = it->second;
                ++p;
            }
            if (code == pending) ++undefinedUses;
            while (code >= (1u << codeSize)) {
                w.Bits(256, codeSize);
                w.Bits(1, codeSize);
                ++codeSize;
                ++widenings;
            }
            w.Bits(code, codeSize);
            prev = code;
        }
        return w.Take();
    }

private:
    int prefix_[8193] = {};
    unsigned suffix_[8193] = {};
    unsigned free_ = 257;
    std::map<std::pair<unsigned, unsigned>, unsigned> dict_;

    void PartialClear() {
        std::vector<bool> parent(8192, false);
        for (unsigned c = 257; c < 8192; ++c)
            if (prefix_[c] >= 257) parent[static_cast<unsigned>(prefix_[c])] = true;
        for (unsigned c = 257; c < 8192; ++c)
            if (!parent[c]) prefix_[c] = -1;
        for (auto it = dict_.begin(); it != dict_.end();)
            it = prefix_[it->second] == -1 ? dict_.erase(it) : std::next(it);
        free_ = 257;
        while (free_ < 8192 && prefix_[free_] != -1)
            ++free_;
    }
};

// Text from a small vocabulary: repetitive enough for long strings, varied
// enough to fill the table many times over.
std::string Words(std::size_t size, unsigned seed) {
    static const char* const words[] = {"diary ", "entry ", "week ", "month ", "year ",
                                        "the ",   "of ",    "and ",  "day ",   "\r\n",
                                        "note ",  "rain ",  "sun ",  "walk ",  "1999 "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        s += words[rng() % 15];
        if (rng() % 7 == 0) s += static_cast<char>('A' + rng() % 26);
    }
    s.resize(size);
    return s;
}

} // namespace

TEST(UnShrink, EmptyDataGivesNothing) {
    auto o = Unshrink("");
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.crc, 0u);
}

// 'a' then 257, which is not defined yet: it is the previous string plus its
// own first byte, "aa".
TEST(UnShrink, UndefinedCodeIsThePreviousStringPlusItsFirstByte) {
    EXPECT_EQ(Unshrink(Codes9({'a', 257})).out, "aaa");
}

// 'a'; 256 7 (unknown sub-code, ignored); 'b' defines 257 = "ab"; 257.
TEST(UnShrink, UnknownSubCodeIsIgnored) {
    auto o = Unshrink(Codes9({'a', 256, 7, 'b', 257}));
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "abab");
}

// 'a'; 256 1 at 9 bits; then 'b' and 257 at 10 bits. Read at 9 bits the
// tail would decode as other codes.
TEST(UnShrink, SubCodeOneWidensTheCodes) {
    auto o = Unshrink(Codes({{'a', 9}, {256, 9}, {1, 9}, {'b', 10}, {257, 10}}));
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "abab");
}

// Four widenings take the codes to 13 bits; a fifth would go past the
// table, so the decoder stops there.
TEST(UnShrink, CodeSizePastThirteenStops) {
    BitWriter w;
    w.Bits('a', 9);
    for (unsigned size = 9; size <= 13; ++size) {
        w.Bits(256, size);
        w.Bits(1, size);
    }
    w.Bits('b', 13);
    auto o = Unshrink(w.Take());
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "a");
}

// a b 257 258 257 defines 257 = "ab", 258 = "ba", 259 = 257+b = "abb",
// 260 = 258+a = "baa". 256 2 frees the leaves 259 and 260 and keeps 257 and
// 258 (prefixes of others). Then c defines 259 = 257+c = "abc" (the reused
// code), 259 gives "abc", 258 still gives "ba".
TEST(UnShrink, PartialClearFreesLeafCodesOnly) {
    auto o = Unshrink(Codes9({'a', 'b', 257, 258, 257, 256, 2, 'c', 259, 258}));
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, std::string("a") + "b" + "ab" + "ba" + "ab" + "c" + "abc" + "ba");
    // Without the clear, 259 would still be "abb".
    auto kept = Unshrink(Codes9({'a', 'b', 257, 258, 257, 'c', 259, 258}));
    EXPECT_EQ(kept.out, std::string("a") + "b" + "ab" + "ba" + "ab" + "c" + "abb" + "ba");
}

// a b 257 defines 257 = "ab" and 258 = "ba"; 256 2 frees both (leaves),
// including the previous code 257. x then defines the lowest free code, 257,
// with the previous code 257 as its prefix: a code that names itself. Using
// it must stop the decoder, not loop or overrun the stack.
TEST(UnShrink, CodeThatNamesItselfStops) {
    auto o = Unshrink(Codes9({'a', 'b', 257, 256, 2, 'x', 257, 'y'}));
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "ababx");
}

// a b 257 258 defines 257 = "ab", 258 = "ba", 259 = 257+b; 256 2 frees the
// leaves 258 and 259. The next code, 258, is then undefined and also the
// previous code: the undefined-code rule leads from 258 back to 258 for ever.
// The decoder stops at the stack's end instead of looping or overrunning it.
TEST(UnShrink, LoopThroughFreedCodesStops) {
    auto o = Unshrink(Codes9({'a', 'b', 257, 258, 256, 2, 258, 'z'}));
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "ababba");
}

// The table is reset for every member: a member after a long one decodes as
// if it came first.
TEST(UnShrink, TablesDoNotCarryOverBetweenMembers) {
    TestShrinker big;
    std::string text = Words(60000, 3);
    std::string first = big.Encode(text, true);
    TUnZipWork work;
    EXPECT_EQ(RunLegacy(1, 0, first, 1 << 24, &work).out, text);
    EXPECT_EQ(RunLegacy(1, 0, Codes9({'a', 257}), 1 << 24, &work).out, "aaa");
}

TEST(UnShrink, LongStreamWithPartialClearsRoundTrips) {
    std::string text = Words(400000, 1);
    TestShrinker enc;
    std::string packed = enc.Encode(text, true);
    EXPECT_EQ(enc.codeSize, 13u);
    EXPECT_EQ(enc.widenings, 4);
    EXPECT_GE(enc.clears, 3);
    EXPECT_GT(enc.undefinedUses, 0);
    auto o = Unshrink(packed);
    EXPECT_EQ(o.result, 0);
    ASSERT_EQ(o.out.size(), text.size());
    EXPECT_TRUE(o.out == text);
}

// Without clearing, a full table simply stops growing.
TEST(UnShrink, FullTableWithoutClearingRoundTrips) {
    std::string text = Words(200000, 2);
    TestShrinker enc;
    std::string packed = enc.Encode(text, false);
    EXPECT_EQ(enc.clears, 0);
    EXPECT_EQ(enc.codeSize, 13u);
    auto o = Unshrink(packed);
    EXPECT_EQ(o.result, 0);
    EXPECT_TRUE(o.out == text);
}

// Random bytes shrink badly: every string is short, codes stay literal-heavy.
TEST(UnShrink, RandomBytesRoundTrip) {
    std::mt19937 rng(5);
    std::string text(50000, '\0');
    for (char& c : text)
        c = static_cast<char>(rng());
    TestShrinker enc;
    auto o = Unshrink(enc.Encode(text, true));
    EXPECT_EQ(o.result, 0);
    EXPECT_TRUE(o.out == text);
}
