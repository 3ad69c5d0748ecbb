// One decode frame per reader, kept across members and calls: whatever a
// member left in its buffers, the next member decodes as if the frame were
// new (a distance before its start reads zeros), and each call's progress
// counts that call's bytes only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/bit_writer.h"
#include "support/test_support.h"
#include "zip/codec/crc32.h"
#include "zip/codec/deflate.h"
#include "zip/codec/deflate_string_io.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip_builder.h"

using testsupport::TempDir;
using testsupport::WriteFile;
using ziptest::BuildArchive;
using ziptest::RawMember;

namespace {

RawMember Deflated(const std::string& name, const std::string& text) {
    RawMember m;
    m.name = name;
    TStringDeflateIO io(text);
    TDeflater deflater;
    std::uint16_t internal = 0;
    deflater.Deflate(io, 6, m.flags, m.method, internal);
    m.data = io.Output;
    m.crc = Crc32Of(text.data(), text.size());
    m.uncompressedSize = static_cast<std::uint32_t>(text.size());
    return m;
}

// A fixed-code deflate member: 'x', then 3 bytes from 5 back, four of them
// before the member's first byte.
RawMember ReachesBeforeItsStart(const std::string& name) {
    codectest::BitWriter w;
    w.Bits(1, 1);          // final block
    w.Bits(1, 2);          // fixed codes
    w.Code(0x30 + 'x', 8); // literal 'x'
    w.Code(257 - 256, 7);  // length 3
    w.Code(4, 5);          // distance code 4: 5 or 6
    w.Bits(0, 1);          // 5
    w.Code(0, 7);          // end of block
    const std::string out("x\0\0\0", 4);
    RawMember m;
    m.name = name;
    m.data = w.Take();
    m.method = 8;
    m.crc = Crc32Of(out.data(), out.size());
    m.uncompressedSize = 4;
    return m;
}

class ReaderFrame : public ::testing::Test {
protected:
    TempDir dir;
    std::string zip = dir.file("a.zip");
    // Fills the whole inflate window and the frame's buffers with 'A'.
    std::string many = std::string(100000, 'A');
    std::string stored = "stored member";
    void SetUp() override {
        RawMember s;
        s.name = "stored.txt";
        s.data = stored;
        s.crc = Crc32Of(stored.data(), stored.size());
        s.uncompressedSize = static_cast<std::uint32_t>(stored.size());
        WriteFile(zip,
                  BuildArchive({Deflated("many.txt", many), ReachesBeforeItsStart("x.txt"), s}));
    }
};

} // namespace

TEST_F(ReaderFrame, NoMemberSeesWhatAnEarlierOneLeft) {
    TZipReader r;
    r.SetZipName(zip);
    const std::string x("x\0\0\0", 4);
    for (int round = 0; round < 2; ++round) {
        TMemoryStream a, b, c;
        ASSERT_EQ(r.ExtractToStream(&a, "many.txt"), 1);
        EXPECT_EQ(a.ToString(), many);
        ASSERT_EQ(r.ExtractToStream(&b, "x.txt"), 1);
        EXPECT_EQ(b.ToString(), x);
        ASSERT_EQ(r.ExtractIndexToStream(&c, 0), 1);
        TMemoryStream d;
        ASSERT_EQ(r.ExtractIndexToStream(&d, 1), 1);
        EXPECT_EQ(d.ToString(), x);
    }
    // And in one run, member after member.
    TMemoryStream sink;
    std::vector<std::string> got;
    r.ExtractEachToStream(sink, {0, 1, 2, 1}, [&](int, bool whole, const std::string& error) {
        EXPECT_TRUE(whole) << error;
        got.push_back(sink.ToString());
    });
    EXPECT_EQ(got, (std::vector<std::string>{many, x, stored, x}));
}

// Every call is a run of its own: its total progress climbs to 100 once,
// whatever the calls before it handed on.
TEST_F(ReaderFrame, EachCallCountsItsOwnProgress) {
    TZipReader r;
    r.SetZipName(zip);
    std::vector<int> percents;
    r.OnTotalPercentDone = [&](TZipReader&, int p) { percents.push_back(p); };
    for (int call = 0; call < 3; ++call) {
        percents.clear();
        TMemoryStream out;
        if (call == 1) {
            ASSERT_EQ(r.ExtractIndexToStream(&out, 0), 1);
        } else {
            ASSERT_EQ(r.ExtractToStream(&out, "many.txt"), 1);
        }
        ASSERT_FALSE(percents.empty()) << call;
        EXPECT_EQ(percents.back(), 100) << call;
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << call;
        EXPECT_LT(percents.front(), 100) << call;
    }
    percents.clear();
    TMemoryStream sink;
    r.ExtractEachToStream(sink, {0, 2}, [](int, bool, const std::string&) {});
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);
}
