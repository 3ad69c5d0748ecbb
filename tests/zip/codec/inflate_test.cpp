// Inflate over hand-made streams (each built bit by bit, the comments say
// which bits) and over streams written by a real peer (python's zlib).
#include "bit_writer.h"
#include "support/test_support.h"
#include "zip/codec/crc32.h"
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/exceptions.h"
#include "zip/stream.h"

#include <gtest/gtest.h>

#include <random>

using codectest::BitWriter;
using codectest::CanonicalCodes;
using codectest::DynamicHeader;
using codectest::FixedSymbol;

namespace {

struct Outcome {
    int result = -1;
    std::string out;
    std::uint32_t crc = 0;
};

// Inflates `data` as a member of data.size() compressed bytes; `trailing`
// follows it in the input stream (more archive after the member).
Outcome RunInflate(const std::string& data, std::int64_t uncompressed = 1 << 30,
                   const std::string& trailing = std::string(), TUnZipWork* work = nullptr) {
    TUnZipWork local;
    TUnZipWork& g = work ? *work : local;
    TMemoryStream in(data + trailing), out;
    g.StartMember(in, out, static_cast<std::int64_t>(data.size()), uncompressed);
    Outcome o;
    o.result = Inflate(g);
    o.out = out.ToString();
    o.crc = g.FinalCrc();
    return o;
}

std::string PeerDeflate(const std::string& data, int level) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("in"), data);
    std::string cmd = "python3 -c \"import zlib,sys; d=open(sys.argv[1],'rb').read(); "
                      "c=zlib.compressobj(" +
                      std::to_string(level) +
                      ", zlib.DEFLATED, -15); "
                      "open(sys.argv[2],'wb').write(c.compress(d)+c.flush())\" " +
                      dir.file("in") + " " + dir.file("out");
    EXPECT_EQ(testsupport::RunCommand(cmd), 0);
    return testsupport::ReadFile(dir.file("out"));
}

} // namespace

TEST(Inflate, EmptyFixedBlockGivesNothingAndPassesCrc) {
    BitWriter w;
    w.Bits(1, 1);        // BFINAL
    w.Bits(1, 2);        // BTYPE 01: fixed
    FixedSymbol(w, 256); // end of block: 7 zero bits
    Outcome o = RunInflate(w.Take(), 0);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.crc, 0u);
}

TEST(Inflate, StoredBlock) {
    BitWriter w;
    w.Bits(1, 1); // BFINAL
    w.Bits(0, 2); // BTYPE 00: stored, then pad to the byte
    w.AlignToByte();
    w.Bits(3, 16);            // LEN
    w.Bits(~3u & 0xFFFF, 16); // NLEN
    for (char c : std::string("abc"))
        w.Byte(static_cast<std::uint8_t>(c));
    Outcome o = RunInflate(w.Take());
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "abc");
    EXPECT_EQ(o.crc, Crc32Of("abc", 3));
}

TEST(Inflate, StoredBlockWithBadComplementFailsAndHandsNothingOn) {
    BitWriter w;
    w.Bits(0, 1); // a first stored block, not final, holding "xy"
    w.Bits(0, 2);
    w.AlignToByte();
    w.Bits(2, 16);
    w.Bits(~2u & 0xFFFF, 16);
    w.Byte('x');
    w.Byte('y');
    w.Bits(1, 1); // the second: LEN 3, NLEN 3 (not its complement)
    w.Bits(0, 2);
    w.AlignToByte();
    w.Bits(3, 16);
    w.Bits(3, 16);
    Outcome o = RunInflate(w.Take());
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, ""); // "xy" sat in the window, never flushed
}

TEST(Inflate, BlockTypeThreeIsRefused) {
    BitWriter w;
    w.Bits(1, 1); // BFINAL
    w.Bits(3, 2); // BTYPE 11: reserved
    EXPECT_EQ(RunInflate(w.Take()).result, 2);
}

TEST(Inflate, FixedLiteralsAndARepeatingMatch) {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    FixedSymbol(w, 'a');
    FixedSymbol(w, 'b');
    FixedSymbol(w, 258); // length 4, no extra bits
    w.Code(1, 5);        // distance code 1: distance 2, so "abab" repeats
    FixedSymbol(w, 256);
    Outcome o = RunInflate(w.Take());
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "ababab");
}

TEST(Inflate, InvalidFixedSymbolFails) {
    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    FixedSymbol(w, 286); // literal/length 286 does not exist
    EXPECT_EQ(RunInflate(w.Take()).result, 1);
}

namespace {
// Literal/length lengths: 'a', 'b', end of block and length symbol 257
// (length 3) with two bits each: a complete code.
std::vector<unsigned> FourSymbolLiterals() {
    std::vector<unsigned> lit(258, 0);
    lit['a'] = lit['b'] = lit[256] = lit[257] = 2;
    return lit;
}
// Writes a, b, <length 3, distance code 0 = distance 1>, end of block.
void FourSymbolData(BitWriter& w, const std::vector<unsigned>& lit,
                    const std::vector<unsigned>& dist) {
    auto lc = CanonicalCodes(lit);
    auto dc = CanonicalCodes(dist);
    w.Code(lc['a'], 2);
    w.Code(lc['b'], 2);
    w.Code(lc[257], 2);
    w.Code(dc[0], dist[0]);
    w.Code(lc[256], 2);
}
} // namespace

TEST(Inflate, DynamicBlockWithOneDistanceCodeOfLengthOneDecodes) {
    auto lit = FourSymbolLiterals();
    std::vector<unsigned> dist = {1}; // a single one-bit code counts as complete
    BitWriter w;
    DynamicHeader(w, true, lit, dist);
    FourSymbolData(w, lit, dist);
    Outcome o = RunInflate(w.Take());
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "abbbb");
}

TEST(Inflate, DynamicBlockWithTwoDistanceCodesOfLengthTwoFails) {
    auto lit = FourSymbolLiterals();
    std::vector<unsigned> dist = {2, 2}; // half the code space unused: incomplete
    BitWriter w;
    DynamicHeader(w, true, lit, dist);
    FourSymbolData(w, lit, dist);
    Outcome o = RunInflate(w.Take());
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out, "");
}

TEST(Inflate, FirstCodeLengthSymbolSixteenRepeatsZeros) {
    auto lit = FourSymbolLiterals(); // symbols 0-5 are 0 anyway
    std::vector<unsigned> dist = {1};
    BitWriter w;
    DynamicHeader(w, true, lit, dist, 6); // 16 with 2 extra bits 3: six zeros
    FourSymbolData(w, lit, dist);
    Outcome o = RunInflate(w.Take());
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, "abbbb");
}

TEST(Inflate, TooManyLiteralCodesFail) {
    std::vector<unsigned> lit(287, 0), dist = {1};
    lit[0] = lit[256] = 1;
    BitWriter w;
    DynamicHeader(w, true, lit, dist); // HLIT 30: 287 codes
    EXPECT_EQ(RunInflate(w.Take()).result, 1);
}

TEST(Inflate, RepeatRunningPastTheListFails) {
    BitWriter w;
    std::vector<unsigned> clLen(19);
    for (unsigned s = 0; s < 19; ++s)
        clLen[s] = s < 13 ? 4 : 5;
    auto clCode = CanonicalCodes(clLen);
    static const unsigned order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    w.Bits(1, 1);
    w.Bits(2, 2);
    w.Bits(0, 5); // 257 literal/length codes
    w.Bits(0, 5); // 1 distance code: 258 lengths in all
    w.Bits(15, 4);
    for (unsigned i = 0; i < 19; ++i)
        w.Bits(clLen[order[i]], 3);
    for (int i = 0; i < 2; ++i) { // 18 with 7 bits 127: 138 zeros, twice = 276 > 258
        w.Code(clCode[18], clLen[18]);
        w.Bits(127, 7);
    }
    EXPECT_EQ(RunInflate(w.Take()).result, 1);
}

TEST(Inflate, DistanceBeforeTheStartReadsZerosNotAnEarlierMember) {
    TUnZipWork work;
    // An earlier member fills the whole window with 'A'.
    std::string many(40000, 'A');
    Outcome first = RunInflate(PeerDeflate(many, 6), 1 << 30, "", &work);
    ASSERT_EQ(first.out, many);

    BitWriter w;
    w.Bits(1, 1);
    w.Bits(1, 2);
    FixedSymbol(w, 'x');
    FixedSymbol(w, 257); // length 3
    w.Code(4, 5);        // distance code 4: base 5, one extra bit
    w.Bits(0, 1);        // distance 5: four bytes before 'x', before the member
    FixedSymbol(w, 256);
    Outcome o = RunInflate(w.Take(), 1 << 30, "", &work);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.out, std::string("x\0\0\0", 4));
}

TEST(Inflate, DataEndingEarlyFailsQuietlyWhenTheArchiveGoesOn) {
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "entry " + std::to_string(i * 7919 % 1000) + " of the diary\n";
    std::string full = PeerDeflate(text, 6);
    // The member claims a third of its bytes; the archive holds the rest after it.
    std::string part = full.substr(0, full.size() / 3);
    Outcome o;
    EXPECT_NO_THROW(
        o = RunInflate(part, static_cast<std::int64_t>(text.size()), full.substr(part.size())));
    EXPECT_NE(o.result, 0);
    EXPECT_NE(o.crc, Crc32Of(text.data(), text.size()));
}

TEST(Inflate, EndlessFillerIsCutOff) {
    // One byte 0x4A (bits 0,1,0,1,0,0,1,0): not final, fixed, then codes made
    // of the same byte again and again once the member's single byte is used
    // up. The decoder must stop soon instead of producing output up to the
    // claimed 1 GiB.
    for (int b = 0; b < 256; ++b) {
        TUnZipWork work;
        TMemoryStream in(std::string(1, static_cast<char>(b))), out;
        work.StartMember(in, out, 1, 1 << 30);
        int r = 0;
        try {
            r = Inflate(work);
        } catch (const Exception&) {
            r = -1;
        }
        EXPECT_LT(out.Size(), 200000) << "byte " << b;
        EXPECT_LE(work.FillerBytes(), 80) << "byte " << b;
        (void)r;
    }
}

TEST(Inflate, OutputOfExactlyTheSizePassesOneByteMoreFails) {
    std::string text(1000, 'q');
    std::string data = PeerDeflate(text, 9);
    EXPECT_EQ(RunInflate(data, 1000).result, 0);
    // A small member is flushed only after its last block: the size check
    // there reaches the caller.
    EXPECT_THROW(RunInflate(data, 999), EBiggerThanUncompressed);
    // A member larger than the window meets the check inside a block (the
    // window flush at 65,536 bytes hands on bytes 48,000 to 64,000): the
    // member ends as failed, without an exception.
    std::string big(100000, 'z');
    std::string bigData = PeerDeflate(big, 9);
    EXPECT_EQ(RunInflate(bigData, 100000).result, 0);
    Outcome o = RunInflate(bigData, 50000);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.out.size(), 48000u);
}

TEST(Inflate, StreamsOfAPeerRoundTrip) {
    std::mt19937 rng(42);
    std::string binary(300000, '\0');
    for (auto& c : binary)
        c = static_cast<char>(rng() & 0x0F); // compressible but not trivially
    std::string text;
    while (text.size() < 250000)
        text += "Dear diary, today " + std::to_string(rng() % 100000) + " things happened.\n";
    std::string randomBytes(70000, '\0');
    for (auto& c : randomBytes)
        c = static_cast<char>(rng());
    for (const std::string* data : {&binary, &text, &randomBytes}) {
        for (int level : {0, 1, 6, 9}) {
            Outcome o =
                RunInflate(PeerDeflate(*data, level), static_cast<std::int64_t>(data->size()));
            EXPECT_EQ(o.result, 0) << "level " << level;
            EXPECT_TRUE(o.out == *data) << "level " << level;
            EXPECT_EQ(o.crc, Crc32Of(data->data(), data->size()));
        }
    }
    Outcome empty = RunInflate(PeerDeflate("", 6), 0);
    EXPECT_EQ(empty.result, 0);
    EXPECT_EQ(empty.out, "");
}

TEST(Inflate, ShortArchiveInsideABlockEndsTheMemberButAtAHeaderPropagates) {
    std::mt19937 rng(7);
    std::string noise(100000, '\0');
    for (auto& c : noise)
        c = static_cast<char>(rng());
    std::string data = PeerDeflate(noise, 1);
    ASSERT_GT(data.size(), 40000u);
    {
        // The first 16,000-byte chunk arrives; the second read comes up short
        // in the middle of a block.
        TUnZipWork work;
        TMemoryStream in(data.substr(0, 20000)), out;
        work.StartMember(in, out, static_cast<std::int64_t>(data.size()), 100000);
        int r = 0;
        EXPECT_NO_THROW(r = Inflate(work));
        EXPECT_EQ(r, 1);
    }
    {
        // Nothing at all: the very first header bit cannot be read.
        TUnZipWork work;
        TMemoryStream in, out;
        work.StartMember(in, out, static_cast<std::int64_t>(data.size()), 100000);
        EXPECT_THROW(Inflate(work), EFatalUnzipError);
    }
}

TEST(Inflate, IncompleteCodeLengthCodeFails) {
    BitWriter w;
    w.Bits(1, 1); // BFINAL
    w.Bits(2, 2); // dynamic
    w.Bits(0, 5); // 257 literal/length codes
    w.Bits(0, 5); // 1 distance code
    w.Bits(0, 4); // 4 code-length codes: for symbols 16, 17, 18, 0
    w.Bits(2, 3); // 16: two bits
    w.Bits(2, 3); // 17: two bits; half the code space stays free
    w.Bits(0, 3); // 18 unused
    w.Bits(0, 3); // 0 unused
    EXPECT_EQ(RunInflate(w.Take()).result, 1);
}

TEST(Inflate, OverSubscribedLiteralCodeFails) {
    std::vector<unsigned> lit(257, 0), dist = {1};
    lit['a'] = lit['b'] = lit[256] = 1; // three one-bit codes cannot exist
    BitWriter w;
    DynamicHeader(w, true, lit, dist);
    EXPECT_EQ(RunInflate(w.Take()).result, 2);
}

TEST(Inflate, LengthWithoutAnyDistanceCodeFails) {
    auto lit = FourSymbolLiterals();
    std::vector<unsigned> dist = {0}; // no distance codes at all: an empty table
    BitWriter w;
    DynamicHeader(w, true, lit, dist);
    auto lc = CanonicalCodes(lit);
    w.Code(lc['a'], 2);
    w.Code(lc[257], 2); // a length, but there is no distance to decode
    w.Code(lc[256], 2);
    EXPECT_EQ(RunInflate(w.Take()).result, 1);
}
