// The tool's deflate command gives exactly the encoder's bytes, which an
// independent decoder accepts.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "zip/codec/deflate_string_io.h"

#include <algorithm>
#include <cstring>

using testsupport::RunCommand;
using testsupport::ShellQuote;

namespace {

std::string Tool() {
    return ShellQuote(DAYSCRIB_ZIP_TOOL);
}

} // namespace

TEST(ToolDeflate, GivesTheEncodersBytesAndNamesTheMethod) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "{\\rtf1 day " + std::to_string(i % 37) + "\\par}\r\n";
    for (int level : {1, 6, 9}) {
        TDeflater deflater;
        TStringDeflateIO io(text);
        std::uint16_t flags = 0, method = 0, attributes = 0;
        deflater.Deflate(io, level, flags, method, attributes);
        std::string out;
        testsupport::TempDir dir;
        ASSERT_EQ(RunCommand(Tool() + " deflate -l " + std::to_string(level) + " 2>" +
                                 ShellQuote(dir.file("err")),
                             &out, text),
                  0);
        EXPECT_EQ(out, io.Output) << level;
        EXPECT_EQ(testsupport::ReadFile(dir.file("err")), "method 8\n");
        std::string inflated;
        ASSERT_EQ(RunCommand("python3 -c \"import sys,zlib; "
                             "sys.stdout.buffer.write(zlib.decompress(sys.stdin.buffer.read(), "
                             "-15))\"",
                             &inflated, out),
                  0);
        EXPECT_EQ(inflated, text);
    }
}

TEST(ToolDeflate, StoredWhenNothingIsGainedOrAtLevelZero) {
    testsupport::TempDir dir;
    std::string out;
    ASSERT_EQ(RunCommand(Tool() + " deflate 2>" + ShellQuote(dir.file("err")), &out, "abc"), 0);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(testsupport::ReadFile(dir.file("err")), "method 0\n");
    std::string text(5000, 'x');
    ASSERT_EQ(RunCommand(Tool() + " deflate -l 0 2>" + ShellQuote(dir.file("err")), &out, text), 0);
    EXPECT_EQ(out, text);
    EXPECT_EQ(testsupport::ReadFile(dir.file("err")), "method 0\n");
}

TEST(ToolDeflate, RejectsABadLevel) {
    EXPECT_EQ(RunCommand(Tool() + " deflate -l 10 2>/dev/null", nullptr, "abc"), 2);
    EXPECT_EQ(RunCommand(Tool() + " deflate -x 2>/dev/null", nullptr, "abc"), 2);
    EXPECT_EQ(RunCommand(Tool() + " no-such-command 2>/dev/null"), 2);
}
