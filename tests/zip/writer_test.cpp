// The archive writer on the diary's road: AddFromStream into new, empty,
// damaged and existing archives; what each member gets; the component's
// state afterwards.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/codec/crc32.h"
#include "zip/dos_time.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using namespace writertest;

namespace {

class WriterTest : public ::testing::Test {
protected:
    TempDir dir;
    TempDir tempFolder; // the writer's TempPath, to see what it leaves there
    std::string zip = dir.file("Daybank.zip");

    void SetUp() override { writer.TempPath = tempFolder.path(); }

    int Add(const std::string& name, const std::string& data) {
        TMemoryStream s(data);
        return writer.AddFromStream(&s, name);
    }
    std::string Extract(const std::string& name) {
        TZipWriter reader;
        reader.SetZipName(zip);
        reader.ZipPassword = writer.ZipPassword;
        TMemoryStream out;
        EXPECT_EQ(reader.ExtractToStream(&out, name), 1) << name;
        return out.ToString();
    }
    void ExpectNoTempFiles() {
        EXPECT_TRUE(TempFilesIn(dir.path()).empty());
        EXPECT_TRUE(TempFilesIn(tempFolder.path()).empty());
    }

    TZipWriter writer;
};

} // namespace

TEST_F(WriterTest, DefaultsAndCouplingOfThePathProperties) {
    TZipWriter w;
    EXPECT_EQ(w.PackLevel(), 6);
    EXPECT_FALSE(w.StorePaths());
    EXPECT_FALSE(w.RelativePaths());
    EXPECT_FALSE(w.StoreVolumes());
    EXPECT_EQ(w.ZipAction, zaUpdate);
    EXPECT_TRUE(w.TempPath.empty());
    EXPECT_TRUE(w.NoCompressList.empty());
    EXPECT_EQ(w.MultiZipInfo.MultiMode, mmNone);
    EXPECT_EQ(w.MultiZipInfo.BlockSize, 1457600);
    EXPECT_TRUE(w.MultiZipInfo.WriteDiskLabels);
    w.SetStoreVolumes(true);
    EXPECT_TRUE(w.StorePaths());
    w.SetRelativePaths(true);
    EXPECT_TRUE(w.Recurse);
    w.SetStorePaths(false);
    EXPECT_FALSE(w.StoreVolumes());
    EXPECT_FALSE(w.RelativePaths());
}

TEST_F(WriterTest, PackLevelOutsideZeroToNineIsRefused) {
    writer.SetPackLevel(0);
    writer.SetPackLevel(9);
    EXPECT_THROW(writer.SetPackLevel(10), Exception);
    EXPECT_THROW(writer.SetPackLevel(-1), Exception);
    EXPECT_EQ(writer.PackLevel(), 9);
}

TEST_F(WriterTest, BlankNameMissingStreamOrNoArchiveNameWriteNothing) {
    writer.SetZipName(zip);
    TMemoryStream s("x");
    EXPECT_EQ(writer.AddFromStream(&s, " \t "), 0);
    EXPECT_EQ(writer.AddFromStream(nullptr, "a.rtf"), 0);
    TZipWriter unnamed;
    EXPECT_EQ(unnamed.AddFromStream(&s, "a.rtf"), 0);
    EXPECT_FALSE(testsupport::FileExists(zip));
}

TEST_F(WriterTest, NewArchiveHasOneMemberAndCountsOfOne) {
    writer.SetZipName(zip);
    writer.SetStorePaths(true);
    EXPECT_EQ(Add("2000\\3\\Week3\\15.rtf", "{\\rtf1 entry}"), 1);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(a.entriesThisDisk, 1);
    EXPECT_EQ(a.totalEntries, 1);
    ASSERT_EQ(a.members.size(), 1u);
    EXPECT_EQ(a.members[0].name, "2000/3/Week3/15.rtf");
    EXPECT_TRUE(a.members[0].localAgrees);
    EXPECT_EQ(Extract("2000\\3\\Week3\\15.rtf"), "{\\rtf1 entry}");
    ExpectNoTempFiles();
    EXPECT_EQ(UnzipTest(zip), "");
}

TEST_F(WriterTest, ZeroByteArchiveBecomesAOneMemberArchive) {
    WriteFile(zip, "");
    writer.SetZipName(zip);
    EXPECT_EQ(Add("a.rtf", "text"), 1);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(a.totalEntries, 1);
    EXPECT_EQ(Extract("a.rtf"), "text");
    ExpectNoTempFiles();
}

TEST_F(WriterTest, ShortFileIsAnIncompleteZipAndStaysAsItWas) {
    for (std::size_t n : {1u, 5u, 21u}) {
        const std::string bytes(n, 'P');
        WriteFile(zip, bytes);
        TZipWriter w;
        w.TempPath = tempFolder.path();
        w.SetZipName(zip);
        TMemoryStream s("text");
        try {
            w.AddFromStream(&s, "a.rtf");
            FAIL() << "no exception for " << n;
        } catch (const EIncompleteZip& e) {
            EXPECT_STREQ(e.what(), "Incomplete Zip File");
        }
        EXPECT_EQ(ReadFile(zip), bytes);
        ExpectNoTempFiles();
    }
}

TEST_F(WriterTest, ReplacingTheMiddleMemberKeepsOrderAndTheOthersBytes) {
    writer.SetZipName(zip);
    writer.SetStorePaths(true);
    writer.SetPackLevel(9);
    Add("2000\\1.rtf", std::string(3000, 'a') + "one");
    Add("2000\\2.rtf", std::string(3000, 'b') + "two");
    Add("2000\\3.rtf", std::string(3000, 'c') + "three");
    TRawArchive before = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(Add("2000\\2.rtf", "new middle"), 1);
    TRawArchive after = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(after.members.size(), 3u);
    EXPECT_EQ(after.members[0].name, "2000/1.rtf");
    EXPECT_EQ(after.members[1].name, "2000/2.rtf");
    EXPECT_EQ(after.members[2].name, "2000/3.rtf");
    EXPECT_EQ(after.members[0].data, before.members[0].data);
    EXPECT_EQ(after.members[2].data, before.members[2].data);
    EXPECT_EQ(after.members[2].crc, before.members[2].crc);
    EXPECT_EQ(after.members[0].dosDateTime, before.members[0].dosDateTime);
    for (const TRawMember& m : after.members)
        EXPECT_TRUE(m.localAgrees) << m.name;
    EXPECT_EQ(Extract("2000\\2.rtf"), "new middle");
    EXPECT_EQ(Extract("2000\\3.rtf"), std::string(3000, 'c') + "three");
    EXPECT_EQ(UnzipTest(zip), "");
}

TEST_F(WriterTest, ANameDifferingOnlyInCaseReplacesWithTheNewSpelling) {
    writer.SetZipName(zip);
    writer.SetStorePaths(true);
    Add("2000\\Week3\\15.rtf", "old");
    Add("2000\\other.rtf", "other");
    EXPECT_EQ(Add("2000\\WEEK3\\15.RTF", "new"), 1);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(a.members.size(), 2u);
    EXPECT_EQ(a.members[0].name, "2000/WEEK3/15.RTF");
    EXPECT_EQ(Extract("2000\\week3\\15.rtf"), "new");
}

TEST_F(WriterTest, AnUnencryptedReplacementOfAnEncryptedMemberHasNoHeader) {
    writer.SetZipName(zip);
    writer.ZipPassword = "secret";
    Add("a.rtf", "protected text");
    TRawArchive enc = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(enc.members[0].flags & 1, 1);
    writer.ZipPassword.clear();
    Add("a.rtf", "plain text");
    TRawArchive plain = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(plain.members.size(), 1u);
    EXPECT_EQ(plain.members[0].flags & 1, 0);
    EXPECT_EQ(plain.members[0].method, 0); // too short to gain anything
    EXPECT_EQ(plain.members[0].data, "plain text");
    EXPECT_EQ(Extract("a.rtf"), "plain text");
}

TEST_F(WriterTest, EncryptedMembersStayEncryptedWhenCopied) {
    writer.SetZipName(zip);
    writer.ZipPassword = "pw";
    Add("a.rtf", std::string(2000, 'x'));
    TRawArchive first = ReadRawArchive(ReadFile(zip));
    writer.ZipPassword.clear();
    Add("b.rtf", "b");
    TRawArchive second = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(second.members[0].data, first.members[0].data);
    EXPECT_EQ(second.members[0].flags, first.members[0].flags);
    writer.ZipPassword = "pw";
    EXPECT_EQ(Extract("a.rtf"), std::string(2000, 'x'));
}

TEST_F(WriterTest, LevelNineFlagsAndMethod) {
    writer.SetZipName(zip);
    writer.SetPackLevel(9);
    const std::string text = std::string(5000, 'z') + "entry";
    Add("a.rtf", text);
    writer.ZipPassword = "pw";
    Add("b.rtf", text);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(a.members[0].flags, 2);
    EXPECT_EQ(a.members[0].method, 8);
    EXPECT_EQ(a.members[0].internalAttributes, 1);
    EXPECT_EQ(a.members[1].flags, 3);
    EXPECT_EQ(a.members[1].method, 8);
    EXPECT_EQ(a.members[1].compressedSize, a.members[0].compressedSize + 12);
    EXPECT_EQ(a.members[1].crc, Crc32Of(text.data(), text.size()));
}

TEST_F(WriterTest, EmptyStreamIsAStoredMemberOfSizeZero) {
    writer.SetZipName(zip);
    writer.SetPackLevel(9);
    Add("empty.rtf", "");
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(a.members.size(), 1u);
    EXPECT_EQ(a.members[0].method, 0);
    EXPECT_EQ(a.members[0].compressedSize, 0u);
    EXPECT_EQ(a.members[0].uncompressedSize, 0u);
    EXPECT_EQ(a.members[0].crc, 0u);
    EXPECT_EQ(UnzipTest(zip), "");
}

TEST_F(WriterTest, LevelZeroAndTheNoCompressListStore) {
    writer.SetZipName(zip);
    const std::string text(4000, 'q');
    writer.NoCompressList = {"*.JPG"};
    Add("photo.jpg", text);
    Add("entry.rtf", text);
    writer.SetPackLevel(0);
    Add("stored.rtf", text);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(a.members[0].method, 0);
    EXPECT_EQ(a.members[0].internalAttributes, 0);
    EXPECT_EQ(a.members[0].data, text);
    EXPECT_EQ(a.members[1].method, 8);
    EXPECT_EQ(a.members[2].method, 0);
    EXPECT_EQ(a.members[2].data, text);
    EXPECT_EQ(UnzipTest(zip), "");
}

TEST_F(WriterTest, TwoAddsInOneTwoSecondStepShareTheDateTime) {
    writer.SetZipName(zip);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::uint32_t before = NowDosDateTime();
        Add("a.rtf", "one");
        Add("b.rtf", "two");
        const std::uint32_t after = NowDosDateTime();
        if (before != after) continue; // the clock crossed a step; try again
        TRawArchive a = ReadRawArchive(ReadFile(zip));
        EXPECT_EQ(a.members[0].dosDateTime, a.members[1].dosDateTime);
        EXPECT_EQ(a.members[0].dosDateTime, before);
        return;
    }
    FAIL() << "the clock kept crossing two-second steps";
}

TEST_F(WriterTest, EncryptionHeadersDifferBetweenSaves) {
    writer.SetZipName(zip);
    writer.ZipPassword = "same";
    Add("a.rtf", "same text");
    std::string first = ReadRawArchive(ReadFile(zip)).members[0].data;
    Add("a.rtf", "same text");
    std::string second = ReadRawArchive(ReadFile(zip)).members[0].data;
    EXPECT_NE(first.substr(0, 12), second.substr(0, 12));
}

TEST_F(WriterTest, TheNewDirectoryIsCachedAfterASave) {
    writer.SetZipName(zip);
    Add("a.rtf", "one");
    Add("b.rtf", "two");
    const int reads = writer.DirectoryReads();
    EXPECT_EQ(writer.Count(), 2);
    TMemoryStream out;
    EXPECT_EQ(writer.ExtractToStream(&out, "B.RTF"), 1);
    EXPECT_EQ(out.ToString(), "two");
    EXPECT_EQ(writer.DirectoryReads(), reads); // no re-read of the file
    EXPECT_EQ(writer.ZipName(), zip);
}

TEST_F(WriterTest, SortModeIsKeptForTheView) {
    writer.SetZipName(zip);
    writer.SortMode = ByName;
    Add("b.rtf", "b");
    Add("a.rtf", "a");
    EXPECT_EQ(writer.SortMode, ByName);
    ASSERT_EQ(writer.Count(), 2);
    EXPECT_EQ(writer.Member(0).FileName(), "a.rtf");
    TRawArchive raw = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(raw.members[0].name, "b.rtf"); // the archive keeps write order
}

TEST_F(WriterTest, EventsOfOneSave) {
    writer.SetZipName(zip);
    Add("a.rtf", "one");
    std::vector<std::string> log;
    writer.OnStartZipInfo = [&](TZipWriter&, int n, std::int64_t total, TEndCentral&, bool&) {
        log.push_back("info " + std::to_string(n) + " " + std::to_string(total));
    };
    writer.OnStartZip = [&](TZipWriter&, const std::string& name, TZipHeaderInfo&, bool&) {
        log.push_back("start " + name);
    };
    writer.OnEndZip = [&](TZipWriter&, const std::string& name, std::int32_t u, std::int32_t,
                          std::int32_t) { log.push_back("end " + name + " " + std::to_string(u)); };
    writer.OnUpdate = [&](TZipWriter&, TUpdateAction a, int i) {
        log.push_back("update " + std::to_string(a) + " " + std::to_string(i));
    };
    writer.OnZipComplete = [&](TZipWriter&, int n) {
        log.push_back("complete " + std::to_string(n));
    };
    Add("a.rtf", "three");
    Add("b.rtf", "four");
    std::vector<std::string> expected = {"update 0 0", "start a.rtf", "end a.rtf 5", "complete 1",
                                         "info 1 4",   "start b.rtf", "end b.rtf 4", "complete 1"};
    EXPECT_EQ(log, expected);
}

TEST_F(WriterTest, StopNowCancelsAndLeavesTheArchive) {
    writer.SetZipName(zip);
    Add("a.rtf", "one");
    const std::string before = ReadFile(zip);
    writer.OnStartZipInfo = [](TZipWriter&, int, std::int64_t, TEndCentral&, bool& stop) {
        stop = true;
    };
    try {
        Add("b.rtf", "two");
        FAIL() << "no exception";
    } catch (const EUserCanceled& e) {
        EXPECT_STREQ(e.what(), "User canceled Zip operation");
    }
    EXPECT_EQ(ReadFile(zip), before);
    ExpectNoTempFiles();
}

TEST_F(WriterTest, SkippedMemberWritesNothingAndReturnsZero) {
    writer.SetZipName(zip);
    Add("a.rtf", "one");
    writer.OnStartZip = [](TZipWriter&, const std::string&, TZipHeaderInfo&, bool& skip) {
        skip = true;
    };
    EXPECT_EQ(Add("b.rtf", "two"), 0);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(a.members.size(), 1u);
    EXPECT_EQ(a.members[0].name, "a.rtf");
}

TEST_F(WriterTest, FolderEntryHasConsistentHeaders) {
    writer.SetZipName(zip);
    writer.SetStorePaths(true);
    EXPECT_EQ(Add("2000\\", ""), 1);
    TRawArchive a = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(a.members.size(), 1u);
    EXPECT_EQ(a.members[0].name, "2000/");
    EXPECT_EQ(a.members[0].method, 0);
    EXPECT_EQ(a.members[0].crc, 0u);
    EXPECT_TRUE(a.members[0].localAgrees);
    EXPECT_EQ(UnzipTest(zip), "");
}

TEST_F(WriterTest, ArchiveCommentIsCarriedOver) {
    // An archive made by Info-ZIP zip with a comment.
    WriteFile(dir.file("x.txt"), "peer member");
    ASSERT_EQ(testsupport::RunCommand("cd " + testsupport::ShellQuote(dir.path()) +
                                      " && zip -q Daybank.zip x.txt && echo 'my comment' | zip -qz "
                                      "Daybank.zip"),
              0);
    writer.SetZipName(zip);
    Add("a.rtf", "one");
    std::string listing;
    testsupport::RunCommand("unzip -z " + testsupport::ShellQuote(zip), &listing);
    EXPECT_NE(listing.find("my comment"), std::string::npos);
    EXPECT_EQ(Extract("x.txt"), "peer member");
    EXPECT_EQ(UnzipTest(zip), "");
}
