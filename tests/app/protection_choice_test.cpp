// A profile's choice of cipher, through the real window: what a new diary
// and an old one store, what the status bar says, which members a store
// changes (their bytes read back from the file), and whether 7-Zip opens an
// entry protected in an AES profile with its password and not without it.
#include "support/diary_window.h"

#include "app/entry_tools.h"
#include "platform/profile_file.h"
#include "store/protection_choice.h"
#include "zip/zip_writer.h"

using namespace testsupport;

namespace {

class ProtectionChoice : public TDiaryWindowTest {
protected:
    // The cipher of `member` as the archive's directory says it.
    TZipCipher CipherOf(const std::string& member) {
        TZipReader reader;
        reader.SetZipName(Archive());
        reader.OpenArchive();
        TZipCipher cipher = zcNone;
        for (int i = 0; i < reader.Count(); ++i)
            if (reader.Member(i).Name() == member) cipher = reader.Member(i).Cipher();
        reader.CloseArchive();
        return cipher;
    }
    // The member's local header, name and data as they lie in the file.
    std::string RawBytes(const std::string& member) {
        TZipReader reader;
        reader.SetZipName(Archive());
        reader.OpenArchive();
        std::string bytes;
        const std::string file = ReadFile(Archive());
        for (int i = 0; i < reader.Count(); ++i)
            if (reader.Member(i).Name() == member) {
                const TZipHeaderInfo& h = reader.Member(i);
                bytes = file.substr(h.LocalOffset, 30 + h.Name().size() +
                                                       static_cast<std::size_t>(h.CompressedSize));
            }
        reader.CloseArchive();
        return bytes;
    }
    // What `7z x -so` gives for the member with `password` ("" gives none).
    std::string SevenZip(const std::string& member, const std::string& password) {
        std::string name = member;
        std::replace(name.begin(), name.end(), '\\', '/');
        std::string out;
        RunCommand("7z x -so -p" + ShellQuote(password) + " " + ShellQuote(Archive()) + " " +
                       ShellQuote(name) + " </dev/null 2>/dev/null",
                   &out);
        return out;
    }
    // Stores `text` as `member` with `password` in the traditional cipher.
    void StoreTraditional(const std::string& member, const std::string& text,
                          const std::string& password) {
        std::filesystem::create_directories(Folder());
        TZipWriter writer;
        writer.SetZipName(Archive());
        writer.SetStorePaths(true);
        writer.ZipPassword = password;
        writer.Cipher = zcTraditional;
        TMemoryStream stream(Rtf(text));
        ASSERT_EQ(writer.AddFromStream(&stream, member), 1);
    }
    std::string IniText() { return ReadFile(folders.configDir() + "/Dayscrib.INI"); }
};

} // namespace

TEST_F(ProtectionChoice, ANewDiaryProtectsWithAesThatSevenZipOpensOnlyWithThePassword) {
    WriteIni();
    Start();
    Select15();
    Type("my secret");
    prompts.Inputs = {QString("Tulip"), QString("Tulip")}; // asked twice
    form->Protect1->trigger();
    EXPECT_EQ(Panel(2), "Password Protected (AES-256)");
    // The panel holds its words whole.
    EXPECT_GE(form->StatusPanel[2]->contentsRect().width(),
              form->StatusPanel[2]->fontMetrics().horizontalAdvance(Panel(2)));
    Select16();
    EXPECT_EQ(CipherOf(Day15), zcAes256);
    EXPECT_NE(SevenZip(Day15, "Tulip").find("my secret"), std::string::npos);
    EXPECT_EQ(SevenZip(Day15, ""), "");
    EXPECT_EQ(SevenZip(Day15, "Rose"), "");
    EXPECT_EQ(ReadFile(Archive()).find("my secret"), std::string::npos);

    prompts.Inputs = {QString("Tulip")};
    Select15();
    EXPECT_EQ(Text(), "my secret");
    EXPECT_EQ(Panel(2), "Password Protected (AES-256)");
    form->close();
    form.reset();
    // The choice is the program's own key, not one of [Main].
    const std::string ini = IniText();
    ASSERT_NE(ini.find("[Dayscrib]"), std::string::npos);
    EXPECT_GT(ini.find("User1Cipher=AES-256"), ini.find("[Dayscrib]"));
}

TEST_F(ProtectionChoice, AnOldDiaryKeepsTheTraditionalCipher) {
    StoreTraditional(Day16, "older", "pw");
    WriteIni();
    Start();
    Select15();
    Type("new text");
    prompts.Inputs = {QString("pw"), QString("pw")}; // asked twice
    form->Protect1->trigger();
    EXPECT_EQ(Panel(2), "Password Protected");
    Select16();
    EXPECT_EQ(CipherOf(Day15), zcTraditional);
    EXPECT_EQ(Check().Text(Day15, "pw"), "new text\n");
    form->close();
    form.reset();
    EXPECT_NE(IniText().find("User1Cipher=Traditional"), std::string::npos);
}

TEST_F(ProtectionChoice, ATraditionalEntryBecomesAesWhenItIsItselfStoredInAnAesProfile) {
    StoreTraditional(Day15, "first", "pw");
    StoreTraditional(Day16, "second", "pw");
    const std::string day16 = RawBytes(Day16);
    WriteIni("[Dayscrib]\nUser1Cipher=AES-256\n");
    prompts.Inputs = {QString("pw")};
    Start();
    Select15();
    EXPECT_EQ(Text(), "first");
    EXPECT_EQ(Panel(2), "Password Protected"); // as it lies in the archive
    const std::string day15 = RawBytes(Day15);
    // Merely opened and left: nothing is stored, the member stays as it was.
    prompts.Inputs = {QString("pw")};
    Select16();
    EXPECT_EQ(RawBytes(Day15), day15);
    prompts.Inputs = {QString("pw")};
    Select15();
    Type("more ");
    Select16();
    EXPECT_EQ(CipherOf(Day15), zcAes256);
    EXPECT_EQ(Check().Text(Day15, "pw"), "more first\n");
    EXPECT_NE(SevenZip(Day15, "pw").find("more first"), std::string::npos);
    // The other entry was copied: its bytes and cipher are as they were.
    EXPECT_EQ(RawBytes(Day16), day16);
    EXPECT_EQ(CipherOf(Day16), zcTraditional);
}

TEST(ProtectionChoiceRule, UnchosenProfilesSettleByTheirArchive) {
    TempDir dir;
    std::filesystem::create_directories(dir.path() + "/old");
    WriteFile(dir.path() + "/old/Daybank.zip", "");
    TSettings s;
    s.Project(1).Path = dir.path() + "/old/";
    s.Project(2).Path = dir.path() + "/new/";
    s.Project(3).Path = dir.path() + "/old/";
    s.Project(3).Protection = TProtection::Aes256;
    EXPECT_EQ(StoreCipherOf(TProtection::Unset, dir.path() + "/old/Daybank.zip"), zcTraditional);
    EXPECT_EQ(StoreCipherOf(TProtection::Unset, dir.path() + "/new/Daybank.zip"), zcAes256);
    SettleProtection(s);
    EXPECT_EQ(s.Project(1).Protection, TProtection::Traditional);
    EXPECT_EQ(s.Project(2).Protection, TProtection::Aes256);
    EXPECT_EQ(s.Project(3).Protection, TProtection::Aes256);
    EXPECT_EQ(ProtectionStatusText(zcNone), "");
    EXPECT_EQ(ProtectionStatusText(zcAes128), "Password Protected (AES-128)");
}
