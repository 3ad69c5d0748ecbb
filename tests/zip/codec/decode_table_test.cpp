#include "zip/codec/decode_table.h"
#include "zip/hooks.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
int Build(const std::vector<unsigned>& lengths, TDecodeTable& t, int& bits,
          unsigned plainLimit = 300) {
    static const std::uint16_t base[4] = {3, 4, 5, 6};
    static const std::uint8_t extra[4] = {0, 1, 2, 3};
    return BuildDecodeTable(lengths.data(), static_cast<unsigned>(lengths.size()), plainLimit, base,
                            extra, 4, t, bits);
}
} // namespace

TEST(DecodeTable, NoCodesGiveAnEmptyTable) {
    TDecodeTable t;
    int bits = 9;
    EXPECT_EQ(Build({0, 0, 0}, t, bits), 0);
    EXPECT_TRUE(t.Empty());
    EXPECT_EQ(bits, 0);
}

TEST(DecodeTable, CompleteCodeAndItsEntries) {
    // a:1 bit "0", b:2 bits "10", c,d:3 bits "110","111" (canonical).
    TDecodeTable t;
    int bits = 9;
    EXPECT_EQ(Build({1, 2, 3, 3}, t, bits), 0);
    EXPECT_EQ(bits, 3); // lowered to the longest length
    ASSERT_EQ(t.Entries.size(), 8u);
    // Index = stream bits, first bit lowest: "0" -> any even index.
    for (unsigned i = 0; i < 8; i += 2) {
        EXPECT_EQ(t.Entries[i].e, kEntryLiteral);
        EXPECT_EQ(t.Entries[i].v, 0);
        EXPECT_EQ(t.Entries[i].b, 1);
    }
    EXPECT_EQ(t.Entries[1].v, 1); // "10": first bit 1, second 0 -> index 0b01
    EXPECT_EQ(t.Entries[5].v, 1);
    EXPECT_EQ(t.Entries[3].v, 2); // "110" -> index 0b011
    EXPECT_EQ(t.Entries[7].v, 3);
    EXPECT_EQ(t.Entries[7].b, 3);
}

TEST(DecodeTable, LookupBitsRaisedToTheShortestLength) {
    TDecodeTable t;
    int bits = 1;
    EXPECT_EQ(Build({2, 2, 2, 2}, t, bits), 0);
    EXPECT_EQ(bits, 2);
}

TEST(DecodeTable, OverSubscribedBuildsNothing) {
    TDecodeTable t;
    int bits = 7;
    EXPECT_EQ(Build({1, 1, 1}, t, bits), 2);
    EXPECT_TRUE(t.Empty());
}

TEST(DecodeTable, IncompleteIsBuiltAndMarksTheHoleInvalid) {
    TDecodeTable t;
    int bits = 7;
    EXPECT_EQ(Build({2, 2}, t, bits), 1);
    ASSERT_EQ(t.Entries.size(), 4u);
    EXPECT_EQ(t.Entries[0].e, kEntryLiteral); // "00"
    EXPECT_EQ(t.Entries[2].e, kEntryLiteral); // "01"
    EXPECT_EQ(t.Entries[1].e, kEntryInvalid); // "10" belongs to no symbol
    EXPECT_EQ(t.Entries[3].e, kEntryInvalid);
}

TEST(DecodeTable, SingleCodeOfLengthOneCountsAsComplete) {
    TDecodeTable t;
    int bits = 6;
    EXPECT_EQ(Build({0, 1}, t, bits), 0);
    EXPECT_EQ(bits, 1);
    EXPECT_EQ(t.Entries[0].v, 1);
    EXPECT_EQ(t.Entries[1].e, kEntryInvalid);
}

TEST(DecodeTable, BaseValuesEndOfBlockAndOutOfRangeSymbols) {
    // Symbols 0-1 plain (limit 2), 2-5 from the base lists, 6 past them.
    TDecodeTable t;
    int bits = 3;
    std::vector<unsigned> lengths = {3, 3, 3, 3, 3, 3, 3, 3};
    EXPECT_EQ(Build(lengths, t, bits, 2), 0);
    auto entryOf = [&](unsigned sym) {
        // canonical code of symbol sym is sym (all length 3); reverse it
        unsigned r = ((sym & 1) << 2) | (sym & 2) | ((sym >> 2) & 1);
        return t.Entries[r];
    };
    EXPECT_EQ(entryOf(0).e, kEntryLiteral);
    EXPECT_EQ(entryOf(3).e, 1);
    EXPECT_EQ(entryOf(3).v, 4);
    EXPECT_EQ(entryOf(5).e, 3);
    EXPECT_EQ(entryOf(6).e, kEntryInvalid);

    std::vector<unsigned> withEnd(257, 0);
    withEnd[65] = 1;
    withEnd[256] = 1;
    EXPECT_EQ(BuildDecodeTable(withEnd.data(), 257, 257, nullptr, nullptr, 0, t, bits), 0);
    EXPECT_EQ(t.Entries[0].e, kEntryLiteral);
    EXPECT_EQ(t.Entries[1].e, kEntryEndOfBlock);
    EXPECT_EQ(t.Entries[1].v, 256);
}

TEST(DecodeTable, LongCodesGoToSubTables) {
    // Lengths 1..15 plus a second 15: a complete code whose long codes need
    // nested tables under 4 lookup bits.
    std::vector<unsigned> lengths;
    for (unsigned l = 1; l <= 15; ++l)
        lengths.push_back(l);
    lengths.push_back(15);
    TDecodeTable t;
    int bits = 4;
    EXPECT_EQ(Build(lengths, t, bits), 0);
    EXPECT_EQ(bits, 4);
    // The code "1111" + more continues in a sub-table (index 0b1111).
    const TDecodeEntry& link = t.Entries[15];
    EXPECT_GT(link.e, 16);
    EXPECT_EQ(link.b, 4);
    // Walk symbol 15's code: fifteen 1-bits.
    std::uint32_t stream = 0x7FFF;
    unsigned pos = 0;
    const TDecodeEntry* e = &t.Entries[stream & 15];
    while (e->e > 16) {
        ASSERT_NE(e->e, kEntryInvalid);
        pos += e->b;
        unsigned k = e->e - 16u;
        e = &t.Entries[e->v + ((stream >> pos) & ((1u << k) - 1))];
    }
    EXPECT_EQ(e->v, 15);
    EXPECT_EQ(pos + e->b, 15u);
}

TEST(DecodeTable, LengthsBeyondSixteenAreRefused) {
    TDecodeTable t;
    int bits = 7;
    EXPECT_EQ(Build({17, 1}, t, bits), 2);
}
