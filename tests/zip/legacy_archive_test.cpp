// Shrunk, reduced and imploded members read through the archive reader and
// through the dayscrib-zip tool: the reader's dispatch reaches the legacy
// decoders, every sample member comes out whole, and a damaged member is
// reported as a CRC failure, not as extracted.
#include "support/test_support.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <gtest/gtest.h>

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::TestData;
using testsupport::WriteFile;

namespace {

struct Sample {
    const char* file;
    const char* member;
    std::size_t size;
    bool peerReads; // unzip reads every method but reduced
};

const Sample kSamples[] = {
    {"commons-compress__SHRUNK.ZIP", "TEST1.XML", 76, true},
    {"commons-compress__SHRUNK.ZIP", "TEST2.XML", 81, true},
    {"commons-compress__imploding-4Kdict-2trees.zip", "HEADER.TXT", 818, true},
    {"commons-compress__imploding-8Kdict-3trees.zip", "LICENSE.TXT", 11560, true},
    {"hwzip-generated__reduce1.zip", "HAMLET.TXT", 16384, false},
    {"hwzip-generated__reduce4.zip", "HAMLET.TXT", 16384, false},
};

std::string Extract(const std::string& archive, const std::string& member, int* count,
                    int* badCrc = nullptr) {
    TZipReader reader;
    reader.DoProcessMessages = false;
    if (badCrc) {
        *badCrc = 0;
        reader.OnBadCRC = [badCrc](TZipReader&, std::uint32_t, std::uint32_t, int) { ++*badCrc; };
    }
    reader.SetZipName(archive);
    TMemoryStream out;
    *count = reader.ExtractToStream(&out, member);
    return out.ToString();
}

std::string Peer(const std::string& archive, const std::string& member) {
    std::string out;
    EXPECT_EQ(RunCommand("unzip -p " + ShellQuote(archive) + " " + ShellQuote(member), &out), 0);
    return out;
}

} // namespace

TEST(LegacyArchive, ReaderExtractsEveryLegacyMember) {
    std::string hamlet;
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(std::string(s.file) + " " + s.member);
        std::string path = TestData(std::string("zip/") + s.file);
        int count = -1;
        std::string out = Extract(path, s.member, &count);
        EXPECT_EQ(count, 1);
        EXPECT_EQ(out.size(), s.size);
        if (s.peerReads) {
            EXPECT_EQ(out, Peer(path, s.member));
        } else if (hamlet.empty()) {
            hamlet = out;
        } else {
            EXPECT_EQ(out, hamlet); // both reduce factors give the same text
        }
    }
    EXPECT_NE(hamlet.find("THE TRAGEDY OF HAMLET, PRINCE OF DENMARK"), std::string::npos);
}

TEST(LegacyArchive, ToolExtractsAndTestsLegacyMembers) {
    const std::string tool = DAYSCRIB_ZIP_TOOL;
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(std::string(s.file) + " " + s.member);
        std::string path = TestData(std::string("zip/") + s.file);
        std::string out;
        EXPECT_EQ(
            RunCommand(ShellQuote(tool) + " extract " + ShellQuote(path) + " " + s.member, &out),
            0);
        int count = -1;
        EXPECT_EQ(out, Extract(path, s.member, &count));
        EXPECT_EQ(out.size(), s.size);
        std::string report;
        EXPECT_EQ(RunCommand(ShellQuote(tool) + " test " + ShellQuote(path), &report), 0);
        EXPECT_NE(report.find(std::string("OK ") + s.member), std::string::npos) << report;
    }
}

// One byte of each member's data changed: the reader reports a CRC failure
// and counts nothing extracted; the tool exits 1.
TEST(LegacyArchive, DamagedLegacyMemberIsACrcFailure) {
    TempDir dir;
    for (const char* file :
         {"commons-compress__SHRUNK.ZIP", "commons-compress__imploding-4Kdict-2trees.zip",
          "commons-compress__imploding-8Kdict-3trees.zip", "hwzip-generated__reduce1.zip"}) {
        SCOPED_TRACE(file);
        std::string bytes = ReadFile(TestData(std::string("zip/") + file));
        // The first member's data starts after the 30-byte header and its name.
        std::size_t nameLength = static_cast<unsigned char>(bytes[26]);
        std::size_t at = 30 + nameLength + 20;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
        std::string damaged = dir.file(std::string("damaged-") + file);
        WriteFile(damaged, bytes);
        std::string member = bytes.substr(30, nameLength);
        int count = -1, badCrc = -1;
        Extract(damaged, member, &count, &badCrc);
        EXPECT_EQ(count, 0);
        EXPECT_EQ(badCrc, 1);
        std::string out;
        EXPECT_EQ(RunCommand(ShellQuote(DAYSCRIB_ZIP_TOOL) + " extract " + ShellQuote(damaged) +
                                 " " + member + " 2>/dev/null",
                             &out),
                  1);
    }
}
