#include "platform/mem_status.h"
#include "platform/user_folders.h"
#include "support/test_support.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
bool IsFolder(const std::string& p) {
    struct stat st {};
    return stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

TEST(UserFolders, XdgFoldersAreUsedAndCreated) {
    testsupport::ScopedUserFolders folders;
    EXPECT_EQ(ConfigFolder(), folders.configDir() + "/");
    EXPECT_EQ(ProgramFolder(), folders.dataDir() + "/");
    EXPECT_TRUE(IsFolder(folders.configDir()));
    EXPECT_TRUE(IsFolder(folders.dataDir()));
}

TEST(UserFolders, DefaultsUnderHomeWhenXdgIsUnsetOrRelative) {
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir home;
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
    setenv("XDG_DATA_HOME", "relative/path", 1);
    EXPECT_EQ(ConfigFolder(), home.path() + "/.config/Dayscrib/");
    EXPECT_EQ(ProgramFolder(), home.path() + "/.local/share/Dayscrib/");
    EXPECT_TRUE(IsFolder(home.path() + "/.local/share/Dayscrib"));
    EXPECT_EQ(DocumentsFolder(), home.path() + "/");
    setenv("HOME", oldHome.c_str(), 1);
}

TEST(UserFolders, DocumentsFolderFromUserDirs) {
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir home;
    const std::string oldHome = getenv("HOME") ? getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    const std::string configRoot = folders.root() + "/config";
    ForceFolders(configRoot);
    testsupport::WriteFile(configRoot + "/user-dirs.dirs",
                           "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                           "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(DocumentsFolder(), home.path() + "/"); // named folder missing: home
    ForceFolders(home.path() + "/Papers");
    EXPECT_EQ(DocumentsFolder(), home.path() + "/Papers/");
    setenv("HOME", oldHome.c_str(), 1);
}

TEST(MemStatus, LoadIsRoundedShareInUse) {
    TMemoryStatus s;
    ASSERT_TRUE(ParseMemInfo("MemTotal:       1000 kB\nMemFree:  10 kB\n"
                             "MemAvailable:    254 kB\n",
                             s));
    EXPECT_EQ(s.TotalPhys, 1024000u);
    EXPECT_EQ(s.MemoryLoad, 75u); // 74.6 rounds up
    ASSERT_TRUE(ParseMemInfo("MemTotal: 1000 kB\nMemAvailable: 1000 kB\n", s));
    EXPECT_EQ(s.MemoryLoad, 0u);
}

TEST(MemStatus, MissingTotalIsAFailure) {
    TMemoryStatus s;
    EXPECT_FALSE(ParseMemInfo("", s));
    EXPECT_FALSE(ParseMemInfo("MemTotal: 0 kB\n", s));
    EXPECT_FALSE(ParseMemInfo("MemTotal: junk\n", s));
}

TEST(MemStatus, ReadsTheRunningSystem) {
    TMemoryStatus s;
    ASSERT_TRUE(GetMemoryStatus(s));
    EXPECT_GT(s.TotalPhys, 0u);
    EXPECT_LE(s.MemoryLoad, 100u);
}
