// The dayscrib-zip tool run as a program: output formats and exit codes.
#include "support/test_support.h"
#include "zip/codec/crc32.h"
#include "zip_builder.h"

#include <gtest/gtest.h>

#include <regex>

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::TestData;
using testsupport::WriteFile;

namespace {

const std::string kTool = DAYSCRIB_ZIP_TOOL;

// Runs the tool; stdout in *out, stderr in *err.
int Tool(const std::string& args, std::string* out, std::string* err = nullptr,
         const std::string& input = std::string()) {
    TempDir tmp;
    int rc = RunCommand(ShellQuote(kTool) + " " + args + " 2> " + ShellQuote(tmp.file("err")), out,
                        input);
    if (err) *err = ReadFile(tmp.file("err"));
    return rc;
}

class ToolTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string archive = dir.file("t.zip");
    void SetUp() override {
        WriteFile(dir.file("hello.txt"), "Hello, diary!\n");
        RunCommand("mkdir -p " + ShellQuote(dir.file("2001/3/Week3")));
        WriteFile(dir.file("2001/3/Week3/15.rtf"), std::string(5000, 'r'));
        ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) +
                             " && zip -q -9 t.zip hello.txt 2001/3/Week3/15.rtf"),
                  0);
        // The password in windows-1252, as the diary keys a password typed
        // as UTF-8 whose characters all have a code there.
        ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) +
                             " && zip -q -e -P \"$(printf 'p\\344sswort')\" enc.zip hello.txt"),
                  0);
    }
};

} // namespace

TEST_F(ToolTest, ListShowsOneLinePerMemberInArchiveOrder) {
    std::string out;
    ASSERT_EQ(Tool("list " + ShellQuote(archive), &out), 0);
    std::regex line(
        R"((\d+) 0x([0-9A-F]{4}) (\d+) (\d+) ([0-9a-f]{8}) (\d{4}-\d{2}-\d{2}) (\d{2}:\d{2}:\d{2}) (.*))");
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        std::string l = out.substr(start, end - start);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(l, m, line)) << l;
        names.push_back(m[8]);
        if (m[8] == "2001\\3\\Week3\\15.rtf") {
            EXPECT_EQ(m[1].str(), "8");
        }
        if (m[8] == "hello.txt") {
            EXPECT_EQ(m[4].str(), "14");
            char crc[9];
            std::snprintf(crc, sizeof crc, "%08x", Crc32Of("Hello, diary!\n", 14));
            EXPECT_EQ(m[5].str(), crc);
        }
        start = end + 1;
    }
    EXPECT_EQ(names, (std::vector<std::string>{"hello.txt", "2001\\3\\Week3\\15.rtf"}));
}

TEST_F(ToolTest, ExtractWritesTheBytes) {
    std::string out;
    EXPECT_EQ(Tool("extract " + ShellQuote(archive) + " HELLO.TXT", &out), 0);
    EXPECT_EQ(out, "Hello, diary!\n");
    EXPECT_EQ(Tool("extract " + ShellQuote(archive) + " '2001\\3\\Week3\\15.rtf'", &out), 0);
    EXPECT_EQ(out, std::string(5000, 'r'));
}

TEST_F(ToolTest, ExtractWithAUtf8Password) {
    std::string out, err;
    EXPECT_EQ(Tool("extract -p 'pässwort' " + ShellQuote(dir.file("enc.zip")) + " hello.txt", &out),
              0);
    EXPECT_EQ(out, "Hello, diary!\n");
    EXPECT_EQ(
        Tool("extract -p wrong " + ShellQuote(dir.file("enc.zip")) + " hello.txt", &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_NE(err.find("wrong password"), std::string::npos) << err;
}

TEST_F(ToolTest, ExtractOfAnAbsentMemberIsExitOne) {
    std::string out, err;
    EXPECT_EQ(Tool("extract " + ShellQuote(archive) + " nothere.txt", &out, &err), 1);
    EXPECT_NE(err.find("no such member"), std::string::npos);
}

TEST_F(ToolTest, TestReportsEveryMember) {
    std::string out;
    EXPECT_EQ(Tool("test " + ShellQuote(archive), &out), 0);
    EXPECT_EQ(out, "OK hello.txt\nOK 2001\\3\\Week3\\15.rtf\n");
    EXPECT_EQ(Tool("test -p pässwort " + ShellQuote(dir.file("enc.zip")), &out), 0);
    EXPECT_EQ(out, "OK hello.txt\n");
    EXPECT_EQ(Tool("test " + ShellQuote(dir.file("enc.zip")), &out), 1);
    EXPECT_EQ(out, "FAILED hello.txt: wrong password\n");

    // A damaged CRC and an unknown method.
    ziptest::RawMember good, bad, odd;
    good.name = "good.txt";
    good.data = "fine";
    good.crc = Crc32Of("fine", 4);
    good.uncompressedSize = 4;
    bad = good;
    bad.name = "bad.txt";
    bad.crc ^= 1;
    odd = good;
    odd.name = "odd.txt";
    odd.method = 77;
    WriteFile(dir.file("mixed.zip"), ziptest::BuildArchive({good, bad, odd}));
    EXPECT_EQ(Tool("test " + ShellQuote(dir.file("mixed.zip")), &out), 1);
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "OK good.txt\nFAILED bad.txt: CRC error (calculated %08x, stored %08x)\n"
                  "FAILED odd.txt: Unknown Compression Method\n",
                  good.crc, bad.crc);
    EXPECT_EQ(out, expected);
}

TEST_F(ToolTest, ErrorsAreExitTwoWithTheEngineMessage) {
    std::string out, err;
    EXPECT_EQ(Tool("list " + ShellQuote(dir.file("missing.zip")), &out, &err), 2);
    EXPECT_NE(err.find("missing.zip"), std::string::npos) << err;
    WriteFile(dir.file("five.zip"), "12345");
    EXPECT_EQ(Tool("test " + ShellQuote(dir.file("five.zip")), &out, &err), 2);
    EXPECT_EQ(err, "dayscrib-zip: Incomplete Zip File\n");
    EXPECT_EQ(
        Tool("list " + ShellQuote(TestData("zip/commons-compress__invalid-zip.zip")), &out, &err),
        2);
    EXPECT_EQ(Tool("frobnicate", &out, &err), 2);
    EXPECT_NE(err.find("usage:"), std::string::npos);
    EXPECT_EQ(Tool("extract onlyone", &out, &err), 2);
    EXPECT_EQ(Tool("extract -p", &out, &err), 2);
    EXPECT_EQ(Tool("", &out, &err), 2);
}

TEST_F(ToolTest, HelpExplainsEveryCommand) {
    std::string out;
    EXPECT_EQ(Tool("--help", &out), 0);
    for (const char* word :
         {"list", "extract", "test", "inflate", "-p PASSWORD", "Exit status", "--text"})
        EXPECT_NE(out.find(word), std::string::npos) << word;
    std::string sub;
    EXPECT_EQ(Tool("extract --help", &sub), 0);
    EXPECT_EQ(sub, out);
}

TEST_F(ToolTest, InflateDecodesRawDeflate) {
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += "raw deflate line " + std::to_string(i % 17) + "\n";
    WriteFile(dir.file("plain"), text);
    ASSERT_EQ(RunCommand("python3 -c \"import zlib,sys; c=zlib.compressobj(9, zlib.DEFLATED, -15); "
                         "d=open(sys.argv[1],'rb').read(); "
                         "open(sys.argv[2],'wb').write(c.compress(d)+c.flush())\" " +
                         ShellQuote(dir.file("plain")) + " " + ShellQuote(dir.file("raw"))),
              0);
    std::string out;
    EXPECT_EQ(Tool("inflate < " + ShellQuote(dir.file("raw")), &out), 0);
    EXPECT_TRUE(out == text);
    std::string err;
    EXPECT_EQ(Tool("inflate", &out, &err, std::string("\xff\xff\xff", 3)), 1); // block type 3
    EXPECT_EQ(Tool("inflate extra", &out, &err), 2);
}

TEST_F(ToolTest, TextOptionGivesThePlainTextOfAnRtfMember) {
    WriteFile(dir.file("entry.rtf"),
              "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0 Dear diary\\par "
              "second line\\par}");
    ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) + " && zip -q -9 rtf.zip entry.rtf"), 0);
    std::string out, err;
    int rc = Tool("extract --text " + ShellQuote(dir.file("rtf.zip")) + " entry.rtf", &out, &err);
    if (err.find("--text needs the GUI build") != std::string::npos) {
        EXPECT_EQ(rc, 2); // a build without the RTF reader says so
    } else {
        EXPECT_EQ(rc, 0) << err;
        EXPECT_EQ(out, "Dear diary\nsecond line\n");
    }
}
