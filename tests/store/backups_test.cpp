// Daily copies of the archive, kept by the entry store before the first
// store of each day.
#include "platform/file_replace.h"
#include "store/backups.h"
#include "store/entry_store.h"
#include "support/test_support.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

using namespace std::chrono;
using testsupport::ReadFile;

namespace {

class Backups : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    TEntryStore store;
    TCurrentProfile profile;
    sys_days today = sys_days{year{2026} / 1 / 1};
    std::vector<std::string> reported;

    void SetUp() override {
        store.BackupCount = 30;
        store.Today = [this] { return year_month_day{today}; };
        store.OnBackupFailed = [this](const std::string& m) { reported.push_back(m); };
    }
    std::string Archive() const { return dir.file("Daybank.zip"); }
    void Save(const std::string& text) {
        ASSERT_TRUE(
            store.Save("{\\rtf1 " + text + "}", Archive(), "2026\\1\\Week1\\1.rtf", profile));
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const std::string& path : ArchiveBackups(Archive()))
            names.push_back(path.substr(path.rfind('/') + 1));
        return names;
    }
};

} // namespace

TEST_F(Backups, TheFirstStoreOfADayKeepsACopyAndTheNextOnesDoNot) {
    Save("first"); // no archive before it: nothing to copy
    EXPECT_TRUE(Names().empty());
    const std::string before = ReadFile(Archive());
    Save("second");
    EXPECT_EQ(Names(), std::vector<std::string>{"Daybank-2026-01-01.zip"});
    EXPECT_EQ(ReadFile(dir.file("Backups/Daybank-2026-01-01.zip")), before);
    Save("third");
    EXPECT_EQ(Names().size(), 1u);
    EXPECT_EQ(ReadFile(dir.file("Backups/Daybank-2026-01-01.zip")), before);
    today += days{1};
    const std::string dayTwo = ReadFile(Archive());
    Save("fourth");
    EXPECT_EQ(Names(),
              std::vector<std::string>({"Daybank-2026-01-02.zip", "Daybank-2026-01-01.zip"}));
    EXPECT_EQ(ReadFile(dir.file("Backups/Daybank-2026-01-02.zip")), dayTwo);
    // A copy is a whole archive the reader opens.
    TZipReader reader;
    reader.SetZipName(dir.file("Backups/Daybank-2026-01-02.zip"));
    TMemoryStream out;
    EXPECT_EQ(reader.ExtractToStream(&out, "2026\\1\\Week1\\1.rtf"), 1);
    EXPECT_EQ(out.ToString(), "{\\rtf1 third}");
    EXPECT_TRUE(reported.empty());
}

TEST_F(Backups, TheThirtyFirstDaysCopyRemovesTheOldest) {
    Save("start");
    for (int d = 0; d < 31; ++d) {
        Save("day " + std::to_string(d));
        today += days{1};
    }
    const std::vector<std::string> names = Names();
    ASSERT_EQ(names.size(), 30u);
    EXPECT_EQ(names.front(), "Daybank-2026-01-31.zip");
    EXPECT_EQ(names.back(), "Daybank-2026-01-02.zip");
    // Files of other names in the folder are not the program's to remove.
    testsupport::WriteFile(dir.file("Backups/mine.zip"), "x");
    Save("one more");
    EXPECT_TRUE(testsupport::FileExists(dir.file("Backups/mine.zip")));
}

TEST_F(Backups, NoneWhenSwitchedOffAndAFailureIsReportedOnceWithoutStoppingTheStore) {
    store.BackupCount = 0;
    Save("a");
    Save("b");
    EXPECT_TRUE(Names().empty());
    store.BackupCount = 30;
    testsupport::WriteFile(dir.file("Backups"), "a file where the folder should be");
    Save("c");
    Save("d");
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("could not be made"), std::string::npos);
    TZipReader reader;
    reader.SetZipName(Archive());
    TMemoryStream out;
    ASSERT_EQ(reader.ExtractToStream(&out, "2026\\1\\Week1\\1.rtf"), 1);
    EXPECT_EQ(out.ToString(), "{\\rtf1 d}");
    for (const std::string& name : testsupport::ListDir(dir.path())) // no copy left half-made
        EXPECT_TRUE(name == "Daybank.zip" || name == "Daybank.zip.lock" || name == "Backups")
            << name;
}

namespace {
// The real file system, with the copy or the rename of a daily copy failing.
class TFailingCopy : public TFileOps {
public:
    int copyError = 0, renameError = 0;
    bool CopyAll(int in, int out) override {
        if (copyError == 0) return TFileOps::CopyAll(in, out);
        // A part reaches the disk, then it fails.
        char part[100];
        const ssize_t n = ::read(in, part, sizeof part);
        if (n > 0) TFileOps::WriteAll(out, part, static_cast<std::size_t>(n));
        return errno = copyError, false;
    }
    int Rename(const std::string& from, const std::string& to) override {
        return renameError != 0 ? renameError : TFileOps::Rename(from, to);
    }
};
} // namespace

TEST_F(Backups, ACopyThatFailsOrAFullDiskLeavesNoCopyAndTheStoreGoesOn) {
    TFailingCopy failing;
    TFileOps* old = SetFileOps(&failing);
    Save("first");
    struct {
        int copy, rename;
        const char* says;
    } cases[] = {{ENOSPC, 0, "Cannot copy"}, {EIO, 0, "Cannot copy"}, {0, EACCES, "Cannot create"}};
    for (const auto& c : cases) {
        failing.copyError = c.copy;
        failing.renameError = c.rename;
        reported.clear();
        today += days{1};
        Save(std::string("on ") + c.says);
        ASSERT_EQ(reported.size(), 1u);
        EXPECT_NE(reported[0].find(c.says), std::string::npos) << reported[0];
        EXPECT_NE(reported[0].find(std::strerror(c.copy ? c.copy : c.rename)), std::string::npos)
            << reported[0];
        EXPECT_TRUE(testsupport::ListDir(dir.file("Backups")).empty()); // nothing half-made
        TZipReader reader;
        reader.SetZipName(Archive());
        TMemoryStream out;
        ASSERT_EQ(reader.ExtractToStream(&out, "2026\\1\\Week1\\1.rtf"), 1);
        EXPECT_EQ(out.ToString(), std::string("{\\rtf1 on ") + c.says + "}");
    }
    SetFileOps(old);
    today += days{1};
    Save("again");
    EXPECT_EQ(Names().size(), 1u);
}
