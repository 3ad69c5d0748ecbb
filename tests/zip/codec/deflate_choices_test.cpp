// What the encoder chooses: stored members, stored/fixed/dynamic blocks,
// match selection, header flag bits and the text/binary decision.
#include <gtest/gtest.h>

#include <stdexcept>

#include "deflate_test_support.h"
#include "platform/exception.h"
#include "zip/codec/crc32.h"

using namespace deflatetest;

TEST(DeflateStoredMember, EmptyInputIsStoredWithSizeZeroAndCountsAsText) {
    for (int level = 1; level <= 9; ++level) {
        TDeflated d = DeflateString("", level);
        EXPECT_EQ(d.method, 0) << level;
        EXPECT_EQ(d.size, 0u) << level;
        EXPECT_TRUE(d.data.empty()) << level;
        EXPECT_EQ(d.attributes, 1) << level;
    }
}

TEST(DeflateStoredMember, ShortRandomInputIsStoredUnchanged) {
    const std::string input = RandomBytes(100, 7);
    for (int level = 1; level <= 9; ++level) {
        TDeflated d = DeflateString(input, level);
        EXPECT_EQ(d.method, 0) << level;
        EXPECT_EQ(d.size, 100u) << level;
        EXPECT_EQ(d.data, input) << level;
        EXPECT_EQ(d.attributes, 0) << level; // random bytes are mostly binary
    }
}

TEST(DeflateStoredMember, SmallCompressibleInputIsDeflated) {
    TDeflated d = DeflateString(std::string(100, 'x'), 6);
    EXPECT_EQ(d.method, 8);
    EXPECT_LT(d.size, 100u);
    EXPECT_EQ(DecodeDeflate(d.data).data, std::string(100, 'x'));
}

TEST(DeflateBlocks, IncompressibleMultiBlockInputUsesStoredBlocks) {
    const std::string input = RandomBytes(200000, 11);
    for (int level : {1, 6, 9}) {
        TDeflated d = DeflateString(input, level);
        EXPECT_EQ(d.method, 8) << level;
        EXPECT_EQ(d.size, d.data.size()) << level;
        TDecoded decoded = DecodeDeflate(d.data);
        EXPECT_EQ(decoded.data, input) << level;
        ASSERT_GT(decoded.blocks.size(), 3u) << level;
        std::size_t stored = 0, storedBytes = 0;
        for (const TBlock& b : decoded.blocks) {
            if (b.type == 0) {
                ++stored;
                storedBytes += b.storedLength;
            }
        }
        EXPECT_GE(stored, 2u) << level;
        // Stored blocks cost their 4-byte header plus at most one byte of
        // block header padding; coded blocks of random data cost a little
        // more than their size. Either way the stream stays close to the input.
        EXPECT_LT(d.size, input.size() + input.size() / 50) << level;
        EXPECT_GT(storedBytes, input.size() / 3) << level;
    }
}

TEST(DeflateBlocks, FixedCodesForAShortRepetitiveInput) {
    TDeflated d = DeflateString("abcabcabcabcabcabcabcabc", 9);
    ASSERT_EQ(d.method, 8);
    TDecoded decoded = DecodeDeflate(d.data);
    ASSERT_EQ(decoded.blocks.size(), 1u);
    EXPECT_EQ(decoded.blocks[0].type, 1);
    // Position 0 is never a candidate, so the second "a" is a literal too.
    std::vector<TSymbol> expected = {{'a', 0}, {'b', 0}, {'c', 0}, {'a', 0}, {20, 3}};
    EXPECT_EQ(decoded.blocks[0].symbols, expected);
}

TEST(DeflateBlocks, DynamicCodesForLongText) {
    const std::string input = TextBytes(50000, 3);
    TDeflated d = DeflateString(input, 6);
    TDecoded decoded = DecodeDeflate(d.data);
    EXPECT_EQ(decoded.data, input);
    EXPECT_EQ(decoded.blocks.front().type, 2);
    EXPECT_LT(d.size, input.size() / 3);
}

TEST(DeflateMatches, RunOfEqualBytesIsTwoLiteralsThenLongestMatches) {
    const std::string input(100000, 'q');
    TDeflated d = DeflateString(input, 9);
    ASSERT_EQ(d.method, 8);
    TDecoded decoded = DecodeDeflate(d.data);
    ASSERT_EQ(decoded.data, input);
    std::vector<TSymbol> symbols;
    for (const TBlock& b : decoded.blocks)
        symbols.insert(symbols.end(), b.symbols.begin(), b.symbols.end());
    // Position 0 is never a candidate, so position 1 has none either.
    ASSERT_EQ(symbols.size(), 2u + 387u + 1u);
    EXPECT_EQ(symbols[0], (TSymbol{'q', 0}));
    EXPECT_EQ(symbols[1], (TSymbol{'q', 0}));
    for (std::size_t i = 2; i + 1 < symbols.size(); ++i)
        ASSERT_EQ(symbols[i], (TSymbol{258, 1})) << i;
    EXPECT_EQ(symbols.back(), (TSymbol{99998 - 387 * 258, 1}));
}

TEST(DeflateMatches, LazyLevelsPreferTheLongerMatchOneByteLater) {
    // At "bcdefgh" the fast levels take "bcd" (from "abcd...") while the lazy
    // levels emit 'b' and then take the longer "cdefgh" match.
    const std::string input = "xabcd_ybcdX_cdefgh_zbcdefgh";
    TDecoded fast = DecodeDeflate(DeflateString(input, 1).data);
    TDecoded lazy = DecodeDeflate(DeflateString(input, 9).data);
    EXPECT_EQ(fast.data, input);
    EXPECT_EQ(lazy.data, input);
    const auto& f = fast.blocks[0].symbols;
    const auto& l = lazy.blocks[0].symbols;
    ASSERT_GE(f.size(), 3u);
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(f[f.size() - 2], (TSymbol{3, 13})); // "bcd"
    EXPECT_EQ(f.back(), (TSymbol{4, 9}));         // "efgh"
    EXPECT_EQ(l[l.size() - 2], (TSymbol{'b', 0}));
    EXPECT_EQ(l.back(), (TSymbol{6, 9})); // "cdefgh"
}

TEST(DeflateFlags, LevelBitsOfTheGeneralPurposeFlag) {
    const std::string input = TextBytes(3000, 1);
    for (int level = 1; level <= 9; ++level) {
        TDeflater deflater;
        TStringIO io(input);
        std::uint16_t flags = 1 | 6; // encrypted bit kept; stale level bits replaced
        std::uint16_t method = 0, attributes = 0;
        deflater.Deflate(io, level, flags, method, attributes);
        std::uint16_t expected = level <= 2 ? 4 : level >= 8 ? 2 : 0;
        EXPECT_EQ(flags, 1 | expected) << level;
    }
}

TEST(DeflateFlags, LevelsOutsideOneToNineAreRejected) {
    for (int level : {0, -1, 10, 100}) {
        TDeflater deflater;
        TStringIO io("abc");
        std::uint16_t flags = 0, method = 8, attributes = 2;
        EXPECT_THROW(deflater.Deflate(io, level, flags, method, attributes), Exception) << level;
        EXPECT_EQ(flags, 0);
        EXPECT_TRUE(io.Output().empty());
    }
}

TEST(DeflateTextFlag, DecidedByTheLiteralsOfTheFirstBlock) {
    EXPECT_EQ(DeflateString("a", 6).attributes, 1);
    EXPECT_EQ(DeflateString("abcd\x01\x02", 6).attributes, 0);
    EXPECT_EQ(DeflateString("abcdefgh\x01\x02", 6).attributes, 1);
    EXPECT_EQ(DeflateString(std::string("\x00", 1), 6).attributes, 0);
    EXPECT_EQ(DeflateString("\x07\x7f", 6).attributes, 1); // 7 and 127 are text
    EXPECT_EQ(DeflateString("abcd\x80", 6).attributes, 1); // 4 / 4 >= 1
    EXPECT_EQ(DeflateString("abc\x80", 6).attributes, 0);
}

TEST(DeflateTextFlag, BytesInsideMatchesDoNotCount) {
    std::string input = "abcdefghijklmnop";
    for (int i = 0; i < 100; ++i)
        input += "\x80\x81\x82";
    TDeflated d = DeflateString(input, 9);
    EXPECT_EQ(d.method, 8);
    EXPECT_EQ(d.attributes, 1);
}

TEST(DeflateTextFlag, LaterBlocksDoNotChangeIt) {
    std::string text;
    std::string letters = RandomBytes(100000, 5);
    for (char c : letters)
        text += static_cast<char>('a' + static_cast<unsigned char>(c) % 26);
    TDeflated d = DeflateString(text + RandomBytes(100000, 6), 1);
    EXPECT_GT(DecodeDeflate(d.data).blocks.size(), 1u);
    EXPECT_EQ(d.attributes, 1);
    EXPECT_EQ(DeflateString(RandomBytes(100000, 6) + text, 1).attributes, 0);
}

namespace {

// Fails once `limit` output bytes have been taken.
class TFailingIO : public TStringIO {
public:
    TFailingIO(std::string input, std::size_t limit) : TStringIO(std::move(input)), limit_(limit) {}
    void WriteOutput(const std::uint8_t* buffer, unsigned count) override {
        if (written_ + count > limit_) throw std::runtime_error("disk full");
        written_ += count;
        TStringIO::WriteOutput(buffer, count);
    }

private:
    std::size_t limit_;
    std::size_t written_ = 0;
};

} // namespace

TEST(DeflateIO, WriteFailurePassesThroughAndTheNextCallStartsClean) {
    const std::string first = TextBytes(200000, 9) + RandomBytes(50000, 9);
    const std::string second = TextBytes(80000, 10);
    const TDeflated reference = DeflateString(second, 9);
    for (std::size_t limit : {0u, 1000u, 5000u, 40000u}) {
        TDeflater deflater;
        TFailingIO failing(first, limit);
        std::uint16_t flags = 0, method = 0, attributes = 0;
        EXPECT_THROW(deflater.Deflate(failing, 9, flags, method, attributes), std::runtime_error);
        TStringIO io(second);
        std::uint32_t size = deflater.Deflate(io, 9, flags, method, attributes);
        EXPECT_EQ(size, reference.size);
        EXPECT_EQ(io.Output(), reference.data);
    }
}

TEST(DeflateIO, OutputLeavesInPiecesOfAtMost1024BytesExceptStoredData) {
    const std::string input = TextBytes(300000, 4);
    TDeflater deflater;
    TStringIO io(input);
    std::uint16_t flags = 0, method = 0, attributes = 0;
    std::uint32_t size = deflater.Deflate(io, 6, flags, method, attributes);
    EXPECT_EQ(size, io.Output().size());
    ASSERT_FALSE(io.writeSizes.empty());
    for (unsigned n : io.writeSizes)
        EXPECT_LE(n, 1024u);
}

TEST(DeflateIO, InputInTinyPiecesStillRoundTrips) {
    const std::string input = TextBytes(150000, 8) + RandomBytes(30000, 8) + TextBytes(70000, 2);
    for (unsigned chunk : {1u, 7u, 300u, 4096u}) {
        for (int level : {1, 4, 9}) {
            TDeflated d = DeflateString(input, level, chunk);
            EXPECT_EQ(d.size, d.data.size());
            EXPECT_EQ(DecodeDeflate(d.data).data, input) << chunk << " " << level;
        }
    }
}

TEST(DeflateIO, AReaderThatOverdeliversIsRejected) {
    class TLiar : public TDeflateIO {
    public:
        unsigned ReadInput(std::uint8_t*, unsigned count) override { return count + 1; }
        void WriteOutput(const std::uint8_t*, unsigned) override {}
    } liar;
    TDeflater deflater;
    std::uint16_t flags = 0, method = 0, attributes = 0;
    EXPECT_THROW(deflater.Deflate(liar, 6, flags, method, attributes), Exception);
}

// The exact bytes are part of the encoder's behaviour (archives written
// before and after a change must not differ). Sizes and CRCs recorded from
// this encoder for a mixed input; a change here needs a reason.
TEST(DeflateOutput, BytesStayTheSameAtEveryLevel) {
    const std::string input = TextBytes(100000, 42) + RandomBytes(20000, 43) +
                              std::string(5000, 'a') + TextBytes(70000, 44);
    const struct {
        std::uint32_t size;
        std::uint32_t crc;
    } expected[9] = {{70033, 0x6730B82Eu}, {68400, 0x62C56BD4u}, {62826, 0xD2A83E7Eu},
                     {63782, 0x889B8A9Bu}, {60152, 0xC42D3DC2u}, {57284, 0xB7123B41u},
                     {57013, 0xDC0EE5F1u}, {56885, 0xC4645786u}, {56885, 0xC4645786u}};
    for (int level = 1; level <= 9; ++level) {
        TDeflated d = DeflateString(input, level);
        EXPECT_EQ(d.size, expected[level - 1].size) << level;
        EXPECT_EQ(Crc32Of(d.data.data(), d.data.size()), expected[level - 1].crc) << level;
    }
}
