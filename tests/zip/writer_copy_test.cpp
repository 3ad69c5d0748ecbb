// Copying the old members of an archive into the new one: runs of members
// whose local headers are already what the writer writes go over as they
// are; the others get their local header written anew from the directory
// (a data descriptor after the data is dropped), their extra field and data
// copied. Either way each member's data is the old data byte for byte.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "writer_test_support.h"
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
