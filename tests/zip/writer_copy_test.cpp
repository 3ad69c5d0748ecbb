// Copying the old members of an archive into the new one: runs of members
// whose local headers are already what the writer writes go over as they
// are; the others get their local header written anew from the directory
// (a data descriptor after the data is dropped), their extra field and data
// copied. Either way each member's data is the old data byte for byte.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;
using namespace writertest;

namespace {

int Add(TZipWriter& w, const std::string& name, const std::string& data) {
    TMemoryStream s(data);
    return w.AddFromStream(&s, name);
}

std::string Text(int i, std::size_t size) {
    std::string s;
    while (s.size() < size)
        s += "entry " + std::to_string(i) + " line " + std::to_string(s.size()) + "\r\n";
    return s;
}

// Every member but `replaced` has the same name, central fields and data as
// before, and every local header agrees with its central header.
void ExpectCopiedFaithfully(const TRawArchive& before, const TRawArchive& after,
                            const std::string& replaced) {
    ASSERT_EQ(after.members.size(), before.members.size());
    for (std::size_t i = 0; i < after.members.size(); ++i) {
        const TRawMember &a = after.members[i], &b = before.members[i];
        EXPECT_TRUE(a.localAgrees) << a.name;
        EXPECT_EQ(a.name, b.name);
        if (a.name == replaced) continue;
        EXPECT_EQ(a.data, b.data) << a.name;
        EXPECT_EQ(a.crc, b.crc) << a.name;
        EXPECT_EQ(a.method, b.method) << a.name;
        EXPECT_EQ(a.dosDateTime, b.dosDateTime) << a.name;
        EXPECT_EQ(a.compressedSize, b.compressedSize) << a.name;
    }
}

// An archive of our members among members another program wrote (with local
// extra fields), one of them after the other program's.
void MakeMixedArchive(const TempDir& dir, const std::string& zip) {
    {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(Add(w, "2000\\" + std::to_string(i) + ".rtf", Text(i, 3000 + 500 * i)), 1);
    }
    WriteFile(dir.file("notes.txt"), Text(7, 5000));
    ASSERT_EQ(
        RunCommand("cd " + ShellQuote(dir.path()) + " && zip -q " + ShellQuote(zip) + " notes.txt"),
        0);
    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    ASSERT_EQ(Add(w, "2000\\3.rtf", Text(3, 2000)), 1);
}

// File operations whose map of the old archive is refused, or is cut short
// by another program as soon as it is made.
class TMapOps : public TArchiveFileOps {
public:
    bool refuse = false;
    std::string cutShort; // the archive to cut at a page boundary about half-way
    std::unique_ptr<TFileMap> MapFile(int fd) override {
        if (refuse) return std::make_unique<TFileMap>(-1);
        auto map = TArchiveFileOps::MapFile(fd);
        if (!cutShort.empty()) {
            const int other = ::open(cutShort.c_str(), O_RDWR);
            EXPECT_EQ(::ftruncate(other, map->Size() / 2 / 4096 * 4096), 0);
            ::close(other);
        }
        return map;
    }
};

void FixedTime(TZipWriter& w) {
    w.OnStartZip = [](TZipWriter&, const std::string&, TZipHeaderInfo& h, bool&) {
        h.DateTime = 0x5A8C6000u;
    };
}

} // namespace

// Members of our own between members another program wrote (with local
// extra fields): replacing one of ours copies all the others faithfully and
// the peers accept the result.
TEST(WriterCopy, MembersOfOtherProgramsAmongOursAreCopiedFaithfully) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        for (int i = 0; i < 3; ++i)
            ASSERT_EQ(Add(w, "2000\\" + std::to_string(i) + ".rtf", Text(i, 3000 + 500 * i)), 1);
    }
    WriteFile(dir.file("notes.txt"), Text(7, 5000));
    ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) + " && zip -q Daybank.zip notes.txt"), 0);
    ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.path()) + " && zip -q Daybank.zip -", nullptr,
                         Text(8, 4000)),
              0);
    {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        ASSERT_EQ(Add(w, "2000\\3.rtf", Text(3, 2000)), 1); // after the others' members
    }
    const TRawArchive before = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(before.members.size(), 6u);

    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    ASSERT_EQ(Add(w, "2000\\1.rtf", Text(1, 100)), 1);
    const TRawArchive after = ReadRawArchive(ReadFile(zip));
    ExpectCopiedFaithfully(before, after, "2000/1.rtf");
    EXPECT_EQ(UnzipTest(zip), "");
    EXPECT_EQ(SevenZipTest(zip), "");
    TZipWriter r;
    r.SetZipName(zip);
    for (const auto& [name, text] :
         std::vector<std::pair<std::string, std::string>>{{"2000\\0.rtf", Text(0, 3000)},
                                                          {"2000\\1.rtf", Text(1, 100)},
                                                          {"2000\\2.rtf", Text(2, 4000)},
                                                          {"notes.txt", Text(7, 5000)},
                                                          {"-", Text(8, 4000)},
                                                          {"2000\\3.rtf", Text(3, 2000)}}) {
        TMemoryStream out;
        EXPECT_EQ(r.ExtractToStream(&out, name), 1) << name;
        EXPECT_EQ(out.ToString(), text) << name;
    }
}

// A writer that wrote the archive itself knows its local headers and reads
// none of them on its next save; a writer new to the archive reads and
// checks them all. Both write the very same bytes.
TEST(WriterCopy, AWriterTrustsWhatItWroteAndWritesWhatAFreshOneWould) {
    TempDir dir;
    const std::string warm = dir.file("warm.zip"), cold = dir.file("cold.zip");
    auto fixedTime = [](TZipWriter&, const std::string&, TZipHeaderInfo& h, bool&) {
        h.DateTime = 0x5A8C6000u;
    };
    TZipWriter warmWriter;
    warmWriter.SetZipName(warm);
    warmWriter.SetStorePaths(true);
    warmWriter.OnStartZip = fixedTime;
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(Add(warmWriter, "2000\\" + std::to_string(i) + ".rtf", Text(i, 1000 + 37 * i)),
                  1);
    WriteFile(cold, ReadFile(warm));
    for (int round = 0; round < 3; ++round) {
        const std::string name = "2000\\" + std::to_string(5 + 13 * round) + ".rtf";
        const std::string text = Text(100 + round, 800 + 300 * round);
        ASSERT_EQ(Add(warmWriter, name, text), 1);
        TZipWriter coldWriter;
        coldWriter.SetZipName(cold);
        coldWriter.SetStorePaths(true);
        coldWriter.OnStartZip = fixedTime;
        ASSERT_EQ(Add(coldWriter, name, text), 1);
        ASSERT_EQ(ReadFile(warm), ReadFile(cold)) << "round " << round;
    }
    EXPECT_EQ(UnzipTest(warm), "");
}

// An archive written to a pipe has every member's CRC and sizes in a data
// descriptor after its data, not in its local header: the local headers are
// written anew from the directory, and each such member (its flags still
// say so) is followed by a descriptor, or the peers would take the next
// member's header for it.
TEST(WriterCopy, LocalHeadersThatDifferFromTheDirectoryAreWrittenAnew) {
    TempDir dir;
    const std::string zip = dir.file("piped.zip");
    const std::string script =
        "import sys, zipfile\n"
        "z = zipfile.ZipFile(sys.stdout.buffer, 'w', zipfile.ZIP_DEFLATED)\n"
        "for i in range(4):\n"
        "    z.writestr('m%d.txt' % i, ('member %d ' % i) * (300 + 50 * i))\n"
        "z.close()\n";
    ASSERT_EQ(RunCommand("python3 -c " + ShellQuote(script) + " | cat > " + ShellQuote(zip)), 0);
    const TRawArchive before = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(before.members.size(), 4u);
    for (const TRawMember& m : before.members) {
        EXPECT_FALSE(m.localAgrees) << m.name;
        EXPECT_NE(m.flags & 8, 0) << m.name;
    }
    TZipWriter w;
    w.SetZipName(zip);
    ASSERT_EQ(Add(w, "m2.txt", "new"), 1);
    const TRawArchive after = ReadRawArchive(ReadFile(zip));
    ExpectCopiedFaithfully(before, after, "m2.txt");
    const std::string bytes = ReadFile(zip);
    for (const TRawMember& m : after.members) {
        if (m.name == "m2.txt") {
            EXPECT_EQ(m.flags & 8, 0);
            continue;
        }
        const std::size_t d = m.localOffset + 30 + m.name.size() + m.data.size();
        ASSERT_LE(d + 16, bytes.size());
        EXPECT_EQ(bytes.substr(d, 4), "PK\x07\x08") << m.name;
        std::uint32_t crc = 0;
        for (int i = 0; i < 4; ++i)
            crc |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[d + 4 + i]))
                   << (8 * i);
        EXPECT_EQ(crc, m.crc) << m.name;
    }
    EXPECT_EQ(UnzipTest(zip), "");
    EXPECT_EQ(SevenZipTest(zip), "");
    // And a writer that keeps this directory copies them so again.
    ASSERT_EQ(Add(w, "m0.txt", "newer"), 1);
    EXPECT_EQ(UnzipTest(zip), "");
}

// Encrypted members whose check byte comes from the time because flag bit 3
// is set: the bit stays, so the password still opens them after a save.
TEST(WriterCopy, EncryptedMembersWithADescriptorStillOpen) {
    TempDir dir;
    const std::string zip = dir.file("enc.zip");
    WriteFile(zip,
              ReadFile(testsupport::TestData("zip/libarchive__traditional_encryption_data.zip")));
    TZipWriter w;
    w.SetZipName(zip);
    ASSERT_EQ(Add(w, "new.txt", "hello"), 1);
    EXPECT_EQ(UnzipTest(zip, "12345678"), "");
    TZipWriter r;
    r.SetZipName(zip);
    r.ZipPassword = "12345678";
    for (const char* name : {"bar.txt", "foo.txt"}) {
        TMemoryStream out;
        EXPECT_EQ(r.ExtractToStream(&out, name), 1) << name;
        EXPECT_EQ(out.Size(), 495) << name;
    }
}

// Where the archive cannot be mapped the local headers are read through the
// window instead, and the save writes the very same bytes.
TEST(WriterCopy, HeadersReadWithoutAMapGiveTheSameArchive) {
    TempDir dir;
    const std::string mapped = dir.file("mapped.zip"), read = dir.file("read.zip");
    MakeMixedArchive(dir, mapped);
    WriteFile(read, ReadFile(mapped));
    for (const std::string& zip : {mapped, read}) {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        FixedTime(w);
        auto ops = std::make_unique<TMapOps>();
        ops->refuse = zip == read;
        w.FileOps = std::move(ops);
        ASSERT_EQ(Add(w, "2000\\1.rtf", Text(11, 700)), 1);
    }
    EXPECT_EQ(ReadFile(mapped), ReadFile(read));
    EXPECT_EQ(UnzipTest(read), "");
}

// Another program cuts the old archive short while the save reads its local
// headers: the save fails with a read error (no crash) and leaves no
// temporary file; the same writer saves fine into the archive put back.
TEST(WriterCopy, AnArchiveCutShortWhileItsHeadersAreReadFailsTheSave) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    MakeMixedArchive(dir, zip);
    {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        std::string noise; // does not compress: the members after it lie pages away
        for (std::uint32_t x = 1; noise.size() < 40000;)
            noise += static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
        ASSERT_EQ(Add(w, "2000\\noise.bin", noise), 1);
        ASSERT_EQ(Add(w, "2000\\4.rtf", Text(4, 3000)), 1);
    }
    const std::string before = ReadFile(zip);
    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    ASSERT_GT(before.size(), 40000u);
    auto ops = std::make_unique<TMapOps>();
    ops->cutShort = zip;
    w.FileOps = std::move(ops);
    EXPECT_THROW(Add(w, "2000\\1.rtf", Text(11, 700)), EStreamError);
    EXPECT_TRUE(TempFilesIn(dir.path()).empty());
    WriteFile(zip, before);
    w.FileOps = std::make_unique<TArchiveFileOps>();
    ASSERT_EQ(Add(w, "2000\\1.rtf", Text(11, 700)), 1);
    TMemoryStream out;
    ASSERT_EQ(w.ExtractToStream(&out, "notes.txt"), 1);
    EXPECT_EQ(out.ToString(), Text(7, 5000));
    EXPECT_EQ(UnzipTest(zip), "");
}

// A save hands the old directory's headers to the new one as it copies. When
// it then fails, the writer must not take the old directory for the
// archive's any more: its next save reads the archive again and copies
// every member right. Both for a writer new to the archive and for one that
// wrote it.
TEST(WriterCopy, AFailedSaveLeavesNoStaleDirectoryBehind) {
    class TFailingCommit : public TArchiveFileOps {
    public:
        bool Commit(TStream&) override { return false; }
    };
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    MakeMixedArchive(dir, zip);
    for (bool warm : {false, true}) {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        if (warm) {
            ASSERT_EQ(Add(w, "2000\\0.rtf", Text(20, 900)), 1);
        }
        const std::string before = ReadFile(zip);
        w.FileOps = std::make_unique<TFailingCommit>();
        EXPECT_THROW(Add(w, "2000\\2.rtf", Text(21, 50)), ENotEnoughRoom);
        EXPECT_EQ(ReadFile(zip), before);
        w.FileOps = std::make_unique<TArchiveFileOps>();
        ASSERT_EQ(Add(w, "2000\\3.rtf", Text(22, 4000)), 1);
        EXPECT_EQ(UnzipTest(zip), "") << warm;
        TZipWriter r;
        r.SetZipName(zip);
        TMemoryStream notes, replaced;
        ASSERT_EQ(r.ExtractToStream(&notes, "notes.txt"), 1);
        EXPECT_EQ(notes.ToString(), Text(7, 5000));
        ASSERT_EQ(r.ExtractToStream(&replaced, "2000\\3.rtf"), 1);
        EXPECT_EQ(replaced.ToString(), Text(22, 4000));
    }
}
