// Archives written by real peers (Info-ZIP zip, Python's zipfile, 7-Zip) and
// the archives of tests/data/zip, read back by the reader.
#include "support/test_support.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::TestData;
using testsupport::WriteFile;

namespace {

// The source files: text, binary, empty, a larger file crossing the window
// and chunk sizes, one in a sub-folder. Keys use "\" as the reader shows names.
std::map<std::string, std::string> MakeSources(const std::string& root) {
    std::mt19937 rng(2026);
    std::map<std::string, std::string> files;
    std::string text;
    while (text.size() < 120000)
        text += "Week " + std::to_string(rng() % 53) + ": the diary keeps every day.\r\n";
    std::string binary(70000, '\0');
    for (auto& c : binary)
        c = static_cast<char>(rng() % 7 == 0 ? rng() : 0x41);
    std::string noise(20000, '\0');
    for (auto& c : noise)
        c = static_cast<char>(rng());
    files["text.rtf"] = text;
    files["data.bin"] = binary;
    files["noise.bin"] = noise;
    files["empty.txt"] = "";
    files["2001\\3\\Week3\\15.rtf"] = "{\\rtf1 March the 15th}";
    for (const auto& [name, bytes] : files) {
        std::string path = name;
        for (char& c : path)
            if (c == '\\') c = '/';
        std::string full = root + "/" + path;
        RunCommand("mkdir -p " + ShellQuote(full.substr(0, full.rfind('/'))));
        WriteFile(full, bytes);
    }
    return files;
}

// Extracts every file through the reader and compares.
void ExpectAllMembers(const std::string& archive, const std::map<std::string, std::string>& files,
                      const std::string& password = std::string()) {
    TZipReader r;
    r.SetZipName(archive);
    r.ZipPassword = password;
    for (const auto& [name, bytes] : files) {
        TMemoryStream out;
        EXPECT_EQ(r.ExtractToStream(&out, name), 1) << archive << ": " << name;
        EXPECT_TRUE(out.ToString() == bytes) << archive << ": " << name;
    }
}

class PeerTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string src = dir.path() + "/src";
    std::map<std::string, std::string> files;
    void SetUp() override {
        RunCommand("mkdir -p " + ShellQuote(src));
        files = MakeSources(src);
    }
    std::string InSrc(const std::string& command) {
        return "cd " + ShellQuote(src) + " && " + command;
    }
};

} // namespace

TEST_F(PeerTest, InfoZipLevels) {
    ASSERT_TRUE(testsupport::HaveProgram("zip"));
    for (int level : {0, 1, 6, 9}) {
        std::string archive = dir.file("zip" + std::to_string(level) + ".zip");
        ASSERT_EQ(RunCommand(InSrc("zip -q -r -" + std::to_string(level) + " " +
                                   ShellQuote(archive) + " .")),
                  0);
        ExpectAllMembers(archive, files);
    }
}

TEST_F(PeerTest, InfoZipEncrypted) {
    std::string archive = dir.file("enc.zip");
    ASSERT_EQ(RunCommand(InSrc("zip -q -r -e -P s3cret " + ShellQuote(archive) + " .")), 0);
    ExpectAllMembers(archive, files, "s3cret");
    TZipReader r;
    r.SetZipName(archive);
    r.ZipPassword = "S3CRET";
    TMemoryStream out;
    EXPECT_EQ(r.ExtractToStream(&out, "text.rtf"), 0);
}

TEST_F(PeerTest, InfoZipFromStdinCarriesADataDescriptor) {
    std::string archive = dir.file("stdin.zip");
    const std::string& text = files["text.rtf"];
    // Written to a pipe, zip cannot go back to fill in sizes and CRC: they
    // follow the data in a descriptor, and bit 3 is set.
    ASSERT_EQ(RunCommand("zip -q - - | cat > " + ShellQuote(archive), nullptr, text), 0);
    std::string encrypted = dir.file("stdin-enc.zip");
    ASSERT_EQ(RunCommand("zip -q -e -P pw - - | cat > " + ShellQuote(encrypted), nullptr, text), 0);
    for (const std::string& a : {archive, encrypted}) {
        TZipReader r;
        r.SetZipName(a);
        r.ZipPassword = "pw";
        r.OpenArchive();
        ASSERT_EQ(r.Count(), 1);
        EXPECT_TRUE(r.Member(0).HasDataDescriptor()) << a;
        TMemoryStream out;
        EXPECT_EQ(r.ExtractToStream(&out, "-"), 1) << a;
        EXPECT_TRUE(out.ToString() == text);
    }
}

TEST_F(PeerTest, PythonZipfileStoredDeflatedAndComments) {
    std::string archive = dir.file("py.zip");
    std::string script = R"(
import os, sys, zipfile
src, out = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(out, 'w') as z:
    z.comment = b'made by python'
    for i, (root, dirs, names) in enumerate(os.walk(src)):
        for n in sorted(names):
            full = os.path.join(root, n)
            rel = os.path.relpath(full, src)
            info = zipfile.ZipInfo.from_file(full, rel)
            info.compress_type = zipfile.ZIP_STORED if len(rel) % 2 else zipfile.ZIP_DEFLATED
            info.comment = ('note for ' + rel).encode()
            with open(full, 'rb') as f:
                z.writestr(info, f.read())
)";
    WriteFile(dir.file("mk.py"), script);
    ASSERT_EQ(RunCommand("python3 " + ShellQuote(dir.file("mk.py")) + " " + ShellQuote(src) + " " +
                         ShellQuote(archive)),
              0);
    ExpectAllMembers(archive, files);
    TZipReader r;
    r.SetZipName(archive);
    EXPECT_EQ(r.GetArchiveComment(), "made by python");
    r.OpenArchive();
    bool sawStored = false, sawDeflated = false;
    for (int i = 0; i < r.Count(); ++i) {
        std::string name = r.Member(i).Directory() + r.Member(i).FileName();
        std::string slashed = name;
        for (char& c : slashed)
            if (c == '\\') c = '/';
        EXPECT_EQ(r.GetFileComment(i), "note for " + slashed);
        sawStored |= r.Member(i).Method == 0;
        sawDeflated |= r.Member(i).Method == 8;
    }
    EXPECT_TRUE(sawStored && sawDeflated);
}

TEST_F(PeerTest, SevenZipPlainAndZipCrypto) {
    ASSERT_TRUE(testsupport::HaveProgram("7z"));
    std::string plain = dir.file("7z.zip"), enc = dir.file("7z-enc.zip");
    ASSERT_EQ(RunCommand(InSrc("7z a -tzip -bd " + ShellQuote(plain) + " . > /dev/null")), 0);
    ASSERT_EQ(RunCommand(InSrc("7z a -tzip -bd -pPW7 -mem=ZipCrypto " + ShellQuote(enc) +
                               " . > /dev/null")),
              0);
    ExpectAllMembers(plain, files);
    ExpectAllMembers(enc, files, "PW7");
}

TEST(ReaderOnTestData, TraditionalEncryptionWithDataDescriptor) {
    TZipReader r;
    r.SetZipName(TestData("zip/libarchive__traditional_encryption_data.zip"));
    r.ZipPassword = "12345678";
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(r.Member(i).Flags, 0x9);
        TMemoryStream out;
        EXPECT_EQ(r.ExtractIndexToStream(&out, i), 1);
        EXPECT_EQ(out.Size(), 495);
    }
    // Without the password the handler is asked, and its answer works.
    TZipReader asked;
    asked.SetZipName(TestData("zip/libarchive__traditional_encryption_data.zip"));
    int calls = 0;
    asked.OnBadPassword = [&](TZipReader&, int, TPassword& pw) {
        ++calls;
        pw = "12345678";
    };
    TMemoryStream out;
    EXPECT_EQ(asked.ExtractToStream(&out, "foo.txt"), 1);
    EXPECT_EQ(calls, 1);
}

TEST(ReaderOnTestData, DataDescriptorsCommentsAndExtraFields) {
    for (const char* name :
         {"zip/go__go-with-datadesc-sig.zip", "zip/libarchive__comment_stored_1.zip"}) {
        TZipReader r;
        r.SetZipName(TestData(name));
        r.OpenArchive();
        ASSERT_EQ(r.Count(), 2) << name;
        for (int i = 0; i < r.Count(); ++i) {
            TMemoryStream out;
            EXPECT_EQ(r.ExtractIndexToStream(&out, i), 1) << name << " " << i;
            EXPECT_EQ(out.Size(), static_cast<std::uint32_t>(r.Member(i).UncompressedSize));
        }
    }
    TZipReader c;
    c.SetZipName(TestData("zip/libarchive__comment_stored_1.zip"));
    EXPECT_EQ(c.GetArchiveComment().size(), 36u);
}

TEST(ReaderOnTestData, NonArchivesAreRefused) {
    for (const char* name :
         {"zip/commons-compress__invalid-zip.zip", "zip/libarchive__malformed1.zip"}) {
        TZipReader r;
        r.SetZipName(TestData(name));
        TMemoryStream out;
        try {
            r.ExtractToStream(&out, "*");
            ADD_FAILURE() << name << " was accepted";
        } catch (const EIncompleteZip&) {
        } catch (const EBadZipFile&) {
        } catch (const ENotAZipFile&) {
        }
    }
}

TEST(ReaderOnTestData, LegacyMethodsExtractWithPassingCrc) {
    for (const char* name :
         {"zip/commons-compress__SHRUNK.ZIP", "zip/commons-compress__imploding-4Kdict-2trees.zip",
          "zip/commons-compress__imploding-8Kdict-3trees.zip", "zip/hwzip-generated__reduce1.zip",
          "zip/hwzip-generated__reduce4.zip"}) {
        TZipReader r;
        r.SetZipName(TestData(name));
        r.OpenArchive();
        ASSERT_GT(r.Count(), 0) << name;
        for (int i = 0; i < r.Count(); ++i) {
            TMemoryStream out;
            EXPECT_EQ(r.ExtractIndexToStream(&out, i), 1) << name << " " << i;
            EXPECT_EQ(out.Size(), static_cast<std::uint32_t>(r.Member(i).UncompressedSize));
        }
    }
}
