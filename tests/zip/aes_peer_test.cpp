// AES members both ways with real peers: 7-Zip and bsdtar (libarchive) open
// what we write, we open what they write (7-Zip writes AE-2, bsdtar AE-1
// for members of 20 bytes or more and AE-2 below, with data descriptors),
// and a save over their archives keeps their AES members as they were.
// Then the tool's add --aes, extract and test.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

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

// The password as the diary holds it (windows-1252) and as typed on a peer's
// command line (UTF-8): AES members are keyed with the UTF-8 form, as the
// peers key them.
const std::string kPassword = "Geheim \xE9t\xE9 7";
const std::string kPasswordUtf8 = "Geheim \xC3\xA9t\xC3\xA9 7";

// Member texts: empty, shorter than 20 bytes, diary prose, binary.
std::vector<std::pair<std::string, std::string>> Members() {
    std::mt19937 rng(21);
    std::string prose, binary(70000, '\0');
    while (prose.size() < 5000)
        prose += "{\\b Tuesday} walked to the river, cold wind\\par ";
    for (char& c : binary)
        c = static_cast<char>(rng());
    return {
        {"empty.rtf", ""}, {"short.rtf", "hi there"}, {"prose.rtf", prose}, {"bin.dat", binary}};
}

std::string Tool() {
    return ShellQuote(DAYSCRIB_ZIP_TOOL);
}

// Every member read through our reader: name -> bytes; the ciphers of those
// with bytes, and the AES versions met.
std::map<std::string, std::string> ReadAll(const std::string& zip, const std::string& password,
                                           std::set<TZipCipher>& ciphers,
                                           std::set<int>& vendorVersions) {
    TZipReader r;
    r.ZipPassword = password;
    r.SetZipName(zip);
    r.OpenArchive();
    std::map<std::string, std::string> got;
    for (int i = 0; i < r.Count(); ++i) {
        const std::string name = r.Member(i).Directory() + r.Member(i).FileName();
        if (r.Member(i).Aes) vendorVersions.insert(r.Member(i).Aes->VendorVersion);
        TMemoryStream out;
        if (r.ExtractIndexToStream(&out, i) == 1) {
            got[name] = out.ToString();
            // bsdtar leaves an empty member unencrypted.
            if (out.Size() > 0) ciphers.insert(r.LastCipher());
        }
    }
    return got;
}

// The members' files written into a folder (for the peers to archive).
void WriteMembers(const std::string& folder) {
    for (const auto& [name, data] : Members())
        WriteFile(folder + "/" + name, data);
}

} // namespace

TEST(AesPeers, SevenZipAndBsdtarOpenWhatWeWrite) {
    ASSERT_TRUE(testsupport::HaveProgram("7z"));
    ASSERT_TRUE(testsupport::HaveProgram("bsdtar"));
    for (int level : {0, 9}) {
        TempDir dir;
        const std::string zip = dir.file("Daybank.zip");
        TZipWriter w;
        w.SetZipName(zip);
        w.SetPackLevel(level);
        w.ZipPassword = kPassword;
        w.Cipher = zcAes256;
        for (const auto& [name, data] : Members()) {
            TMemoryStream s(data);
            ASSERT_EQ(w.AddFromStream(&s, name), 1);
        }
        // 7-Zip with the password, member by member.
        EXPECT_EQ(SevenZipTest(zip, kPasswordUtf8), "") << level;
        EXPECT_NE(SevenZipTest(zip, "wrong"), "") << level;
        for (const auto& [name, data] : Members()) {
            std::string out;
            EXPECT_EQ(RunCommand("7z x -so -p" + ShellQuote(kPasswordUtf8) + " " + ShellQuote(zip) +
                                     " " + ShellQuote(name) + " 2>/dev/null",
                                 &out),
                      0);
            EXPECT_TRUE(out == data) << name << " level " << level;
        }
        const std::string x = dir.file("x");
        ASSERT_EQ(RunCommand("mkdir " + ShellQuote(x) + " && bsdtar --passphrase " +
                             ShellQuote(kPasswordUtf8) + " -xf " + ShellQuote(zip) + " -C " +
                             ShellQuote(x) + " 2>&1"),
                  0);
        for (const auto& [name, data] : Members())
            EXPECT_TRUE(ReadFile(x + "/" + name) == data) << name << " level " << level;
    }
}

TEST(AesPeers, WeOpenWhatSevenZipAndBsdtarWriteAndSavesKeepTheirMembers) {
    TempDir dir;
    const std::string src = dir.file("src");
    ASSERT_EQ(RunCommand("mkdir " + ShellQuote(src)), 0);
    WriteMembers(src);
    const std::string files = "empty.rtf short.rtf prose.rtf bin.dat";
    struct Peer {
        std::string zip, command;
        TZipCipher cipher;
        std::string password = kPassword; // as we hold it
    };
    // 7-Zip refuses to write AES members with a password that is not ASCII.
    const std::vector<Peer> peers = {
        {"7z256.zip", "7z a -tzip -mem=AES256 -pAscii.7", zcAes256, "Ascii.7"},
        {"7z128.zip", "7z a -tzip -mem=AES128 -pAscii.7", zcAes128, "Ascii.7"},
        {"bsd256.zip",
         "bsdtar --format zip --options zip:encryption=aes256 --passphrase " +
             ShellQuote(kPasswordUtf8) + " -cf",
         zcAes256},
        {"bsd128.zip",
         "bsdtar --format zip --options zip:encryption=aes128 --passphrase " +
             ShellQuote(kPasswordUtf8) + " -cf",
         zcAes128},
    };
    std::set<int> vendorVersions;
    for (const Peer& peer : peers) {
        const std::string zip = dir.file(peer.zip);
        ASSERT_EQ(RunCommand("cd " + ShellQuote(src) + " && " + peer.command + " " +
                             ShellQuote(zip) + " " + files + " >/dev/null 2>&1"),
                  0)
            << peer.command;
        std::set<TZipCipher> ciphers;
        const auto members = Members();
        std::map<std::string, std::string> expected(members.begin(), members.end());
        EXPECT_TRUE(ReadAll(zip, peer.password, ciphers, vendorVersions) == expected) << peer.zip;
        EXPECT_EQ(ciphers, std::set<TZipCipher>{peer.cipher}) << peer.zip;
        std::set<TZipCipher> none;
        EXPECT_TRUE(ReadAll(zip, "wrong", none, vendorVersions).count("prose.rtf") == 0);

        // A save into their archive: their members keep their bytes, and
        // both they and we still open every one.
        const TRawArchive before = ReadRawArchive(ReadFile(zip));
        TZipWriter w;
        w.SetZipName(zip);
        w.ZipPassword = peer.password;
        w.Cipher = zcAes256;
        TMemoryStream s{std::string("added by the diary")};
        ASSERT_EQ(w.AddFromStream(&s, "added.rtf"), 1);
        const TRawArchive after = ReadRawArchive(ReadFile(zip));
        ASSERT_EQ(after.members.size(), before.members.size() + 1);
        for (std::size_t i = 0; i < before.members.size(); ++i) {
            EXPECT_EQ(after.members[i].data, before.members[i].data) << peer.zip;
            EXPECT_EQ(after.members[i].localExtra, before.members[i].localExtra) << peer.zip;
        }
        EXPECT_EQ(SevenZipTest(zip, peer.password == kPassword ? kPasswordUtf8 : peer.password), "")
            << peer.zip;
        expected["added.rtf"] = "added by the diary";
        ciphers.clear();
        EXPECT_TRUE(ReadAll(zip, peer.password, ciphers, vendorVersions) == expected) << peer.zip;
    }
    // Both versions of the format were met.
    EXPECT_EQ(vendorVersions, (std::set<int>{1, 2}));
}

TEST(AesPeers, ToolAddsWithAesExtractsTestsAndReportsAlteredMembers) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    const std::string text(3000, 't');
    std::string out, err;
    ASSERT_EQ(RunCommand(Tool() + " add -p secret --aes " + ShellQuote(zip) + " '2001\\3\\1.rtf'",
                         nullptr, text),
              0);
    ASSERT_EQ(RunCommand(Tool() + " add -p secret " + ShellQuote(zip) + " old.rtf", nullptr, "x"),
              0);
    TRawArchive raw = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(raw.members[0].method, 99);
    EXPECT_EQ(raw.members[1].method, 0); // traditional, stored: one byte
    EXPECT_EQ(
        RunCommand(Tool() + " extract -p secret " + ShellQuote(zip) + " '2001\\3\\1.rtf'", &out),
        0);
    EXPECT_EQ(out, text);
    EXPECT_EQ(RunCommand(Tool() + " test -p secret " + ShellQuote(zip), &out), 0);
    EXPECT_EQ(out, "OK 2001\\3\\1.rtf\nOK old.rtf\n");
    EXPECT_EQ(RunCommand(Tool() + " add --aes " + ShellQuote(zip) + " x.rtf 2>/dev/null"), 2);

    // One bit of the encrypted data changed.
    std::string bytes = ReadFile(zip);
    const std::size_t data = raw.members[0].localOffset + 30 + raw.members[0].name.size() +
                             raw.members[0].localExtra.size() + 18;
    bytes[data] = static_cast<char>(bytes[data] ^ 4);
    WriteFile(zip, bytes);
    EXPECT_EQ(RunCommand(Tool() + " extract -p secret " + ShellQuote(zip) + " '2001\\3\\1.rtf' " +
                             "2>" + ShellQuote(dir.file("err")),
                         &out),
              1);
    EXPECT_EQ(out, "");
    EXPECT_NE(ReadFile(dir.file("err")).find("damaged or altered"), std::string::npos);
    EXPECT_EQ(RunCommand(Tool() + " test -p secret " + ShellQuote(zip), &out), 1);
    EXPECT_EQ(out, "FAILED 2001\\3\\1.rtf: The encrypted member is damaged or altered\n"
                   "OK old.rtf\n");
}
