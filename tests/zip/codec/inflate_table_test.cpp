// The inflater's packed tables decode every bit pattern to the same symbol,
// with the same bits, as the general decode tables, and judge every code the
// same way (complete, incomplete, over-subscribed).
#include "bit_writer.h"
#include "zip/codec/decode_table.h"
#include "zip/codec/inflate_table.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using namespace inflate;
using codectest::CompleteLengths;
using codectest::kDistBase;
using codectest::kDistExtra;
using codectest::kLengthBase;
using codectest::kLengthExtra;

namespace {

// What a bit pattern decodes to: kind 0 invalid, 1 literal, 2 end, 3 base.
struct TSymbolRead {
    int kind = 0;
    unsigned value = 0;
    unsigned codeBits = 0; // bits of the code itself
    unsigned extra = 0;
    bool operator==(const TSymbolRead&) const = default;
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
    r.kind = (e & kLiteral) ? 1 : (e & kEnd) ? 2 : 3;
    r.value = Value(e);
    r.extra = DropBits(e) - CodeBits(e);
    return r;
}

struct TCase {
    TCodeKind kind;
    unsigned count, plainLimit, lookupBits, maxLength;
    const std::uint16_t* base;
    const std::uint8_t* extra;
    unsigned baseCount;
};

void CheckSame(const TCase& c, std::vector<unsigned> lengths, const std::string& what) {
    lengths.resize(c.count, 0);
    TDecodeTable general;
    int generalBits = static_cast<int>(c.lookupBits);
    const int expected = BuildDecodeTable(lengths.data(), c.count, c.plainLimit, c.base, c.extra,
                                          c.baseCount, general, generalBits);
    TInflateTable packed;
    ASSERT_EQ(BuildInflateTable(lengths.data(), c.count, c.kind, c.lookupBits, true, packed),
              expected)
        << what;
    TInflateTable refused;
    EXPECT_EQ(BuildInflateTable(lengths.data(), c.count, c.kind, c.lookupBits, false, refused),
              expected)
        << what;
    EXPECT_EQ(refused.Empty(), expected != 0 || packed.Empty()) << what;
    if (expected == 2) {
        EXPECT_TRUE(packed.Empty()) << what;
        return;
    }
    ASSERT_EQ(packed.Empty(), general.Empty()) << what;
    if (general.Empty()) return;
    EXPECT_EQ(static_cast<int>(packed.Bits), generalBits) << what;
    for (std::uint32_t bits = 0; bits < (1u << c.maxLength); ++bits)
        ASSERT_EQ(ReadPacked(packed, bits), ReadGeneral(general, bits)) << what << " bits " << bits;
}

const TCase kLiteralLength{
    TCodeKind::LiteralLength, 288, 257, 9, 15, kLengthBase, kLengthExtra, 29};
const TCase kDistance{TCodeKind::Distance, 30, 0, 6, 15, kDistBase, kDistExtra, 30};
const TCase kCodeLength{TCodeKind::CodeLength, 19, 19, 7, 7, nullptr, nullptr, 0};

} // namespace

TEST(InflateTable, CompleteCodesDecodeLikeTheGeneralTables) {
    std::mt19937 rng(5);
    for (int round = 0; round < 40; ++round) {
        CheckSame(kLiteralLength, CompleteLengths(rng, 286 - rng() % 30, 15),
                  "lit " + std::to_string(round));
        CheckSame(kDistance, CompleteLengths(rng, 2 + rng() % 29, 15),
                  "dist " + std::to_string(round));
        CheckSame(kCodeLength, CompleteLengths(rng, 2 + rng() % 18, 7),
                  "cl " + std::to_string(round));
    }
    // The fixed code, with the fixed blocks' lookup bits; symbols 286 and 287
    // have codes but no meaning.
    std::vector<unsigned> fixed(288, 8);
    for (unsigned s = 144; s < 256; ++s)
        fixed[s] = 9;
    for (unsigned s = 256; s < 280; ++s)
        fixed[s] = 7;
    TCase fixedCase = kLiteralLength;
    fixedCase.lookupBits = 7;
    CheckSame(fixedCase, fixed, "fixed literal/length");
    TCase fixedDistance = kDistance;
    fixedDistance.lookupBits = 5;
    CheckSame(fixedDistance, std::vector<unsigned>(30, 5), "fixed distance (incomplete)");
}

TEST(InflateTable, IncompleteOverSubscribedAndDegenerateCodesAreJudgedAlike) {
    std::mt19937 rng(6);
    for (int round = 0; round < 200; ++round) {
        std::vector<unsigned> lengths(30);
        const unsigned maxLength = 1 + rng() % 15;
        for (unsigned& l : lengths)
            l = rng() % 3 == 0 ? 0 : 1 + rng() % maxLength;
        CheckSame(kDistance, lengths, "random " + std::to_string(round));
    }
    CheckSame(kDistance, {0, 1}, "one code of one bit: complete by rule");
    CheckSame(kDistance, {2, 0, 2}, "two codes of two bits: incomplete");
    CheckSame(kDistance, {}, "no codes");
    CheckSame(kCodeLength, {1, 1, 1}, "over-subscribed");
    std::vector<unsigned> longOnly(30, 0);
    longOnly[29] = 15;
    CheckSame(kDistance, longOnly, "a single code of fifteen bits");
}
