#include "platform/exception.h"
#include "support/test_support.h"
#include "zip/hooks.h"
#include "zip/zip_utils.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

TEST(ZipUtils, SlashesAndStrings) {
    EXPECT_EQ(SlashesToZip("2001\\May\\3.rtf"), "2001/May/3.rtf");
    EXPECT_EQ(SlashesToDos("2001/May/3.rtf"), "2001\\May\\3.rtf");
    EXPECT_EQ(LeftStr("abcdef", 2), "ab");
    EXPECT_EQ(LeftStr("ab", 5), "ab");
    EXPECT_EQ(LeftStr("ab", -1), "");
    EXPECT_EQ(RightStr("abcdef", 2), "ef");
    EXPECT_EQ(RightStr("ab", 5), "ab");
    EXPECT_EQ(RightStr("ab", 0), "");
    for (const char* w : {"a*", "?", "<a>", "x>", "a|b"})
        EXPECT_TRUE(HasWildcard(w)) << w;
    EXPECT_FALSE(HasWildcard("2001\\May\\[3].rtf"));
}

TEST(ZipUtils, CalcPercentRoundsHalfToEvenAndCaps) {
    EXPECT_EQ(CalcPercent(0, 5), 0);
    EXPECT_EQ(CalcPercent(-3, 5), 0);
    EXPECT_EQ(CalcPercent(200, 1), 0); // 0.5 -> 0
    EXPECT_EQ(CalcPercent(200, 3), 2); // 1.5 -> 2
    EXPECT_EQ(CalcPercent(200, 5), 2); // 2.5 -> 2
    EXPECT_EQ(CalcPercent(8, 1), 12);  // 12.5 -> 12
    EXPECT_EQ(CalcPercent(8, 3), 38);  // 37.5 -> 38
    EXPECT_EQ(CalcPercent(3, 1), 33);
    EXPECT_EQ(CalcPercent(3, 2), 67);
    EXPECT_EQ(CalcPercent(100, 250), 100);
    EXPECT_EQ(CalcPercent(2147483647, 2147483647), 100);
    EXPECT_EQ(CalcPercent64(1LL << 62, 1LL << 61), 50);
    EXPECT_EQ(CalcPercent64(INT64_MAX, INT64_MAX / 2), 50);
    EXPECT_EQ(CalcPercent64(8000000000LL, 1000000000LL), 12); // 12.5 -> 12
    EXPECT_EQ(CalcPercent64(0, 1), 0);
}

TEST(ZipUtils, FolderHelpers) {
    TempDir dir;
    std::string deep = dir.path() + "/a/b/c/";
    EXPECT_FALSE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(dir.path() + "/a/b/c"));
    EXPECT_TRUE(ForceDirectories(deep)); // already there
    EXPECT_FALSE(FileExists(deep));
    WriteFile(dir.path() + "/a/f", "x");
    EXPECT_TRUE(FileExists(dir.path() + "/a/f"));
    EXPECT_FALSE(DirectoryExists(dir.path() + "/a/f"));
    EXPECT_FALSE(ForceDirectories(dir.path() + "/a/f/sub")); // a file is in the way
    EXPECT_FALSE(FileExists(""));
}

TEST(ZipUtils, TempFileNamesAreCreatedAndUnique) {
    TempDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name = TempFileName(dir.path());
        EXPECT_EQ(name.rfind(dir.path() + "/ZQX", 0), 0u) << name;
        EXPECT_TRUE(FileExists(name));
        EXPECT_EQ(ReadFile(name), "");
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);
    EXPECT_THROW(TempFileName(dir.path() + "/missing"), EFCreateError);
}

namespace {
struct MessageRecorder {
    MessageRecorder() {
        EngineHooks().MessageBox = [this](const std::string& text, const std::string& caption) {
            messages.push_back(caption + ": " + text);
        };
    }
    ~MessageRecorder() { EngineHooks().MessageBox = nullptr; }
    std::vector<std::string> messages;
};
} // namespace

TEST(ZipUtils, CopyFileTo) {
    TempDir dir;
    MessageRecorder rec;
    std::string big(200000, 'q');
    WriteFile(dir.file("src"), big);
    EXPECT_TRUE(CopyFileTo(dir.file("src"), dir.file("dst")));
    EXPECT_EQ(ReadFile(dir.file("dst")), big);
    WriteFile(dir.file("empty"), "");
    EXPECT_TRUE(CopyFileTo(dir.file("empty"), dir.file("dst2")));
    EXPECT_EQ(ReadFile(dir.file("dst2")), "");
    EXPECT_TRUE(rec.messages.empty());

    EXPECT_FALSE(CopyFileTo(dir.file("none"), dir.file("dst3")));
    EXPECT_FALSE(testsupport::FileExists(dir.file("dst3")));
    EXPECT_FALSE(CopyFileTo(dir.file("src"), dir.file("no/folder/dst")));
    ASSERT_EQ(rec.messages.size(), 2u);
    EXPECT_EQ(rec.messages[0],
              "Error: Could not copy from " + dir.file("none") + " -> " + dir.file("dst3"));
}

TEST(ZipUtils, PlatformOnlyHelpers) {
    EXPECT_EQ(OemRoundTrip("caf\xE9"), "caf\xE9"); // é exists in CP437
    EXPECT_EQ(OemRoundTrip("\xA4\xBE"), "??");     // ¤ and ¾ do not
    EXPECT_EQ(ConvertPathNames("/home/x/Long Name.rtf", 0), "/home/x/Long Name.rtf");
    std::string label = "old";
    EXPECT_FALSE(ReadVolumeLabel("/", label));
    EXPECT_EQ(label, "");
    EXPECT_FALSE(WriteVolumeLabel("/", "DISK1"));
}
