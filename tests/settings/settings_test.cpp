#include "platform/profile_file.h"
#include "settings/password_scramble.h"
#include "settings/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <sstream>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

class Settings : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    std::string IniPath() const { return folders.configDir() + "/Dayscrib.INI"; }
    void WriteIni(const std::string& body) {
        ProfileFilePath(SettingsFileName); // creates the folder
        WriteFile(IniPath(), "[Main]\n" + body);
    }
    TSettings Load(int year = 2026) {
        TSettings s;
        LoadSettings(s, year);
        return s;
    }
};

std::vector<std::string> Keys(const std::string& file) {
    std::vector<std::string> keys;
    std::istringstream in(file);
    std::string line;
    while (std::getline(in, line))
        if (auto eq = line.find('='); eq != std::string::npos) keys.push_back(line.substr(0, eq));
    return keys;
}

class TFailOnKey : public TProfileFileIO {
public:
    explicit TFailOnKey(std::string key) : key_(std::move(key)) {}
    bool ReadAll(const std::string& p, std::string& b) override {
        return SystemProfileFileIO().ReadAll(p, b);
    }
    bool ReplaceAll(const std::string& p, const std::string& b) override {
        if (b.find("\n" + key_ + "=") != std::string::npos) return false;
        return SystemProfileFileIO().ReplaceAll(p, b);
    }

private:
    std::string key_;
};

} // namespace

TEST_F(Settings, NoFileGivesTheDefaults) {
    const TSettings s = Load(2026);
    EXPECT_EQ(s.Left, 85);
    EXPECT_EQ(s.Top, 50);
    EXPECT_EQ(s.Width, 670);
    EXPECT_EQ(s.Height, 505);
    EXPECT_TRUE(s.ShowCalendar && s.ShowTabs && s.ShowToolBar && s.ShowTreeView);
    EXPECT_EQ(s.StartProject, 1);
    EXPECT_EQ(s.Project(1).Name, "User1");
    EXPECT_EQ(s.Project(1).Path, "Data\\");
    EXPECT_EQ(s.Project(1).Password, "");
    EXPECT_FALSE(s.Project(1).Protect);
    EXPECT_TRUE(s.Project(1).On);
    EXPECT_FALSE(s.Project(1).RO);
    for (int n = 2; n <= 5; ++n) {
        EXPECT_FALSE(s.Project(n).On) << n;
        EXPECT_TRUE(s.Project(n).RO) << n;
        EXPECT_EQ(s.Project(n).Name, "User" + std::to_string(n));
        EXPECT_EQ(s.Project(n).Path, "Data\\User" + std::to_string(n));
    }
    EXPECT_EQ(s.YearList.Strings(), std::vector<std::string>{"2026"});
    EXPECT_FALSE(testsupport::FileExists(IniPath())); // reading never writes
}

TEST_F(Settings, MissingYearTakesTheCurrentYearSortedWithoutDuplicates) {
    WriteIni("YearCount=3\nYear1=2027\nYear3=1999\n");
    EXPECT_EQ(Load(2026).YearList.Strings(), (std::vector<std::string>{"1999", "2026", "2027"}));
    WriteIni("YearCount=3\nYear1=2026\nYear3=1999\n");
    EXPECT_EQ(Load(2026).YearList.Strings(), (std::vector<std::string>{"1999", "2026"}));
}

TEST_F(Settings, CurrentYearIsAddedWhenTheListLacksIt) {
    WriteIni("YearCount=2\nYear1=1998\nYear2=1999\nYear3=2000\n");
    EXPECT_EQ(Load(2026).YearList.Strings(), (std::vector<std::string>{"1998", "1999", "2026"}));
    WriteIni("YearCount=-4\n");
    EXPECT_EQ(Load(2026).YearList.Strings(), std::vector<std::string>{"2026"});
}

TEST_F(Settings, AHugeYearCountDoesNotHang) {
    WriteIni("YearCount=2000000000\nYear1=1999\n");
    EXPECT_EQ(Load(2026).YearList.Strings(), (std::vector<std::string>{"1999", "2026"}));
}

TEST_F(Settings, YearListSortsAsTextIgnoringCase) {
    TYearList list;
    EXPECT_TRUE(list.Add("2001"));
    EXPECT_TRUE(list.Add("abc"));
    EXPECT_TRUE(list.Add("1999"));
    EXPECT_FALSE(list.Add("ABC"));
    EXPECT_TRUE(list.Add("999")); // text order, not numeric
    EXPECT_EQ(list.Strings(), (std::vector<std::string>{"1999", "2001", "999", "abc"}));
    EXPECT_EQ(list.IndexOf("AbC"), 3);
}

TEST_F(Settings, IntegersBooleansAndMalformedValues) {
    WriteIni("Left=0x1F\nTop=0X\nWidth=-12\nHeight=12px\nShowCalendar=0\nShowTabs=7\n"
             "ShowToolBar=junk\nShowTreeView=0x0\nStartProject= 3 \n");
    const TSettings s = Load();
    EXPECT_EQ(s.Left, 31);
    EXPECT_EQ(s.Top, 50); // "0X" alone is no number
    EXPECT_EQ(s.Width, -12);
    EXPECT_EQ(s.Height, 505);
    EXPECT_FALSE(s.ShowCalendar);
    EXPECT_TRUE(s.ShowTabs);
    EXPECT_TRUE(s.ShowToolBar); // malformed: the default
    EXPECT_FALSE(s.ShowTreeView);
    EXPECT_EQ(s.StartProject, 3);
    EXPECT_EQ(ParseIniInteger("0xffffffff", 5), -1);
    EXPECT_EQ(ParseIniInteger("0x1ffffffff", 5), 5);
    EXPECT_EQ(ParseIniInteger("99999999999", 5), 5);
    EXPECT_EQ(ParseIniInteger("-2147483648", 5), -2147483647 - 1);
    EXPECT_EQ(ParseIniInteger("+", 5), 5);
}

TEST_F(Settings, NewFileListsEveryKeyInOrder) {
    TSettings s = Load(2026);
    s.YearList.Add("2025");
    SaveSettings(s);
    std::vector<std::string> expected = {
        "Left",      "Top",           "Width",        "Height",       "ShowCalendar",
        "ShowTabs",  "ShowToolBar",   "ShowTreeView", "StartProject", "User1Name",
        "User1Path", "User1Password", "User1Protect"};
    for (int n = 2; n <= 5; ++n)
        for (const char* f : {"On", "Name", "Path", "RO", "Password", "Protect"})
            expected.push_back("User" + std::to_string(n) + f);
    for (const char* k : {"YearCount", "Year1", "Year2", "BackupCount", "CheckSpelling"})
        expected.push_back(k);
    for (int n = 1; n <= 5; ++n)
        expected.push_back("User" + std::to_string(n) + "SpellLanguage");
    const std::string file = ReadFile(IniPath());
    EXPECT_EQ(Keys(file), expected);
    EXPECT_EQ(file.substr(0, 7), "[Main]\n");
    EXPECT_NE(file.find("\nUser1Path=Data\\\n"), std::string::npos);
    EXPECT_NE(file.find("\nUser2RO=1\n"), std::string::npos);
    EXPECT_NE(file.find("\nUser1Password=\n"), std::string::npos);
    EXPECT_NE(file.find("\nYearCount=2\nYear1=2025\nYear2=2026\n"), std::string::npos);
    // Our own key, after every key of "Main", in a section of its own.
    EXPECT_NE(file.find("\n[Dayscrib]\nBackupCount=30\n"), std::string::npos);
}

TEST_F(Settings, SaveThenLoadGivesTheSameValues) {
    TSettings s = Load(2026);
    s.Left = -5;
    s.Width = 1000;
    s.ShowTabs = false;
    s.StartProject = 3;
    s.Project(1).Password = "S\xE9same!";
    s.Project(1).Protect = true;
    s.Project(3) = {"Proj \xC4", "/home/x/Diary/",    "pw",   true, true,
                    false,       TProtection::Aes256, "de_DE"};
    s.CheckSpelling = false;
    SaveSettings(s);
    const TSettings t = Load(2026);
    EXPECT_EQ(t.Left, -5);
    EXPECT_EQ(t.Width, 1000);
    EXPECT_FALSE(t.ShowTabs);
    EXPECT_EQ(t.StartProject, 3);
    EXPECT_EQ(t.Project(1).Password, "S\xE9same!");
    EXPECT_TRUE(t.Project(1).Protect);
    EXPECT_EQ(t.Project(3).Name, "Proj \xC4");
    EXPECT_EQ(t.Project(3).Path, "/home/x/Diary/");
    EXPECT_EQ(t.Project(3).Password, "pw");
    EXPECT_TRUE(t.Project(3).On);
    EXPECT_FALSE(t.Project(3).RO);
    EXPECT_EQ(t.Project(3).Protection, TProtection::Aes256);
    EXPECT_EQ(t.Project(3).SpellLanguage, "de_DE");
    EXPECT_EQ(t.Project(1).SpellLanguage, ""); // the system's language
    EXPECT_FALSE(t.CheckSpelling);
    EXPECT_EQ(ReadFile(IniPath()).find("S\xE9same"), std::string::npos); // not in plain
}

TEST_F(Settings, SaveKeepsForeignLinesAndStaleYears) {
    WriteIni("; hand-written\nYearCount=3\nYear1=1990\nYear2=1991\nYear3=1992\n[Other]\nA=b\n");
    TSettings s = Load(2026);
    s.YearList.Clear();
    s.YearList.Add("2026");
    SaveSettings(s);
    const std::string file = ReadFile(IniPath());
    EXPECT_EQ(file.substr(0, 23), "[Main]\n; hand-written\nY");
    EXPECT_NE(file.find("YearCount=1\nYear1=2026\nYear2=1991\nYear3=1992\n"), std::string::npos);
    EXPECT_NE(file.find("\n[Other]\nA=b\n"), std::string::npos);
    EXPECT_EQ(Load(2026).YearList.Strings(), std::vector<std::string>{"2026"});
}

TEST_F(Settings, FailedWriteNamesTheFileAndStopsAtThatKey) {
    TSettings s = Load();
    TFailOnKey failing("StartProject");
    TProfileFileIO* old = SetProfileFileIO(&failing);
    try {
        SaveSettings(s);
        ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), "Unable to write to " + IniPath());
    }
    SetProfileFileIO(old);
    const std::string file = ReadFile(IniPath());
    EXPECT_NE(file.find("ShowTreeView=1"), std::string::npos);
    EXPECT_EQ(file.find("StartProject"), std::string::npos);
    EXPECT_EQ(file.find("User1Name"), std::string::npos);
}

TEST_F(Settings, SelectProfileCopiesTheFourValues) {
    TSettings s = Load();
    s.Project(1).RO = true; // never read-only, whatever the record says
    s.Project(1).Password = "a";
    s.Project(2) = {"B", "Data\\B\\", "b", true, true, true, {}, {}};
    TCurrentProfile c = SelectProfile(s, 1);
    EXPECT_EQ(c.CurrentPath, "Data\\");
    EXPECT_EQ(c.CurrentPassword, "a");
    EXPECT_FALSE(c.CurrentRO);
    c = SelectProfile(s, 2);
    EXPECT_EQ(c.CurrentPath, "Data\\B\\");
    EXPECT_EQ(c.CurrentPassword, "b");
    EXPECT_TRUE(c.CurrentRO);
    EXPECT_TRUE(c.CurrentProtect);
}

// ---- password scrambling ----

TEST(PasswordScramble, HexHelpers) {
    EXPECT_EQ(HexValue("0"), 0u);
    EXPECT_EQ(HexValue("fF"), 255u);
    EXPECT_EQ(HexValue("1a2B"), 0x1A2Bu);
    EXPECT_EQ(TextToHex(std::string("\x00\x0f\xab", 3)), "000FAB");
    EXPECT_EQ(HexToText("414a6"), "AJ"); // the unpaired digit is ignored
    EXPECT_EQ(HexToText(""), "");
}

TEST(PasswordScramble, NineCharactersMakeABlockOfEightAndOneOfOne) {
    // Key bytes: 5A^C7=9D 3C^E1=DD 9E^28=B6 17^4F=58 D2^B3=61 4B^9D=D6 6F^06=69 80^A5=25.
    const std::string pw = "abcdefghi";
    const std::string scrambled = ScramblePassword(pw);
    ASSERT_EQ(scrambled.size(), 18u);
    // Block 1 XOR key: 'a'^9D=FC ... 'h'^25=4D; then first and last exchanged.
    // Block 2: 'i'^9D=F4, alone, so unchanged.
    EXPECT_EQ(scrambled, "4DBFD53C04B00EFCF4");
    EXPECT_EQ(UnscramblePassword(scrambled), pw);
}

TEST(PasswordScramble, LowercaseHexReadsTheSame) {
    EXPECT_EQ(UnscramblePassword("4dbfd53c04b00efcf4"), "abcdefghi");
}

TEST(PasswordScramble, EveryByteRoundTrips) {
    std::string all;
    for (int i = 0; i < 256; ++i)
        all += static_cast<char>(i);
    EXPECT_EQ(UnscramblePassword(ScramblePassword(all)), all);
    EXPECT_EQ(ScramblePassword(""), "");
    EXPECT_EQ(UnscramblePassword("zz!"), UnscramblePassword("zz!")); // junk never fails
}
