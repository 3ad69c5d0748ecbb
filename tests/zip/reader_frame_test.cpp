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

namespace {

// A member of these stored bytes (method 0) or deflated ones (method 8).
ziptest::RawMember Member(const std::string& name, const std::string& plain, int method,
                          std::string data = std::string()) {
    ziptest::RawMember m;
    m.name = name;
    m.method = static_cast<std::uint16_t>(method);
    if (method == 8 && data.empty()) {
        TStringDeflateIO io(plain);
        std::uint16_t internal = 0;
        TDeflater().Deflate(io, 6, m.flags, m.method, internal);
        data = io.Output;
    }
    m.data = method == 0 ? plain : data;
    m.crc = Crc32Of(plain.data(), plain.size());
    m.uncompressedSize = static_cast<std::uint32_t>(plain.size());
    return m;
}

// Fixed codes: 'x', then 3 bytes from 5 back, four of them before the start.
std::string ReachingBeforeItsStart() {
    codectest::BitWriter w;
    w.Bits(1, 1);          // final block
    w.Bits(1, 2);          // fixed codes
    w.Code(0x30 + 'x', 8); // literal 'x'
    w.Code(257 - 256, 7);  // length 3
    w.Code(4, 5);          // distance code 4 and its extra bit: 5
    w.Bits(0, 1);
    w.Code(0, 7); // end of block
    return w.Take();
}

class ReaderFrame : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string zip = dir.file("a.zip");
    std::string many = std::string(100000, 'A'); // fills the window and every buffer
    std::string x = std::string("x\0\0\0", 4);
    void SetUp() override {
        testsupport::WriteFile(
            zip, ziptest::BuildArchive({Member("many.txt", many, 8),
                                        Member("x.txt", x, 8, ReachingBeforeItsStart()),
                                        Member("stored.txt", "stored", 0)}));
    }
};

} // namespace

TEST_F(ReaderFrame, NoMemberSeesWhatAnEarlierOneLeft) {
    TZipReader r;
    r.SetZipName(zip);
    TMemoryStream a, b, c, d;
    ASSERT_EQ(r.ExtractToStream(&a, "many.txt"), 1);
    EXPECT_EQ(a.ToString(), many);
    ASSERT_EQ(r.ExtractToStream(&b, "x.txt"), 1);
    EXPECT_EQ(b.ToString(), x);
    ASSERT_EQ(r.ExtractIndexToStream(&c, 0), 1);
    ASSERT_EQ(r.ExtractIndexToStream(&d, 1), 1);
    EXPECT_EQ(d.ToString(), x);
    // And in one run, member after member.
    TMemoryStream sink;
    std::vector<std::string> got;
    r.ExtractEachToStream(sink, {0, 1, 2, 1}, [&](int, bool whole, const std::string& error) {
        EXPECT_TRUE(whole) << error;
        got.push_back(sink.ToString());
    });
    EXPECT_EQ(got, (std::vector<std::string>{many, x, "stored", x}));
}

// Every call is a run of its own: its total progress climbs to 100 once,
// whatever the calls before it handed on.
TEST_F(ReaderFrame, EachCallCountsItsOwnProgress) {
    TZipReader r;
    r.SetZipName(zip);
    std::vector<int> percents;
    r.OnTotalPercentDone = [&](TZipReader&, int p) { percents.push_back(p); };
    for (int call = 0; call < 4; ++call) {
        percents.clear();
        TMemoryStream out;
        if (call == 3) {
            r.ExtractEachToStream(out, {0, 2}, [](int, bool, const std::string&) {});
        } else {
            ASSERT_EQ(call == 1 ? r.ExtractIndexToStream(&out, 0)
                                : r.ExtractToStream(&out, "many.txt"),
                      1);
        }
        ASSERT_FALSE(percents.empty()) << call;
        EXPECT_LT(percents.front(), 100) << call;
        EXPECT_EQ(percents.back(), 100) << call;
        EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << call;
    }
}
