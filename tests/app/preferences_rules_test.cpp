// The Preferences dialog's widget-free rules, called directly.
#include "app/preferences_form_rules.h"
#include "support/test_support.h"

#include "support/test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(PreferencesRules, IncludedYearsRemoveTheirFirstEqualAvailableOne) {
    std::vector<std::string> available = {"1990", "1991", "1992", "1991"};
    RemoveIncludedYears(available, {"1991", "2050", "1990", "1990"});
    EXPECT_EQ(available, (std::vector<std::string>{"1992", "1991"}));
    std::vector<std::string> none = {"1990"};
    RemoveIncludedYears(none, {" 1990", "1990 "}); // exact text only
    EXPECT_EQ(none, std::vector<std::string>{"1990"});
}

TEST(PreferencesRules, SortedPlaceIsTextOrderIgnoringLetterCase) {
    const std::vector<std::string> sorted = {"1990", "2000", "2010", "b"};
    EXPECT_EQ(SortedInsertPosition(sorted, "1989"), 0);
    EXPECT_EQ(SortedInsertPosition(sorted, "2005"), 2);
    EXPECT_EQ(SortedInsertPosition(sorted, "2000"), 2); // after an equal one
    EXPECT_EQ(SortedInsertPosition(sorted, "999"), 3);  // text order, not numbers
    EXPECT_EQ(SortedInsertPosition(sorted, "A"), 3);
    EXPECT_EQ(SortedInsertPosition(sorted, "C"), 4);
    EXPECT_EQ(SortedInsertPosition({}, "2000"), 0);
}

TEST(PreferencesRules, SelectionIsClampedIntoTheList) {
    EXPECT_EQ(ClampSelection(-1, 5), 0);
    EXPECT_EQ(ClampSelection(3, 5), 3);
    EXPECT_EQ(ClampSelection(5, 5), 4);
    EXPECT_EQ(ClampSelection(0, 0), -1);
    EXPECT_EQ(ClampSelection(-1, 0), -1);
}

TEST(PreferencesRules, PathsEndInASeparator) {
    EXPECT_EQ(WithFinalSeparator("D:\\Diary"), "D:\\Diary\\");
    EXPECT_EQ(WithFinalSeparator("Data\\"), "Data\\");
    EXPECT_EQ(WithFinalSeparator(""), "\\");
    EXPECT_EQ(WithFinalSeparator("/home/me/diary"), "/home/me/diary\\");
    EXPECT_EQ(WithFinalSeparator("/home/me/diary/"), "/home/me/diary/"); // "/" is one too
}

// One folder however it is written: relative or whole, with "." and "..",
// through a link; only profiles that are on count.
TEST(PreferencesRules, AFolderSharedByTwoProfilesIsFoundHoweverItIsWritten) {
    testsupport::TempDir dir;
    const std::string program = dir.path() + "/program/";
    std::filesystem::create_directories(program + "Data/Own");
    std::filesystem::create_directory_symlink(program + "Data/Own", dir.path() + "/link");
    const std::vector<bool> allOn(5, true);
    EXPECT_EQ(SharedDataFolder({"Data\\", "Data\\Own\\", "/x/", "/y", "/z/"}, allOn, program),
              std::make_pair(0, 0));
    EXPECT_EQ(SharedDataFolder({"Data\\", "Data\\Own", "/x/", program + "Data/./", "/z/"}, allOn,
                               program),
              std::make_pair(4, 1));
    EXPECT_EQ(
        SharedDataFolder({"Data\\", "Data\\Own\\..\\Own", dir.path() + "/link/", "/y/", "/z/"},
                         allOn, program),
        std::make_pair(3, 2));
    EXPECT_EQ(SharedDataFolder({"Data\\", "/x/", "/x/", "/y/", "/z/"},
                               {true, true, false, true, true}, program),
              std::make_pair(0, 0));
    // The folder button writes folders below the program's own as the
    // defaults are written, others whole.
    EXPECT_EQ(DataPathForFolder(program + "Data/Trips", program), "Data\\Trips\\");
    EXPECT_EQ(DataPathForFolder("/home/me/diary", program), "/home/me/diary/");
    EXPECT_EQ(DataPathForFolder(program.substr(0, program.size() - 1), program), program);
}

TEST(PreferencesRules, PasswordChecksIgnoreBlanksAtTheEnds) {
    EXPECT_EQ(TrimBlanks(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimBlanks("\x01\x1f"), "");
    EXPECT_EQ(TrimBlanks("\xC3\xA9"), "\xC3\xA9");
    EXPECT_TRUE(ProfileOnePasswordMissing("  "));
    EXPECT_FALSE(ProfileOnePasswordMissing(" x "));
    EXPECT_TRUE(ProfileOneNeedsPassword(" ", {"", " ", "pw", ""}));
    EXPECT_FALSE(ProfileOneNeedsPassword(" ", {"", " ", "\t", ""}));
    EXPECT_FALSE(ProfileOneNeedsPassword("one", {"pw", "pw", "pw", "pw"}));
}

TEST(PreferencesRules, FieldsLeftAsShownHandBackTheirBytes) {
    // Windows-1252 bytes, shown as text, come back as they were.
    const std::string ansi = "Caf\xE9";
    const std::string shown = NameText(ansi);
    EXPECT_EQ(shown, "Caf\xC3\xA9");
    EXPECT_EQ(EditedBytes(shown, shown, ansi, NameBytes), ansi);
    EXPECT_EQ(EditedBytes(shown + "s", shown, ansi, NameBytes), "Caf\xE9s");
    // A path that only got its final backslash keeps its bytes too.
    EXPECT_EQ(PathText("Donn\xE9"
                       "es"),
              "Donn\xC3\xA9"
              "es");
    EXPECT_EQ(EditedBytes("Donn\xC3\xA9"
                          "es\\",
                          "Donn\xC3\xA9"
                          "es",
                          "Donn\xE9"
                          "es",
                          PathBytes),
              "Donn\xE9"
              "es\\");
    // Typed paths are file-system (UTF-8) bytes.
    EXPECT_EQ(PathBytes("/home/\xC3\xA9"), "/home/\xC3\xA9");
    // Passwords: windows-1252 when possible, else UTF-8, shown either way.
    EXPECT_EQ(PasswordFieldBytes("\xC3\xA9t\xC3\xA9"), "\xE9t\xE9");
    EXPECT_EQ(PasswordFieldBytes("\xD0\xBF"), "\xD0\xBF");
    EXPECT_EQ(PasswordText("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(PasswordText("\xD0\xBF"), "\xD0\xBF");
}

TEST(PreferencesRules, NamesAreKeptAsTyped) {
    // Letters windows-1252 lacks are held as UTF-8, not turned into "?".
    const std::string diary = "\xD0\x94\xD0\xBD\xD0\xB5\xD0\xB2\xD0\xBD\xD0\xB8\xD0\xBA"; // Дневник
    EXPECT_EQ(NameBytes(diary), diary);
    EXPECT_EQ(NameText(NameBytes(diary)), diary);
    EXPECT_EQ(NameBytes("Caf\xC3\xA9 \xE2\x82\xAC"),
              "Caf\xE9 \x80"); // windows-1252 can: it is used
    // windows-1252 bytes that happen to be valid UTF-8 of a text windows-1252
    // could hold were never written as UTF-8: they read as windows-1252.
    EXPECT_EQ(NameText("\xC3\xA9"), "\xC3\x83\xC2\xA9");                         // "Ã©", not "é"
    EXPECT_EQ(PasswordText("\xE2\x80\x99"), "\xC3\xA2\xE2\x82\xAC\xE2\x84\xA2"); // "â€™"
    for (const std::string& typed : {diary, std::string("\xC3\x83\xC2\xA9"), std::string("plain"),
                                     std::string("\xE2\x80\x99 \xD0\x94")})
        EXPECT_EQ(NameText(NameBytes(typed)), typed) << typed;
}

TEST(PreferencesRules, TheFolderAPathResolvesTo) {
    testsupport::ScopedUserFolders folders;
    const std::string data = folders.dataDir() + "/";
    EXPECT_EQ(ResolvedFolderText("Data\\"), data + "Data/");
    EXPECT_EQ(ResolvedFolderText("Data\\User2"), data + "Data/User2/"); // as OK hands it back
    EXPECT_EQ(ResolvedFolderText("D:\\Diary"), data + "Diary/");
    EXPECT_EQ(ResolvedFolderText("/home/me/diary"), "/home/me/diary/");
    EXPECT_EQ(ResolvedFolderText(""), data + "/");
}
