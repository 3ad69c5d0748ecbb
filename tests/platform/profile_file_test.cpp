#include "platform/profile_file.h"
#include "platform/user_folders.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

// Reads through the real file system but refuses every write.
class TFailingWrites : public TProfileFileIO {
public:
    bool ReadAll(const std::string& path, std::string& bytes) override {
        return SystemProfileFileIO().ReadAll(path, bytes);
    }
    bool ReplaceAll(const std::string&, const std::string&) override {
        ++attempts;
        return false;
    }
    int attempts = 0;
};

class ProfileFile : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string ini = dir.file("test.ini");

    std::string Get(const std::string& section, const std::string& key,
                    const std::string& def = "DEF") {
        return GetPrivateProfileStringA(section, key, def, ini);
    }
};

} // namespace

TEST_F(ProfileFile, MissingFileSectionOrKeyGivesTheDefault) {
    EXPECT_EQ(Get("Main", "Left"), "DEF");
    WriteFile(ini, "[Other]\nLeft=1\n[Main]\nTop=2\n");
    EXPECT_EQ(Get("Nope", "Left"), "DEF");
    EXPECT_EQ(Get("Main", "Left"), "DEF");
    EXPECT_EQ(Get("Main", "Top"), "2");
}

TEST_F(ProfileFile, NamesAreCaseInsensitiveAndTheFirstMatchWins) {
    WriteFile(ini, "[main]\nWIDTH=1\nwidth=2\n[MAIN]\nWidth=3\n");
    EXPECT_EQ(Get("Main", "Width"), "1");
}

TEST_F(ProfileFile, ValuesAreTrimmedAndCommentsIgnored) {
    WriteFile(ini, "  [ Main ]  \n;Name=comment\n  Name  =   a b c \t \nEmpty=\n");
    EXPECT_EQ(Get("Main", "Name"), "a b c");
    EXPECT_EQ(Get("Main", ";Name"), "DEF");
    EXPECT_EQ(Get("Main", "Empty"), "");
}

TEST_F(ProfileFile, AtMost2047CharactersOfAValueAreRead) {
    const std::string longValue(5000, 'x');
    WriteFile(ini, "[Main]\nLong=" + longValue + "\nAfter=ok\n");
    EXPECT_EQ(Get("Main", "Long"), std::string(2047, 'x'));
    EXPECT_EQ(Get("Main", "After"), "ok");
    EXPECT_EQ(Get("Main", "Missing", longValue).size(), 2047u);
}

TEST_F(ProfileFile, MalformedFilesAreReadWithoutTrouble) {
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 37) & 0xFF);
    WriteFile(ini, "\xEF\xBB\xBF[Main]\r\n" + junk + "\r\nKey=v\r\n" + std::string(100000, '[') +
                       "\n[Main2]\nLast=no newline");
    EXPECT_EQ(Get("Main", "Key"), "v");
    EXPECT_EQ(Get("Main2", "Last"), "no newline");
}

TEST_F(ProfileFile, BareNameLivesInTheConfigurationFolder) {
    testsupport::ScopedUserFolders folders;
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Key", "v", "Bare.INI"));
    EXPECT_EQ(ReadFile(folders.configDir() + "/Bare.INI"), "[Main]\nKey=v\n");
    EXPECT_EQ(GetPrivateProfileStringA("Main", "key", "", "Bare.INI"), "v");
    EXPECT_EQ(ProfileFilePath("Bare.INI"), folders.configDir() + "/Bare.INI");
}

TEST_F(ProfileFile, WriteCreatesFileAndSectionAndAppendsKeysInOrder) {
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "A", "1", ini));
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "B", "2", ini));
    ASSERT_TRUE(WritePrivateProfileStringA("Other", "C", "3", ini));
    ASSERT_TRUE(WritePrivateProfileStringA("main", "D", "4", ini));
    EXPECT_EQ(ReadFile(ini), "[Main]\nA=1\nB=2\nD=4\n[Other]\nC=3\n");
}

TEST_F(ProfileFile, WriteReplacesOnlyTheKeysLine) {
    const std::string before = "; my settings\n[Foreign]\nLeft=7 ; theirs\n\n[Main]\n"
                               "  left = 1  \n; keep me\nTop=2\n\n[Tail]\nX=y\n";
    WriteFile(ini, before);
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Left", "99", ini));
    EXPECT_EQ(ReadFile(ini), "; my settings\n[Foreign]\nLeft=7 ; theirs\n\n[Main]\n"
                             "Left=99\n; keep me\nTop=2\n\n[Tail]\nX=y\n");
    // A new key goes after the section's last line, before the blank line.
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Width", "5", ini));
    EXPECT_EQ(ReadFile(ini), "; my settings\n[Foreign]\nLeft=7 ; theirs\n\n[Main]\n"
                             "Left=99\n; keep me\nTop=2\nWidth=5\n\n[Tail]\nX=y\n");
}

TEST_F(ProfileFile, CrlfAndByteOrderMarkSurviveAWrite) {
    WriteFile(ini, "\xEF\xBB\xBF[Main]\r\nLeft=1\r\n[Other]\r\nZ=z\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Left", "2", ini));
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Top", "3", ini));
    EXPECT_EQ(ReadFile(ini), "\xEF\xBB\xBF[Main]\r\nLeft=2\r\nTop=3\r\n[Other]\r\nZ=z\r\n");
    EXPECT_EQ(Get("Main", "Left"), "2");
}

TEST_F(ProfileFile, NoFinalNewlineGetsOneBeforeAppendedLines) {
    WriteFile(ini, "[Main]\nLeft=1");
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Top", "2", ini));
    EXPECT_EQ(ReadFile(ini), "[Main]\nLeft=1\nTop=2\n");
    WriteFile(ini, "[Other]\nx=1");
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Top", "2", ini));
    EXPECT_EQ(ReadFile(ini), "[Other]\nx=1\n[Main]\nTop=2\n");
    WriteFile(ini, "[Main]\nTop=1");
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Top", "2", ini));
    EXPECT_EQ(ReadFile(ini), "[Main]\nTop=2\n");
}

TEST_F(ProfileFile, JunkAndLongLinesAreKeptByteForByte) {
    std::string junk;
    for (int i = 0; i < 256; ++i)
        if (i != '\n') junk += static_cast<char>(i);
    const std::string longLine(200000, 'q');
    const std::string before = "[Main]\n" + junk + "\n" + longLine + "\nLeft=1\n[B]\n" + junk;
    WriteFile(ini, before);
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "Left", "2", ini));
    EXPECT_EQ(ReadFile(ini), "[Main]\n" + junk + "\n" + longLine + "\nLeft=2\n[B]\n" + junk);
}

TEST_F(ProfileFile, FailedWriteReturnsFalseAndKeepsTheOldFile) {
    WriteFile(ini, "[Main]\nLeft=1\n");
    TFailingWrites failing;
    TProfileFileIO* old = SetProfileFileIO(&failing);
    EXPECT_FALSE(WritePrivateProfileStringA("Main", "Left", "2", ini));
    SetProfileFileIO(old);
    EXPECT_EQ(failing.attempts, 1);
    EXPECT_EQ(ReadFile(ini), "[Main]\nLeft=1\n");
}

TEST_F(ProfileFile, WriteIntoAMissingFolderFailsAndLeavesNoTemporaryFile) {
    EXPECT_FALSE(WritePrivateProfileStringA("Main", "A", "1", dir.file("no/such/x.ini")));
    WriteFile(ini, "[Main]\nA=1\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Main", "A", "2", ini));
    EXPECT_EQ(testsupport::ListDir(dir.path()), std::vector<std::string>{"test.ini"});
}

TEST_F(ProfileFile, LineBreaksInNamesOrValuesAreRefused) {
    WriteFile(ini, "[Main]\nA=1\n");
    EXPECT_FALSE(WritePrivateProfileStringA("Main", "A", "x\n[Evil]", ini));
    EXPECT_FALSE(WritePrivateProfileStringA("Main", "A\r", "x", ini));
    EXPECT_FALSE(WritePrivateProfileStringA("", "A", "x", ini));
    EXPECT_EQ(ReadFile(ini), "[Main]\nA=1\n");
}
