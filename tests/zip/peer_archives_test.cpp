// Archives written by other programs, read through the headers here and
// compared with what Python's zipfile reports for the same file.
#include "support/test_support.h"
#include "zip/buffer_stream.h"
#include "zip/sorted_zip.h"
#include "zip/zip_header.h"
#include "zip/zip_utils.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

using testsupport::HaveProgram;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::TestData;
using testsupport::WriteFile;

namespace {

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// One line per member, then "comment <hex>"; member names are printed as
// the CP437 bytes the archive holds (all peers here write ASCII names).
const char* kOracle = R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    for i in z.infolist():
        print("%s|%d|%d|%08x|%d|%d|%d|%d|%s" % (i.orig_filename, i.compress_size, i.file_size,
              i.CRC, i.compress_type, i.flag_bits, i.header_offset, len(i.extra), i.comment.hex()))
    print("comment " + z.comment.hex())
)PY";

std::string Oracle(const std::string& archive) {
    std::string out;
    std::string cmd = "python3 -c " + ShellQuote(kOracle) + " " + ShellQuote(archive);
    EXPECT_EQ(RunCommand(cmd, &out), 0) << cmd;
    return out;
}

// The same listing made by our own reading of the archive.
std::string OurListing(const std::string& archive) {
    TLFNFileStream s(archive, false, fmOpenRead);
    TEndCentral end;
    EXPECT_TRUE(end.Locate(s));
    s.Seek(end.CentralStart, soBeginning);
    TSortedZip directory(ByNone, 2, true);
    std::ostringstream out;
    for (int i = 0; i < end.TotalEntries; ++i) {
        auto h = std::make_unique<TZipHeaderInfo>();
        EXPECT_TRUE(h->ReadCentral(s)) << archive << " member " << i;
        std::int64_t next = s.Position();
        EXPECT_TRUE(h->LoadComment(s));
        // The local header at LocalOffset names the same member.
        s.Seek(h->LocalOffset, soBeginning);
        TZipHeaderInfo local;
        EXPECT_TRUE(local.ReadLocal(s));
        EXPECT_EQ(local.Name(), h->Name());
        EXPECT_EQ(local.Method, h->Method);
        s.Seek(next, soBeginning);
        out << SlashesToZip(h->Name()) << "|" << h->CompressedSize << "|" << h->UncompressedSize
            << "|" << std::hex;
        out.width(8);
        out.fill('0');
        out << h->CRC << std::dec << "|" << h->Method << "|" << h->Flags << "|" << h->LocalOffset
            << "|" << h->CentralExtraLength << "|" << Hex(*h->FileComment()) << "\n";
        directory.Add(h.release());
    }
    EXPECT_EQ(directory.Count(), end.TotalEntries);
    EXPECT_TRUE(end.LoadComment(s));
    out << "comment " << Hex(*end.Comment()) << "\n";
    return out.str();
}

void ExpectSameAsOracle(const std::string& archive) {
    std::string ours = OurListing(archive);
    EXPECT_EQ(ours, Oracle(archive)) << archive;
}

class PeerArchives : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(dir.file("notes.txt"), "short text, stored\n");
        std::string big;
        for (int i = 0; i < 500; ++i)
            big += "{\\rtf1 line " + std::to_string(i) + " of a diary entry\\par}\n";
        std::filesystem::create_directories(dir.path() + "/2001/January/Week1");
        WriteFile(dir.file("2001/January/Week1/1.rtf"), big);
        WriteFile(dir.file("Template.rtf"), big.substr(0, 3000));
    }
    TempDir dir;
};

} // namespace

TEST_F(PeerArchives, InfoZipStoredDeflatedAndArchiveComment) {
    ASSERT_TRUE(HaveProgram("zip"));
    std::string archive = dir.file("infozip.zip");
    std::string cmd = "cd " + ShellQuote(dir.path()) + " && printf 'An archive comment\\n' | " +
                      "zip -q -z -n .txt -r infozip.zip notes.txt 2001 Template.rtf";
    ASSERT_EQ(RunCommand(cmd), 0);
    std::string ours = OurListing(archive);
    EXPECT_NE(ours.find("notes.txt|19|19|"), std::string::npos) << ours; // stored
    EXPECT_NE(ours.find("|8|"), std::string::npos);                      // a deflated one
    EXPECT_NE(ours.find("2001/January/Week1/1.rtf|"), std::string::npos);
    EXPECT_NE(ours.find("comment " + Hex("An archive comment")), std::string::npos) << ours;
    EXPECT_EQ(ours, Oracle(archive));
}

TEST_F(PeerArchives, PythonMemberCommentsAndExtraFields) {
    std::string archive = dir.file("python.zip");
    const char* script = R"PY(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    i = zipfile.ZipInfo("2001/May/3.rtf", (2001, 5, 3, 10, 20, 30))
    i.compress_type = zipfile.ZIP_DEFLATED
    i.comment = b"first member comment"
    i.extra = b"\xfe\xca\x04\x00abcd"
    z.writestr(i, b"{\\rtf1 hello}" * 50)
    j = zipfile.ZipInfo("Template.rtf", (1999, 12, 31, 23, 59, 58))
    j.comment = b"x" * 300
    z.writestr(j, b"stored bytes")
    z.comment = b"archive note"
)PY";
    ASSERT_EQ(RunCommand("python3 -c " + ShellQuote(script) + " " + ShellQuote(archive)), 0);
    ExpectSameAsOracle(archive);
}

TEST_F(PeerArchives, SevenZip) {
    ASSERT_TRUE(HaveProgram("7z"));
    std::string archive = dir.file("seven.zip");
    std::string cmd = "cd " + ShellQuote(dir.path()) +
                      " && 7z a -tzip seven.zip notes.txt 2001 Template.rtf >/dev/null";
    ASSERT_EQ(RunCommand(cmd), 0);
    ExpectSameAsOracle(archive);
}

TEST(TestDataArchives, CentralDirectoriesMatchTheOracle) {
    for (const char* name :
         {"commons-compress__SHRUNK.ZIP", "commons-compress__imploding-4Kdict-2trees.zip",
          "commons-compress__imploding-8Kdict-3trees.zip", "go__go-with-datadesc-sig.zip",
          "hwzip-generated__reduce1.zip", "hwzip-generated__reduce4.zip",
          "libarchive__comment_stored_1.zip", "libarchive__traditional_encryption_data.zip"})
        ExpectSameAsOracle(TestData(std::string("zip/") + name));
}

TEST(TestDataArchives, CommentAndExtraFieldsOfTheStoredArchive) {
    std::string archive = TestData("zip/libarchive__comment_stored_1.zip");
    TLFNFileStream s(archive, false, fmOpenRead);
    TEndCentral end;
    ASSERT_TRUE(end.Locate(s));
    EXPECT_EQ(end.CommentLength, 36);
    EXPECT_EQ(end.TotalEntries, 2);
    s.Seek(end.CentralStart, soBeginning);
    TZipHeaderInfo h;
    ASSERT_TRUE(h.ReadCentral(s));
    EXPECT_GT(h.CentralExtraLength, 0);
    EXPECT_EQ(h.Method, 0);
    ASSERT_TRUE(h.ReadCentral(s)); // the second follows the first's extra field
    EXPECT_EQ(s.Position(), static_cast<std::int64_t>(end.CentralStart + end.CentralSize));
}

TEST(TestDataArchives, NonArchivesHaveNoEndRecord) {
    for (const char* name : {"commons-compress__invalid-zip.zip", "libarchive__malformed1.zip"}) {
        TLFNFileStream s(TestData(std::string("zip/") + name), false, fmOpenRead);
        TEndCentral end;
        EXPECT_FALSE(end.Locate(s)) << name;
    }
}
