// The decode frame: chunked and decrypted input, filler past the member's
// end, the output path's size check, CRC and progress, cancel, UnStore.
#include "zip/codec/crc32.h"
#include "zip/codec/unzip_work.h"
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_crypt.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A memory stream that records the size of every read.
class CountingStream : public TMemoryStream {
public:
    using TMemoryStream::TMemoryStream;
    std::int64_t Read(void* buffer, std::int64_t count) override {
        reads.push_back(count);
        return TMemoryStream::Read(buffer, count);
    }
    std::vector<std::int64_t> reads;
};

std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 131) ^ (i >> 9));
    return s;
}

// Restores the engine hooks a test replaced.
struct HookGuard {
    TEngineHooks saved = EngineHooks();
    ~HookGuard() { EngineHooks() = saved; }
};

} // namespace

TEST(UnZipWork, ReadByteReadsChunksOfTheMemberOnlyThenRepeatsTheLastByte) {
    std::string member = Pattern(40000);
    CountingStream in(member + "TRAILING");
    TMemoryStream out;
    TUnZipWork g;
    g.StartMember(in, out, 40000, 0);
    std::string got;
    std::uint8_t b = 0;
    while (g.ReadByte(b) == 8)
        got.push_back(static_cast<char>(b));
    EXPECT_EQ(got, member);
    EXPECT_EQ(in.reads, (std::vector<std::int64_t>{16000, 16000, 8000}));
    // Past the end: result 0, the byte untouched, the countdown going on.
    b = 0x5A;
    EXPECT_EQ(g.ReadByte(b), 0);
    EXPECT_EQ(b, 0x5A);
    EXPECT_EQ(g.FillerBytes(), 2);
    g.BitCount = 0;
    g.BitBuf = 0;
    g.NeedBits(16);
    EXPECT_EQ(g.BitBuf & 0xFFFF,
              (static_cast<unsigned>(static_cast<std::uint8_t>(member.back())) * 0x101u));
}

TEST(UnZipWork, EncryptedChunksAreDecryptedInPlace) {
    std::string plain = Pattern(20000);
    std::string cipher = plain;
    TZipKeys w;
    w.InitKeys("pw");
    w.EncryptBuffer(reinterpret_cast<std::uint8_t*>(cipher.data()), cipher.size());
    TMemoryStream in(cipher), out;
    TZipKeys r;
    r.InitKeys("pw");
    TUnZipWork g;
    g.StartMember(in, out, 20000, 20000, &r);
    std::string got;
    std::uint8_t b;
    while (g.ReadByte(b) == 8)
        got.push_back(static_cast<char>(b));
    EXPECT_EQ(got, plain);
}

TEST(UnZipWork, ReadBitsSetsEndOfDataAndNeverWrapsTheCount) {
    TMemoryStream in(std::string("\xA5", 1)), out;
    TUnZipWork g;
    g.StartMember(in, out, 1, 0);
    std::uint32_t x = 0;
    g.ReadBits(4, x);
    EXPECT_EQ(x, 0x5u);
    EXPECT_FALSE(g.ZipEof);
    g.ReadBits(9, x); // four bits left, no more bytes: the rest read as 0
    EXPECT_EQ(x, 0xAu);
    EXPECT_TRUE(g.ZipEof);
    EXPECT_EQ(g.BitCount, 0u);
    g.ReadBits(3, x);
    EXPECT_EQ(x, 0u);
    EXPECT_TRUE(g.ZipEof);
}

TEST(UnZipWork, OutputUpToTheSizePassesOneByteMoreRaisesBeforeWriting) {
    TMemoryStream in, out;
    TUnZipWork g;
    g.StartMember(in, out, 0, 5);
    for (char c : std::string("hello"))
        g.OutByte(static_cast<std::uint8_t>(c));
    g.FlushOutput();
    EXPECT_EQ(out.ToString(), "hello");
    EXPECT_EQ(g.FinalCrc(), Crc32Of("hello", 5));
    g.OutByte('!');
    try {
        g.FlushOutput();
        FAIL() << "no exception";
    } catch (const EBiggerThanUncompressed& e) {
        EXPECT_STREQ(e.what(), "File is larger than uncompressed size!");
    }
    EXPECT_EQ(out.ToString(), "hello");
}

TEST(UnZipWork, SizeCheckMeasuresTheStreamPosition) {
    TMemoryStream in, out;
    out.WriteBuffer("xxx", 3); // the stream already holds three bytes
    TUnZipWork g;
    g.StartMember(in, out, 0, 4);
    g.OutByte('a');
    g.OutByte('b');
    EXPECT_THROW(g.FlushOutput(), EBiggerThanUncompressed);
}

TEST(UnZipWork, OutputGoesOnInBlocksOfSixteenThousandWithProgress) {
    std::string data = Pattern(40000);
    TMemoryStream in, out;
    TUnZipWork g;
    std::vector<int> file, total;
    g.OnFilePercentDone = [&](int p) { file.push_back(p); };
    g.OnTotalPercentDone = [&](int p) { total.push_back(p); };
    g.TotalToDo = 80000;
    g.StartMember(in, out, 0, 40000);
    std::memcpy(g.Slide(), data.data(), 32768);
    g.FlushWindow(32768);
    std::memcpy(g.Slide(), data.data() + 32768, 40000 - 32768);
    g.FlushWindow(40000 - 32768);
    g.FlushOutput();
    EXPECT_EQ(out.ToString(), data);
    EXPECT_EQ(file, (std::vector<int>{40, 80, 100}));
    EXPECT_EQ(total, (std::vector<int>{20, 40, 50}));
    EXPECT_EQ(g.FinalCrc(), Crc32Of(data.data(), data.size()));
}

TEST(UnZipWork, UnStoreCopiesAndDecrypts) {
    std::string plain = Pattern(35000);
    std::string cipher = plain;
    TZipKeys w;
    w.InitKeys("k");
    w.EncryptBuffer(reinterpret_cast<std::uint8_t*>(cipher.data()), cipher.size());
    CountingStream in(cipher);
    TMemoryStream out;
    TZipKeys r;
    r.InitKeys("k");
    TUnZipWork g;
    g.StartMember(in, out, 35000, 35000, &r);
    UnStore(g);
    EXPECT_EQ(out.ToString(), plain);
    EXPECT_EQ(in.reads, (std::vector<std::int64_t>{16000, 16000, 3000}));
    EXPECT_EQ(g.FinalCrc(), Crc32Of(plain.data(), plain.size()));
}

TEST(UnZipWork, UnStoreOfAShortArchiveIsAPrematureEnd) {
    TMemoryStream in(Pattern(100)), out;
    TUnZipWork g;
    g.StartMember(in, out, 200, 200);
    try {
        UnStore(g);
        FAIL() << "no exception";
    } catch (const EFatalUnzipError& e) {
        EXPECT_STREQ(e.what(), "Premature end of file reached");
    }
}

TEST(UnZipWork, CancelSetWhileMessagesAreProcessedAbortsAndClearsTheFlag) {
    HookGuard guard;
    bool cancel = false;
    int calls = 0;
    EngineHooks().ProcessMessages = [&] {
        if (++calls == 2) cancel = true;
    };
    TMemoryStream in(Pattern(40000)), out;
    TUnZipWork g;
    g.DoProcessMessages = true;
    g.CancelFlag = &cancel;
    g.StartMember(in, out, 40000, 40000);
    try {
        UnStore(g);
        FAIL() << "no exception";
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User Aborted Operation");
    }
    EXPECT_FALSE(cancel);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(out.Size(), 16000);
}

TEST(UnZipWork, MessagesAreNotProcessedWhenNotAsked) {
    HookGuard guard;
    int calls = 0;
    EngineHooks().ProcessMessages = [&] { ++calls; };
    TMemoryStream in(Pattern(100)), out;
    TUnZipWork g;
    g.StartMember(in, out, 100, 100);
    UnStore(g);
    EXPECT_EQ(calls, 0);
}
