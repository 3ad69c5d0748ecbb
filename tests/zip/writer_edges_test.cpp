// The writer at its edges: an archive comment another program wrote, a
// member whose local header is damaged, names that would escape the folder
// they are unpacked into, and an old member kept under another name.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

#include <regex>

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

int Add(TZipWriter& w, const std::string& name, const std::string& data) {
    TMemoryStream s(data);
    return w.AddFromStream(&s, name);
}

TZipWriter& Writer(TZipWriter& w, const std::string& zip) {
    w.SetPackLevel(9);
    w.SetStorePaths(true);
    w.SetZipName(zip);
    return w;
}

// The member's text through a fresh reader, "" when it does not come out whole.
std::string Read(const std::string& zip, const std::string& name, const std::string& pw = "") {
    TZipReader r;
    r.SetZipName(zip);
    r.ZipPassword = pw;
    TMemoryStream s;
    return r.ExtractToStream(&s, name) == 1 ? s.ToString() : std::string();
}

} // namespace

TEST(WriterEdges, AnArchiveCommentSurvivesEverySaveByteForByte) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    TZipWriter w;
    ASSERT_EQ(Add(Writer(w, zip), "2000\\3\\Week3\\15.rtf", "first"), 1);
    // Another program comments the archive, in a second process.
    ASSERT_EQ(RunCommand("zip -q -z " + ShellQuote(zip), nullptr,
                         "Kept by Dayscrib\nsecond line \xe9t\xe9\n"),
              0);
    std::string zipSays;
    RunCommand("unzip -z " + ShellQuote(zip), &zipSays);
    const std::string file = ReadFile(zip);
    const std::size_t end = file.rfind("PK\x05\x06");
    const std::string comment = file.substr(end + 22);
    ASSERT_NE(comment.find("second line"), std::string::npos);

    // The same component reads the comment after each save: the second save
    // used to take it from where the old archive had it.
    for (int save = 0; save < 3; ++save) {
        ASSERT_EQ(Add(w, save == 1 ? "2000\\3\\Week3\\16.rtf" : "2000\\3\\Week3\\15.rtf",
                      "save " + std::to_string(save)),
                  1);
        EXPECT_EQ(w.GetArchiveComment(), comment) << save;
        const std::string now = ReadFile(zip);
        EXPECT_EQ(now.substr(now.rfind("PK\x05\x06") + 22), comment) << save;
        std::string says;
        RunCommand("unzip -z " + ShellQuote(zip), &says);
        EXPECT_EQ(says, zipSays) << save;
    }
    TZipReader fresh;
    fresh.SetZipName(zip);
    EXPECT_EQ(fresh.GetArchiveComment(), comment);
}

TEST(WriterEdges, ADamagedLocalHeaderIsCarriedOverAndOnlyThatMemberFails) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    TZipWriter w;
    Writer(w, zip);
    const std::vector<std::string> names = {"2000\\3\\Week3\\14.rtf", "2000\\3\\Week3\\15.rtf",
                                            "2000\\3\\Week3\\16.rtf"};
    for (const std::string& n : names)
        ASSERT_EQ(Add(w, n, std::string(3000, n[14]) + n), 1);
    // The middle member's local header loses its signature.
    std::string bytes = ReadFile(zip);
    const std::size_t at = bytes.find("2000/3/Week3/15.rtf") - 30;
    const std::size_t next = bytes.find("2000/3/Week3/16.rtf") - 30;
    bytes.replace(at, 4, "XXXX");
    const std::string damaged = bytes.substr(at, next - at);
    WriteFile(zip, bytes);

    TZipWriter other; // a component that never saw the archive whole
    Writer(other, zip);
    for (int save = 0; save < 2; ++save) {
        ASSERT_EQ(Add(other, save == 0 ? names[0] : "2000\\3\\Week3\\17.rtf", "stored anew"), 1);
        EXPECT_EQ(other.DamagedMembers(), std::vector<std::string>{names[1]}) << save;
        EXPECT_NE(ReadFile(zip).find(damaged), std::string::npos) << save;
    }
    // unzip tests every member and flags only the damaged one.
    std::string out;
    EXPECT_NE(RunCommand("unzip -t " + ShellQuote(zip) + " 2>&1", &out), 0);
    for (const char* ok : {"14.rtf", "16.rtf", "17.rtf"})
        EXPECT_TRUE(std::regex_search(out, std::regex(std::string("testing: .*") + ok + " +OK")))
            << ok << "\n"
            << out;
    EXPECT_FALSE(std::regex_search(out, std::regex("15\\.rtf +OK"))) << out;
    EXPECT_EQ(Read(zip, names[0]), "stored anew");
    EXPECT_EQ(Read(zip, names[2]), std::string(3000, '6') + names[2]);
    // The reader refuses it, instead of decoding from a guessed place.
    TZipReader r;
    r.SetZipName(zip);
    TMemoryStream s;
    EXPECT_THROW(r.ExtractToStream(&s, names[1]), EBadLocalHeader);
    EXPECT_EQ(s.Size(), 0);
}

TEST(WriterEdges, FilesAreNeverAddedByNameAndNoNameEscapesTheFolder) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    TZipWriter w;
    ASSERT_EQ(Add(Writer(w, zip), "2000\\Summary.rtf", "kept"), 1);
    const std::string before = ReadFile(zip);
    WriteFile(dir.file("note.txt"), "a file on disk");

    // BuildArchive outside the stream road would make an empty member named
    // with the absolute path: refused before anything is touched.
    w.FilesList = {dir.file("note.txt")};
    EXPECT_THROW(w.BuildArchive(), Exception);
    EXPECT_TRUE(w.FilesList.empty());

    w.SetStoreVolumes(true); // keeps drives and roots in the folder part
    for (const std::string name :
         {"..\\evil.rtf", "2000\\..\\..\\evil.rtf", "\\\\server\\share\\evil.rtf", "C:\\evil.rtf",
          "/etc/evil", "2000/../../evil", ".."})
        EXPECT_THROW(Add(w, name, "x"), Exception) << name;
    w.SetStoreVolumes(false);
    w.KeepReplacedAs = "..\\evil.rtf";
    EXPECT_THROW(Add(w, "2000\\Summary.rtf", "x"), Exception);
    EXPECT_EQ(ReadFile(zip), before);
    // Dots inside a name are no climbing.
    EXPECT_EQ(Add(w, "2000\\a..b\\..rtf", "fine"), 1);
    EXPECT_EQ(Read(zip, "2000\\a..b\\..rtf"), "fine");
    EXPECT_EQ(w.FilesList.size(), 0u);
}

TEST(WriterEdges, AReplacedMemberKeptUnderAnotherNameOpensAsBefore) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    TZipWriter w;
    Writer(w, zip);
    ASSERT_EQ(Add(w, "2000\\1.rtf", "plain one"), 1);
    w.ZipPassword = "pw";
    ASSERT_EQ(Add(w, "2000\\2.rtf", "sealed two"), 1);
    w.Cipher = zcAes256;
    ASSERT_EQ(Add(w, "2000\\3.rtf", "strong three"), 1);
    w.ZipPassword.clear();

    // A handler that stops the save: nothing is written.
    const std::string before = ReadFile(zip);
    int looks = 0;
    w.OnArchiveLocked = [&](TZipWriter& sender, bool exists, bool& stop) {
        ++looks;
        EXPECT_TRUE(exists);
        EXPECT_EQ(sender.IndexOf("2000\\2.RTF"), 1);
        stop = true;
    };
    EXPECT_THROW(Add(w, "2000\\2.rtf", "never"), EUserCanceled);
    EXPECT_EQ(ReadFile(zip), before);
    w.OnArchiveLocked = nullptr;

    for (const char* n : {"1", "2", "3"}) {
        w.KeepReplacedAs = std::string("2000\\") + n + " (other copy).rtf";
        ASSERT_EQ(Add(w, std::string("2000\\") + n + ".rtf", std::string("new ") + n), 1);
        EXPECT_TRUE(w.KeepReplacedAs.empty());
    }
    EXPECT_EQ(looks, 1);
    EXPECT_EQ(Read(zip, "2000\\1 (other copy).rtf"), "plain one");
    EXPECT_EQ(Read(zip, "2000\\2 (other copy).rtf", "pw"), "sealed two");
    EXPECT_EQ(Read(zip, "2000\\3 (other copy).rtf", "pw"), "strong three");
    EXPECT_EQ(Read(zip, "2000\\2.rtf"), "new 2");
    // The peers agree, passwords and all.
    std::string out;
    EXPECT_EQ(RunCommand("7z t -bd -ppw " + ShellQuote(zip) + " 2>&1", &out), 0) << out;
}
