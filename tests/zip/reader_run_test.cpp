// Extracting many members in one run (ExtractEachToStream, the tool's test
// command): each member's outcome on its own, a failing member not ending
// the run, and one look at the archive for the whole run.
#include <gtest/gtest.h>

#include <cstdio>

#include "support/test_support.h"
#include "zip/codec/crc32.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip_builder.h"

using testsupport::TempDir;
using testsupport::WriteFile;
using ziptest::BuildArchive;
using ziptest::RawMember;
using ziptest::Stored;

namespace {

struct TOutcome {
    int index;
    bool whole;
    std::string error;
    std::string bytes;
};

} // namespace

TEST(ReaderRun, EachMemberOnItsOwnAndAFailureDoesNotEndTheRun) {
    TempDir dir;
    RawMember badCrc = Stored("b.txt", "bravo");
    badCrc.crc ^= 1;
    const std::string zip = dir.file("a.zip");
    WriteFile(zip, BuildArchive({Stored("a.txt", std::string(70000, 'a')), badCrc,
                                 Stored("d.txt", "delta")}));
    TZipReader r;
    r.SetZipName(zip);
    r.OpenArchive();
    int badCrcEvents = 0;
    r.OnBadCRC = [&](TZipReader&, std::uint32_t, std::uint32_t, int) { ++badCrcEvents; };
    TMemoryStream out;
    std::vector<TOutcome> seen;
    r.ExtractEachToStream(out, {0, 1, 2, 0}, [&](int i, bool whole, const std::string& error) {
        seen.push_back({i, whole, error, out.ToString()});
    });
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0].whole);
    EXPECT_EQ(seen[0].bytes, std::string(70000, 'a'));
    EXPECT_FALSE(seen[1].whole);
    EXPECT_EQ(seen[1].error, "");
    EXPECT_EQ(seen[1].bytes, ""); // a failed member's output is cut back
    EXPECT_EQ(badCrcEvents, 1);
    EXPECT_TRUE(seen[2].whole);
    EXPECT_EQ(seen[2].bytes, "delta"); // the stream is emptied before each member
    EXPECT_TRUE(seen[3].whole);
    EXPECT_EQ(seen[3].index, 0);

    // A member whose directory entry claims more data than the file holds
    // ends with the decoder's message, and the run goes on.
    std::string bytes = BuildArchive(
        {Stored("a.txt", "alpha"), Stored("c.txt", "charlie"), Stored("d.txt", "delta")});
    std::size_t central = bytes.find("PK\x01\x02");
    central = bytes.find("PK\x01\x02", central + 1); // c.txt's
    ASSERT_NE(central, std::string::npos);
    for (std::size_t field : {central + 20, central + 24}) // both sizes: 16 MiB
        bytes.replace(field, 4, std::string("\xFF\xFF\xFF\x00", 4));
    WriteFile(zip, bytes);
    TZipReader r2;
    r2.SetZipName(zip);
    r2.OpenArchive();
    seen.clear();
    r2.ExtractEachToStream(out, {0, 1, 2}, [&](int i, bool whole, const std::string& error) {
        seen.push_back({i, whole, error, out.ToString()});
    });
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_TRUE(seen[0].whole);
    EXPECT_FALSE(seen[1].whole);
    EXPECT_EQ(seen[1].error, "Premature end of file reached");
    EXPECT_TRUE(seen[2].whole);
    EXPECT_EQ(seen[2].bytes, "delta");
}

TEST(ReaderRun, AnIndexOutOfRangeIsRefusedBeforeAnything) {
    TempDir dir;
    const std::string zip = dir.file("a.zip");
    WriteFile(zip, BuildArchive({Stored("a.txt", "alpha")}));
    TZipReader r;
    r.SetZipName(zip);
    TMemoryStream out;
    int calls = 0;
    EXPECT_THROW(
        r.ExtractEachToStream(out, {0, 1}, [&](int, bool, const std::string&) { ++calls; }),
        EListError);
    EXPECT_EQ(calls, 0);
}

// The run looks at the archive once: an archive renamed over it half-way
// does not break the run, which goes on reading the file it opened, whole.
TEST(ReaderRun, TheArchiveIsLookedAtOnceForTheWholeRun) {
    TempDir dir;
    const std::string zip = dir.file("a.zip");
    WriteFile(zip, BuildArchive({Stored("a.txt", "alpha"), Stored("b.txt", "bravo"),
                                 Stored("c.txt", "charlie")}));
    WriteFile(dir.file("other.zip"), BuildArchive({Stored("x.txt", std::string(3000, 'x'))}));
    TZipReader r;
    r.SetZipName(zip);
    TMemoryStream out;
    std::vector<std::string> got;
    r.ExtractEachToStream(out, {0, 1, 2}, [&](int, bool whole, const std::string&) {
        got.push_back(whole ? out.ToString() : "(failed)");
        if (got.size() == 1) std::rename(dir.file("other.zip").c_str(), zip.c_str());
    });
    EXPECT_EQ(got, (std::vector<std::string>{"alpha", "bravo", "charlie"}));
    EXPECT_EQ(r.DirectoryReads(), 1);
    // The next call sees the new archive.
    r.OpenArchive();
    EXPECT_EQ(r.Count(), 1);
    EXPECT_EQ(r.DirectoryReads(), 2);
}

// The directory is read in pieces: headers cut by the end of a piece, a
// header larger than a piece (a long comment), and damage found half-way.
TEST(ReaderDirectory, LargeDirectoriesAndLargeHeadersReadWhole) {
    TempDir dir;
    std::vector<RawMember> members;
    for (int i = 0; i < 3000; ++i)
        members.push_back(Stored("2001/" + std::to_string(i % 12 + 1) + "/Week" +
                                     std::to_string(i % 5 + 1) + "/" + std::to_string(i) + ".rtf",
                                 "entry " + std::to_string(i)));
    members[1500].comment = std::string(65000, 'c');
    const std::string zip = dir.file("a.zip");
    std::string bytes = BuildArchive(members);
    WriteFile(zip, bytes);
    TZipReader r;
    r.SetZipName(zip);
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 3000);
    EXPECT_EQ(r.Member(2999).FileName(), "2999.rtf");
    EXPECT_EQ(r.GetFileComment(1500), std::string(65000, 'c'));
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "2001\\6\\Week1\\2885.rtf"), 1);
    EXPECT_EQ(out.ToString(), "entry 2885");

    // A signature spoilt half-way, and a file that ends inside the directory.
    const std::size_t central = bytes.find("2001/1/Week1/0.rtf", bytes.size() / 2) - 46;
    std::string spoilt = bytes;
    const std::size_t later = spoilt.find("PK\x01\x02", central + 200000);
    ASSERT_NE(later, std::string::npos);
    spoilt[later + 2] = 9;
    WriteFile(zip, spoilt);
    TZipReader r2;
    r2.SetZipName(zip);
    EXPECT_THROW(r2.OpenArchive(), EBadZipFile);
    std::string cut = bytes.substr(0, central + 100000) + bytes.substr(bytes.size() - 22);
    WriteFile(zip, cut);
    TZipReader r3;
    r3.SetZipName(zip);
    EXPECT_THROW(r3.OpenArchive(), EBadZipFile);
}
