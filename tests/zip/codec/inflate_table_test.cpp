// Every entry of the inflater's packed tables and of the general decode
// tables, for every bit pattern, against a plain decoder that reads a
// canonical code one bit at a time; and the judgement of every code
// (complete, incomplete, over-subscribed) against the code space counted
// here.
#include "bit_writer.h"
#include "zip/codec/decode_table.h"
#include "zip/codec/inflate_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace inflate;
using codectest::CompleteLengths;
using codectest::kDistBase;
using codectest::kDistExtra;
using codectest::kLengthBase;
using codectest::kLengthExtra;

namespace {

// What a bit pattern decodes to: kind 0 invalid (no code, or a symbol with
// no meaning), 1 literal, 2 end of block, 3 base value with extra bits.
struct TSymbolRead {
    int kind = 0;
    unsigned value = 0;
    unsigned codeBits = 0;
    unsigned extra = 0;
    bool operator==(const TSymbolRead&) const = default;
};

struct TCase {
    TCodeKind kind;
    unsigned count, plainLimit, rootBits, maxLength;
    const std::uint16_t* base;
    const std::uint8_t* extra;
    unsigned baseCount;
};

// The plain decoder: one bit at a time, the codes of each length counted
// from the first code of that length (RFC 1951 section 3.2.2).
class TPlainDecoder {
public:
    TPlainDecoder(const TCase& c, const std::vector<unsigned>& lengths) : c_(c) {
        for (unsigned len = 1; len <= 16; ++len)
            for (unsigned s = 0; s < lengths.size(); ++s)
                if (lengths[s] == len) {
                    byLength_.push_back(s);
                    ++count_[len];
                }
    }
    TSymbolRead Read(std::uint32_t bits) const {
        unsigned code = 0, first = 0, index = 0;
        for (unsigned len = 1; len <= 16; ++len) {
            code |= (bits >> (len - 1)) & 1u;
            if (code - first < count_[len]) return Symbol(byLength_[index + code - first], len);
            index += count_[len];
            first = (first + count_[len]) << 1;
            code <<= 1;
        }
        return TSymbolRead{};
    }

private:
    TSymbolRead Symbol(unsigned s, unsigned len) const {
        TSymbolRead r;
        r.codeBits = len;
        if (s < c_.plainLimit) {
            r.kind = s < 256 ? 1 : 2;
            r.value = s;
        } else if (s - c_.plainLimit < c_.baseCount) {
            r.kind = 3;
            r.value = c_.base[s - c_.plainLimit];
            r.extra = c_.extra[s - c_.plainLimit];
        } else {
            return TSymbolRead{};
        }
        return r;
    }
    const TCase& c_;
    std::vector<unsigned> byLength_; // symbols in code order
    unsigned count_[17] = {};
};

TSymbolRead ReadGeneral(const TDecodeTable& t, std::uint32_t bits) {
    TSymbolRead r;
    const TDecodeEntry* e = &t.Entries[bits & ((1u << t.Bits) - 1)];
    unsigned used = 0;
    while (e->e > kEntryLiteral && e->e != kEntryInvalid) {
        used += e->b;
        const unsigned sub = e->e - 16u;
        e = &t.Entries[e->v + ((bits >> used) & ((1u << sub) - 1))];
    }
    if (e->e == kEntryInvalid) return r;
    r.codeBits = used + e->b;
    r.kind = e->e == kEntryLiteral ? 1 : e->e == kEntryEndOfBlock ? 2 : 3;
    r.value = e->v;
    r.extra = r.kind == 3 ? e->e : 0;
    return r;
}

TSymbolRead ReadPacked(const TInflateTable& t, std::uint32_t bits) {
    TSymbolRead r;
    std::uint32_t e = t.Entries[bits & ((1u << t.Bits) - 1)];
    unsigned used = 0;
    if ((e & (kSpecial | kLink)) == (kSpecial | kLink)) {
        used = DropBits(e);
        e = t.Entries[Value(e) + ((bits >> used) & ((1u << CodeBits(e)) - 1))];
    }
    if ((e & kSpecial) && !(e & kEnd)) return r;
    r.codeBits = used + CodeBits(e);
    if (e & kLiteral) {
        r.kind = 1;
        r.value = Value(e) & 0xFF; // of a pair, the first literal
        return r;
    }
    r.kind = (e & kEnd) ? 2 : 3;
    r.value = Value(e);
    r.extra = DropBits(e) - CodeBits(e);
    return r;
}

// The code space counted here: 0 complete, 1 incomplete, 2 over-subscribed.
int Judge(const std::vector<unsigned>& lengths, unsigned maxLength) {
    std::uint64_t used = 0; // in units of 2^-maxLength
    unsigned codes = 0, longest = 0;
    for (unsigned l : lengths) {
        if (l == 0) continue;
        if (l > maxLength) return 2;
        used += std::uint64_t{1} << (maxLength - l);
        ++codes;
        longest = std::max(longest, l);
    }
    if (used > (std::uint64_t{1} << maxLength)) return 2;
    if (codes == 0 || used == (std::uint64_t{1} << maxLength)) return 0;
    return longest == 1 ? 0 : 1;
}

void CheckAgainstPlain(const TCase& c, std::vector<unsigned> lengths, const std::string& what) {
    lengths.resize(c.count, 0);
    const int expected = Judge(lengths, c.maxLength);
    TInflateTable packed, paired, refused;
    ASSERT_EQ(BuildInflateTable(lengths.data(), c.count, c.kind, c.rootBits, true, packed),
              expected)
        << what;
    ASSERT_EQ(BuildInflateTable(lengths.data(), c.count, c.kind, c.rootBits, true, paired, true),
              expected)
        << what;
    EXPECT_EQ(BuildInflateTable(lengths.data(), c.count, c.kind, c.rootBits, false, refused),
              expected)
        << what;
    TDecodeTable general;
    int generalBits = static_cast<int>(c.rootBits);
    EXPECT_EQ(BuildDecodeTable(lengths.data(), c.count, c.plainLimit, c.base, c.extra, c.baseCount,
                               general, generalBits),
              expected)
        << what;
    bool any = false;
    for (unsigned l : lengths)
        any = any || l != 0;
    if (expected == 2 || !any) {
        EXPECT_TRUE(packed.Empty() && refused.Empty() && general.Empty()) << what;
        return;
    }
    EXPECT_EQ(refused.Empty(), expected != 0) << what;
    ASSERT_EQ(packed.Bits, c.rootBits) << what;
    const TPlainDecoder decoder(c, lengths);
    unsigned pairs = 0;
    for (std::uint32_t bits = 0; bits < (1u << c.maxLength); ++bits) {
        const TSymbolRead plain = decoder.Read(bits);
        ASSERT_EQ(ReadPacked(packed, bits), plain) << what << ", bits " << bits;
        ASSERT_EQ(ReadPacked(paired, bits), plain) << what << ", bits " << bits;
        // A pair of literals: the second is what the bits after the first read.
        const std::uint32_t e = paired.Entries[bits & ((1u << c.rootBits) - 1)];
        if ((e & (kLiteral | kPair)) == (kLiteral | kPair)) {
            ++pairs;
            const TSymbolRead second = decoder.Read(bits >> CodeBits(e));
            ASSERT_EQ(second.kind, 1) << what << ", bits " << bits;
            ASSERT_EQ(second.value, Value(e) >> 8) << what << ", bits " << bits;
            ASSERT_EQ(second.codeBits + CodeBits(e), DropBits(e)) << what << ", bits " << bits;
        }
        ASSERT_EQ(ReadGeneral(general, bits), plain) << what << ", bits " << bits;
    }
    // Where short literal codes are common, entries pair them.
    unsigned shortLiterals = 0;
    for (unsigned sym = 0; sym < 256 && c.kind == TCodeKind::LiteralLength; ++sym)
        shortLiterals += lengths[sym] != 0 && lengths[sym] <= 4;
    if (shortLiterals >= 4) {
        EXPECT_GT(pairs, 0u) << what;
    }
}

const TCase kLiteralLength{
    TCodeKind::LiteralLength, 288, 257, kLiteralBits, 15, kLengthBase, kLengthExtra, 29};
const TCase kDistance{TCodeKind::Distance, 30, 0, kDistanceBits, 15, kDistBase, kDistExtra, 30};
const TCase kCodeLength{TCodeKind::CodeLength, 19, 19, kCodeLengthBits, 7, nullptr, nullptr, 0};

} // namespace

TEST(InflateTable, EveryEntryOfCompleteCodesAgainstThePlainDecoder) {
    std::mt19937 rng(5);
    for (int round = 0; round < 12; ++round) {
        CheckAgainstPlain(kLiteralLength, CompleteLengths(rng, 286 - rng() % 30, 15),
                          "lit " + std::to_string(round));
        CheckAgainstPlain(kDistance, CompleteLengths(rng, 2 + rng() % 29, 15),
                          "dist " + std::to_string(round));
        CheckAgainstPlain(kCodeLength, CompleteLengths(rng, 2 + rng() % 18, 7),
                          "cl " + std::to_string(round));
    }
    // The fixed code: symbols 286 and 287 have codes but no meaning.
    std::vector<unsigned> fixed(288, 8);
    for (unsigned s = 144; s < 256; ++s)
        fixed[s] = 9;
    for (unsigned s = 256; s < 280; ++s)
        fixed[s] = 7;
    CheckAgainstPlain(kLiteralLength, fixed, "fixed literal/length");
    CheckAgainstPlain(kDistance, std::vector<unsigned>(30, 5), "fixed distance (incomplete)");
    // Like a text's code: short codes for a few letters, which pair up.
    std::vector<unsigned> text(288, 0);
    for (unsigned s = 0; s < 286; ++s)
        text[s] = s < 8 ? 4 : s < 24 ? 6 : s < 274 ? 10 : 11;
    std::shuffle(text.begin(), text.begin() + 256, rng);
    CheckAgainstPlain(kLiteralLength, text, "text-like literal/length");
    // Codes of every length below, at and above the first level's bits.
    std::vector<unsigned> ladder(30, 0);
    for (unsigned s = 0; s < 15; ++s)
        ladder[s] = s + 1;
    ladder[15] = 15;
    CheckAgainstPlain(kDistance, ladder, "one code of each length 1-15");
}

TEST(InflateTable, IncompleteOverSubscribedAndDegenerateCodesAgainstThePlainDecoder) {
    std::mt19937 rng(6);
    for (int round = 0; round < 120; ++round) {
        std::vector<unsigned> lengths(30);
        const unsigned maxLength = 1 + rng() % 15;
        for (unsigned& l : lengths)
            l = rng() % 3 == 0 ? 0 : 1 + rng() % maxLength;
        CheckAgainstPlain(kDistance, lengths, "random " + std::to_string(round));
    }
    for (int round = 0; round < 20; ++round) {
        // Sparse long codes: many sub-tables, most of their entries invalid.
        std::vector<unsigned> lengths(288, 0);
        for (int i = 0; i < 40; ++i)
            lengths[rng() % 288] = 9 + rng() % 7;
        CheckAgainstPlain(kLiteralLength, lengths, "sparse " + std::to_string(round));
    }
    CheckAgainstPlain(kDistance, {0, 1}, "one code of one bit: complete by rule");
    CheckAgainstPlain(kDistance, {2, 0, 2}, "two codes of two bits: incomplete");
    CheckAgainstPlain(kDistance, {}, "no codes");
    CheckAgainstPlain(kCodeLength, {1, 1, 1}, "over-subscribed");
    std::vector<unsigned> longOnly(30, 0);
    longOnly[29] = 15;
    CheckAgainstPlain(kDistance, longOnly, "a single code of fifteen bits");
}
