// Unreduce over hand-made streams (the comments give the bytes before the
// follower coding) and over long streams from a small test reducer, for
// every factor.
#include "bit_writer.h"
#include "legacy_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

using codectest::BitWriter;
using codectest::RunLegacy;

namespace {

using FollowerSets = std::array<std::vector<unsigned char>, 256>;

unsigned IndexBitsFor(std::size_t n) {
    unsigned bits = 1;
    while ((std::size_t{1} << bits) < n)
        ++bits;
    return bits;
}

// The follower coding of a byte sequence: the sets (for 255 down to 0, a
// 6-bit size and 8-bit members), then per byte an index into the previous
// byte's set (bit 0 first) or the raw byte (bit 1 first; no flag after a
// byte whose set is empty).
std::string FollowerCode(const std::vector<unsigned>& bytes, const FollowerSets& sets) {
    BitWriter w;
    for (int x = 255; x >= 0; --x) {
        w.Bits(static_cast<std::uint32_t>(sets[x].size()), 6);
        for (unsigned char f : sets[x])
            w.Bits(f, 8);
    }
    unsigned last = 0;
    for (unsigned c : bytes) {
        const auto& set = sets[last];
        if (set.empty()) {
            w.Bits(c, 8);
        } else if (auto it = std::find(set.begin(), set.end(), c); it != set.end()) {
            w.Bits(0, 1);
            w.Bits(static_cast<std::uint32_t>(it - set.begin()), IndexBitsFor(set.size()));
        } else {
            w.Bits(1, 1);
            w.Bits(c, 8);
        }
        last = c;
    }
    return w.Take();
}

// A test reducer: greedy matches (a plain search over the factor's reach),
// escapes, then the follower coding with each byte's most frequent
// successors (set sizes vary, many not powers of two).
struct TestReducer {
    int factor;
    int matches = 0, longMatches = 0, escapes = 0;

    std::vector<unsigned> Expand(const std::string& in) {
        const unsigned lengthMask = 0x7Fu >> (factor - 1); // 0x7F, 0x3F, 0x1F, 0x0F
        const unsigned shift = 8u - static_cast<unsigned>(factor);
        const unsigned maxDist = 256u << factor;
        const unsigned maxLen = lengthMask + 255 + 3;
        std::vector<unsigned> out;
        for (std::size_t p = 0; p < in.size();) {
            unsigned bestLen = 0, bestDist = 0;
            for (unsigned d = 1; d <= maxDist && d <= p; ++d) {
                unsigned n = 0;
                while (n < maxLen && p + n < in.size() && in[p + n] == in[p + n - d])
                    ++n;
                // Length 3 within 256 bytes would need V = 0, which means 144.
                if (n > bestLen && !(n == 3 && d <= 256)) bestLen = n, bestDist = d;
            }
            if (bestLen >= 3) {
                unsigned len = bestLen - 3, hi = (bestDist - 1) >> 8;
                if (len < lengthMask) {
                    out.insert(out.end(), {144, (hi << shift) | len, (bestDist - 1) & 255});
                } else {
                    out.insert(out.end(), {144, (hi << shift) | lengthMask, len - lengthMask,
                                           (bestDist - 1) & 255});
                    ++longMatches;
                }
                ++matches;
                p += bestLen;
                continue;
            }
            auto c = static_cast<unsigned char>(in[p++]);
            out.push_back(c);
            if (c == 144) out.push_back(0), ++escapes;
        }
        return out;
    }

    std::string Encode(const std::string& in) {
        std::vector<unsigned> bytes = Expand(in);
        std::array<std::array<unsigned, 256>, 256> count{};
        unsigned last = 0;
        for (unsigned c : bytes)
            ++count[last][c], last = c;
        FollowerSets sets;
        for (unsigned x = 0; x < 256; ++x) {
            std::vector<unsigned> order(256);
            for (unsigned c = 0; c < 256; ++c)
                order[c] = c;
            std::stable_sort(order.begin(), order.end(),
                             [&](unsigned a, unsigned b) { return count[x][a] > count[x][b]; });
            for (unsigned i = 0; i < 63 && count[x][order[i]] > 1; ++i)
                sets[x].push_back(static_cast<unsigned char>(order[i]));
        }
        return FollowerCode(bytes, sets);
    }
};

std::string Sample(std::size_t size, unsigned seed) {
    static const char* const words[] = {"To be ", "or not ", "that is ", "the question",
                                        ": ",     "\r\n",    "HAMLET. ", "Whether ",
                                        "'tis ",  "nobler ", "in the ",  "mind "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        s += words[rng() % 12];
        if (rng() % 5 == 0) s += static_cast<char>(rng()); // any byte, 144 included
        if (rng() % 50 == 0 && s.size() > 500) s += s.substr(s.size() - 480, 400); // long repeats
    }
    s.resize(size);
    return s;
}

codectest::LegacyOutcome Unreduce(int factor, const std::string& data, std::int64_t size) {
    return RunLegacy(static_cast<unsigned>(factor) + 1, 0, data, size);
}

} // namespace

// No followers anywhere, so every byte is 8 raw bits: 'a', then 144 V D with
// factor 1: V = 1 (length 1 + 3 = 4, high distance bit 0), D = 2 (distance
// 3). The match starts two bytes before the member's first byte: those read
// as zeros, then the copy catches up with "a" and the first zero.
TEST(UnReduce, MatchBeforeTheStartReadsZeros) {
    FollowerSets none;
    std::string data = FollowerCode({'a', 144, 1, 2}, none);
    auto o = Unreduce(1, data, 5);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, std::string("a\0\0a\0", 5));
    // Also right after another member has filled the window with text.
    TUnZipWork work;
    auto hamlet = codectest::SampleMembers("hwzip-generated__reduce1.zip")[0];
    ASSERT_EQ(codectest::RunMember(hamlet, &work).crc, hamlet.crc);
    EXPECT_EQ(RunLegacy(2, 0, data, 5, &work).out, std::string("a\0\0a\0", 5));
}

// 144 0 is the byte 144 itself; 144 followed by anything else starts a match.
TEST(UnReduce, EscapedEscapeIsTheByteItself) {
    FollowerSets none;
    auto o = Unreduce(2, FollowerCode({'x', 144, 0, 'y'}, none), 3);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "x\x90y");
}

// Factor 4: V = 0x2F: length bits 0xF (all ones, so a length byte follows:
// 5, length 15 + 5 + 3 = 23), distance bits 2: distance 2 * 256 + D + 1 with
// D = 0x1F, 544. 600 raw 'q' .. then the match repeats the bytes 544 back.
TEST(UnReduce, LongMatchWithHighDistanceBits) {
    std::string text;
    for (int i = 0; i < 600; ++i)
        text += static_cast<char>('a' + i % 26);
    std::vector<unsigned> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), {144, 0x2F, 5, 0x1F});
    FollowerSets none;
    auto o = Unreduce(4, FollowerCode(bytes, none), 623);
    EXPECT_EQ(o.result, 0);
    ASSERT_EQ(o.out.size(), 623u);
    EXPECT_EQ(o.out.substr(600), text.substr(600 - 544, 23));
}

// The same V means other lengths and distances under other factors: factor
// 1 reads V = 0x81 as length 1 + 3 and distance 256 + D + 1.
TEST(UnReduce, FactorChoosesTheLengthAndDistanceBits) {
    std::string text(300, '.');
    for (int i = 0; i < 300; ++i)
        text[i] = static_cast<char>('A' + i % 50);
    std::vector<unsigned> bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), {144, 0x81, 9});
    FollowerSets none;
    auto o = Unreduce(1, FollowerCode(bytes, none), 304);
    ASSERT_EQ(o.out.size(), 304u);
    EXPECT_EQ(o.out.substr(300), text.substr(300 - 266, 4));
}

// 'a' has three followers, so its index is 2 bits wide and index 3 lies past
// the set: the decoder stops instead of reading a stale follower.
TEST(UnReduce, FollowerIndexPastTheSetStops) {
    FollowerSets sets;
    sets['a'] = {'b', 'c', 'd'};
    BitWriter w;
    for (int x = 255; x >= 0; --x) {
        w.Bits(static_cast<std::uint32_t>(sets[x].size()), 6);
        for (unsigned char f : sets[x])
            w.Bits(f, 8);
    }
    w.Bits('a', 8); // after byte 0 (empty set): raw
    w.Bits(0, 1);   // follower of 'a' ...
    w.Bits(2, 2);   // ... index 2: 'd'
    w.Bits('a', 8); // after 'd' (empty set): raw
    w.Bits(0, 1);
    w.Bits(3, 2); // index 3: past the set
    auto o = Unreduce(3, w.Take(), 10);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "ada");
}

TEST(UnReduce, FactorOutsideOneToFourIsRefused) {
    TUnZipWork work;
    TMemoryStream in(std::string(10, '\0')), out;
    work.StartMember(in, out, 10, 10);
    EXPECT_EQ(UnReduce(work, 0), 1);
    EXPECT_EQ(UnReduce(work, 5), 1);
    EXPECT_EQ(out.Size(), 0);
}

// A member whose stated size is far larger than its data stops soon after
// the data ends instead of decoding filler up to that size.
TEST(UnReduce, CorruptSizeDoesNotKeepItDecodingFiller) {
    FollowerSets none;
    auto o = Unreduce(1, FollowerCode({'a', 'b'}, none), std::int64_t{1} << 40);
    EXPECT_EQ(o.result, 1);
    EXPECT_LT(o.out.size(), 1000u);
}

TEST(UnReduce, EveryFactorRoundTripsAcrossTheWindow) {
    std::string text = Sample(70000, 7); // over four 16 KiB windows
    for (int factor = 1; factor <= 4; ++factor) {
        SCOPED_TRACE(factor);
        TestReducer r{factor};
        std::string packed = r.Encode(text);
        EXPECT_GT(r.matches, 1000);
        EXPECT_GT(r.longMatches, 0);
        EXPECT_GT(r.escapes, 0);
        auto o = Unreduce(factor, packed, static_cast<std::int64_t>(text.size()));
        EXPECT_EQ(o.result, 0);
        ASSERT_EQ(o.out.size(), text.size());
        EXPECT_TRUE(o.out == text);
    }
}
