// The tool's add command: stdin as a member, level 9 and stored paths by
// default, -l and -p as asked; archives that the peers accept.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "writer_test_support.h"

using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using namespace writertest;

namespace {

std::string Tool() {
    return ShellQuote(DAYSCRIB_ZIP_TOOL);
}

} // namespace

TEST(ToolAdd, AddsAndReplacesMembersAsTheDiaryDoes) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    const std::string text(3000, 't');
    ASSERT_EQ(
        RunCommand(Tool() + " add " + ShellQuote(zip) + " '2000\\3\\Week3\\15.rtf'", nullptr, text),
        0);
    ASSERT_EQ(
        RunCommand(Tool() + " add -l 0 " + ShellQuote(zip) + " '2000\\other.rtf'", nullptr, text),
        0);
    ASSERT_EQ(
        RunCommand(Tool() + " add -p secret -l 1 " + ShellQuote(zip) + " '2000\\3\\WEEK3\\15.rtf'",
                   nullptr, text + "v2"),
        0);
    TRawArchive a = ReadRawArchive(testsupport::ReadFile(zip));
    ASSERT_EQ(a.members.size(), 2u);
    EXPECT_EQ(a.members[0].name, "2000/3/WEEK3/15.rtf");
    EXPECT_EQ(a.members[0].flags, 1 | 4); // encrypted, level 1
    EXPECT_EQ(a.members[0].method, 8);
    EXPECT_EQ(a.members[1].name, "2000/other.rtf");
    EXPECT_EQ(a.members[1].method, 0);
    EXPECT_EQ(a.members[1].flags, 0);
    std::string out;
    ASSERT_EQ(
        RunCommand(Tool() + " extract -p secret " + ShellQuote(zip) + " '2000\\3\\Week3\\15.rtf'",
                   &out),
        0);
    EXPECT_EQ(out, text + "v2");
    EXPECT_EQ(UnzipTest(zip, "secret"), "");
    EXPECT_TRUE(TempFilesIn(dir.path()).empty());
}

TEST(ToolAdd, DefaultLevelIsNine) {
    TempDir dir;
    const std::string zip = dir.file("a.zip");
    ASSERT_EQ(
        RunCommand(Tool() + " add " + ShellQuote(zip) + " a.rtf", nullptr, std::string(5000, 'x')),
        0);
    EXPECT_EQ(ReadRawArchive(testsupport::ReadFile(zip)).members[0].flags, 2);
}

TEST(ToolAdd, BadArgumentsAndDamagedArchives) {
    TempDir dir;
    const std::string zip = dir.file("a.zip");
    EXPECT_EQ(RunCommand(Tool() + " add " + ShellQuote(zip) + " 2>/dev/null", nullptr, "x"), 2);
    EXPECT_EQ(RunCommand(Tool() + " add -l 12 " + ShellQuote(zip) + " a 2>/dev/null", nullptr, "x"),
              2);
    testsupport::WriteFile(zip, "PK\x05\x06 short");
    std::string err;
    EXPECT_NE(RunCommand(Tool() + " add " + ShellQuote(zip) + " a.rtf 2>&1", &err, "x"), 0);
    EXPECT_NE(err.find("Incomplete Zip File"), std::string::npos) << err;
    EXPECT_EQ(testsupport::ReadFile(zip), "PK\x05\x06 short");
}
