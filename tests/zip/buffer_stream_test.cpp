#include "support/test_support.h"
#include "zip/buffer_stream.h"
#include "zip/exceptions.h"

#include <gtest/gtest.h>
#include <string>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// A memory stream that takes at most `room` bytes more, like a disk filling
// up, and counts the calls that reach it.
class TLimitedStream : public TMemoryStream {
public:
    explicit TLimitedStream(std::int64_t room) : room_(room) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        ++writes;
        std::int64_t n = std::min(count, room_);
        room_ -= n;
        return TMemoryStream::Write(buffer, n);
    }
    std::int64_t Read(void* buffer, std::int64_t count) override {
        ++reads;
        return TMemoryStream::Read(buffer, count);
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        ++seeks;
        return TMemoryStream::Seek(offset, origin);
    }
    void AddRoom(std::int64_t n) { room_ += n; }
    int writes = 0, reads = 0, seeks = 0;

private:
    std::int64_t room_;
};

std::string Pattern(std::size_t n) {
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>('a' + i % 26);
    return s;
}

std::string ReadAllFrom(TStream& s, std::int64_t n) {
    std::string out(static_cast<std::size_t>(n), '\0');
    out.resize(static_cast<std::size_t>(s.Read(out.data(), n)));
    return out;
}

} // namespace

TEST(FileStream, OpenErrorsNameTheFile) {
    TempDir dir;
    std::string missing = dir.file("missing.zip");
    try {
        TFileStream f(missing, fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    }
    EXPECT_THROW(TFileStream(dir.file("no/such/folder/x"), fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(dir.path(), fmOpenRead), EFOpenError); // a folder
}

TEST(FileStream, ReadWriteSeekSizeSetSizeCommit) {
    TempDir dir;
    std::string name = dir.file("f.bin");
    {
        TFileStream f(name, fmCreate);
        EXPECT_EQ(f.Write("hello world", 11), 11);
        EXPECT_EQ(f.Size(), 11);
        EXPECT_EQ(f.Seek(-5, soEnd), 6);
        char buf[8] = {};
        EXPECT_EQ(f.Read(buf, 8), 5);
        EXPECT_EQ(std::string(buf, 5), "world");
        EXPECT_TRUE(f.SetSize(5));
        EXPECT_EQ(f.Size(), 5);
        EXPECT_TRUE(f.Commit());
        EXPECT_GE(f.Handle(), 0);
        EXPECT_THROW(f.Seek(-1, soBeginning), EStreamError);
        EXPECT_THROW(f.Seek(0, 3), EStreamError);
    }
    EXPECT_EQ(ReadFile(name), "hello");
    {
        TFileStream f(name, fmOpenRead);
        EXPECT_EQ(f.Write("x", 1), 0); // read-only: nothing taken, no exception
    }
    {
        TFileStream f(name, fmOpenReadWrite);
        f.Seek(0, soEnd);
        f.Write("!", 1);
    }
    EXPECT_EQ(ReadFile(name), "hello!");
    TFileStream truncating(name, fmCreate);
    EXPECT_EQ(truncating.Size(), 0);
}

TEST(BufferStream, SmallReadsCostOneUnderlyingReadPerBuffer) {
    TLimitedStream mem(0);
    std::string data = Pattern(20000);
    mem.TMemoryStream::Write(data.data(), static_cast<std::int64_t>(data.size()));
    mem.TMemoryStream::Seek(0, soBeginning);
    TS_BufferStream buf(mem);
    int fills = 0;
    buf.OnFill = [&](TS_BufferStream&) { ++fills; };
    std::string got;
    char c;
    while (buf.Read(&c, 1) == 1) {
        got += c;
        EXPECT_EQ(buf.Position(), static_cast<std::int64_t>(got.size()));
    }
    EXPECT_EQ(got, data);
    EXPECT_EQ(mem.reads, 4); // 8192 + 8192 + 3616, then the empty read at the end
    EXPECT_EQ(fills, 4);
    EXPECT_EQ(mem.seeks, 1); // only the position taken at creation
}

TEST(BufferStream, SeekFromEndIgnoresSignAndCountsUnflushedBytes) {
    TMemoryStream mem;
    TS_BufferStream buf(mem);
    std::string data = Pattern(100);
    EXPECT_EQ(buf.Write(data.data(), 100), 100);
    EXPECT_EQ(mem.Size(), 0); // still in the buffer
    EXPECT_EQ(buf.Size(), 100);
    EXPECT_EQ(buf.Seek(-10, soEnd), 90);
    EXPECT_EQ(mem.Size(), 100); // the seek flushed
    EXPECT_EQ(buf.Seek(10, soEnd), 90);
    EXPECT_EQ(ReadAllFrom(buf, 100), data.substr(90));
}

TEST(BufferStream, PositionQueryNeitherFlushesNorRefills) {
    TLimitedStream mem(1 << 20);
    TS_BufferStream buf(mem);
    buf.Write("abc", 3);
    EXPECT_EQ(buf.Position(), 3);
    EXPECT_EQ(buf.Seek(3, soBeginning), 3);
    EXPECT_EQ(mem.writes, 0);
    EXPECT_EQ(mem.seeks, 1);
}

TEST(BufferStream, WriteSeekToStartReadBack) {
    TempDir dir;
    TFileStream file(dir.file("a"), fmCreate);
    TS_BufferStream buf(file);
    std::string data = Pattern(30000);
    EXPECT_EQ(buf.Write(data.data(), 30000), 30000);
    EXPECT_EQ(buf.Seek(0, soBeginning), 0);
    EXPECT_EQ(ReadAllFrom(buf, 40000), data);
}

TEST(BufferStream, ReadToEndThenWriteAppends) {
    TMemoryStream mem(std::string("0123456789"));
    TS_BufferStream buf(mem);
    EXPECT_EQ(ReadAllFrom(buf, 100), "0123456789");
    EXPECT_EQ(buf.Write("AB", 2), 2);
    EXPECT_TRUE(buf.Flush());
    EXPECT_EQ(mem.ToString(), "0123456789AB");
}

TEST(BufferStream, WriteAfterPartialReadStartsAtLogicalPosition) {
    TMemoryStream mem(std::string("0123456789"));
    TS_BufferStream buf(mem);
    EXPECT_EQ(ReadAllFrom(buf, 3), "012");
    buf.Write("xy", 2);
    EXPECT_EQ(buf.Position(), 5);
    EXPECT_EQ(ReadAllFrom(buf, 2), "56"); // reading flushes the write first
    EXPECT_EQ(mem.ToString(), "012xy56789");
}

TEST(BufferStream, InvalidOriginAndPutBack) {
    TMemoryStream mem(std::string("abc"));
    TS_BufferStream buf(mem);
    try {
        buf.Seek(0, 7);
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Invalid seek origin (7)");
    }
    try {
        buf.PutBack('x');
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Putback overflow");
    }
    char c;
    buf.Read(&c, 1);
    buf.Read(&c, 1);
    buf.PutBack('Q');
    EXPECT_EQ(buf.Position(), 1);
    EXPECT_EQ(ReadAllFrom(buf, 5), "Qc");
}

TEST(BufferStream, ShortFlushKeepsBytesAndReportsIt) {
    TLimitedStream mem(100);
    {
        TS_BufferStream buf(mem);
        std::string data = Pattern(10000);
        EXPECT_EQ(buf.Write(data.data(), 8000), 8000); // fits the buffer
        // The buffer fills at 8192 and its flush gets only 100 bytes out: the
        // 192 bytes of this call that were in it are given back, so the call
        // reports nothing taken; the older 7,900 bytes stay buffered.
        EXPECT_EQ(buf.Write(data.data() + 8000, 1000), 0);
        EXPECT_EQ(buf.Position(), 8000);
        EXPECT_FALSE(buf.Flush());
        mem.AddRoom(100000);
        EXPECT_TRUE(buf.Flush());
        EXPECT_EQ(mem.ToString(), data.substr(0, 8000));
    }
    TLimitedStream small(5);
    TS_BufferStream buf(small);
    EXPECT_EQ(buf.Write("0123456789", 10), 10); // fits the buffer
    EXPECT_FALSE(buf.Flush());                  // but not the "disk"
    try {
        buf.Seek(0, soBeginning);
        FAIL();
    } catch (const EStreamError& e) {
        EXPECT_STREQ(e.what(), "Seek error");
    }
    EXPECT_EQ(buf.Size(), 10); // the five stuck bytes still count
}

TEST(BufferStream, SetSizeFlushesThenForwards) {
    TMemoryStream mem;
    TS_BufferStream buf(mem);
    buf.Write("0123456789", 10);
    EXPECT_TRUE(buf.SetSize(4));
    EXPECT_EQ(mem.ToString(), "0123");
    EXPECT_EQ(buf.Size(), 4);
}

TEST(BufferStream, WrittenFlagAndFlushNotification) {
    TMemoryStream mem;
    TS_BufferStream buf(mem);
    int flushes = 0;
    buf.OnFlush = [&](TS_BufferStream&) { ++flushes; };
    EXPECT_FALSE(buf.Written());
    std::string data = Pattern(8192 * 2 + 1);
    buf.Write(data.data(), static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(buf.Written());
    EXPECT_EQ(flushes, 2);
    EXPECT_TRUE(buf.Flush());
    EXPECT_EQ(flushes, 3);
    EXPECT_EQ(mem.ToString(), data);
}

TEST(LFNFileStream, FlushesOnDestroyAndOwnsTheFile) {
    TempDir dir;
    std::string name = dir.file("out.bin");
    {
        TLFNFileStream s(name, true, fmCreate);
        EXPECT_TRUE(s.FlushOnDestroy());
        s.Write("payload", 7);
        EXPECT_EQ(ReadFile(name), ""); // still buffered
    }
    EXPECT_EQ(ReadFile(name), "payload");
    TLFNFileStream reader(name, true, fmOpenRead);
    EXPECT_FALSE(reader.FlushOnDestroy()); // nothing to commit on a read-only file
    EXPECT_EQ(ReadAllFrom(reader, 100), "payload");
    EXPECT_THROW(TLFNFileStream(dir.file("nope"), false, fmOpenRead), EFOpenError);
}

// Extraction appends to a memory stream whose room it made at once; writes
// that overwrite, or start past the end, keep their meaning.
TEST(MemoryStream, AppendsOverwritesAndExtendsWhateverRoomWasMade) {
    TMemoryStream m;
    m.Reserve(1ll << 40); // a header's claim: room is made for what can be, not for it
    EXPECT_EQ(m.Size(), 0);
    EXPECT_EQ(m.Write("dear ", 5), 5);
    EXPECT_EQ(m.Write("diary", 5), 5);
    EXPECT_EQ(m.ToString(), "dear diary");
    m.Seek(5, soBeginning);
    EXPECT_EQ(m.Write("DIARY!", 6), 6); // over the end: overwritten and extended
    EXPECT_EQ(m.ToString(), "dear DIARY!");
    m.Seek(13, soBeginning);
    EXPECT_EQ(m.Write("x", 1), 1); // past the end: the gap reads as zeros
    EXPECT_EQ(m.ToString(), std::string("dear DIARY!\0\0x", 14));
    EXPECT_EQ(m.Position(), 14);
}
