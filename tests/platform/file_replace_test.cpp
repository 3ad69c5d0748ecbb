// Replacing and copying a file whole: the target holds the old file or the
// new one whatever step fails, and no temporary file is left behind.
#include "platform/file_replace.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

// The real file system, with one step made to fail.
class TFailingOps : public TFileOps {
public:
    TReplaceResult::TStep failAt = TReplaceResult::None;
    int folderSyncs = 0;
    int CreateTemp(std::string& name) override {
        if (failAt == TReplaceResult::Create) return errno = EACCES, -1;
        return TFileOps::CreateTemp(name);
    }
    bool WriteAll(int fd, const char* data, std::size_t size) override {
        // Half of it reaches the disk, then the disk is full.
        if (failAt != TReplaceResult::Write) return TFileOps::WriteAll(fd, data, size);
        TFileOps::WriteAll(fd, data, size / 2);
        return errno = ENOSPC, false;
    }
    bool CopyAll(int in, int out) override {
        if (failAt == TReplaceResult::Write) return errno = EIO, false;
        return TFileOps::CopyAll(in, out);
    }
    int Rename(const std::string& from, const std::string& to) override {
        return failAt == TReplaceResult::Rename ? EXDEV : TFileOps::Rename(from, to);
    }
    bool SyncFolder(const std::string& folder) override {
        ++folderSyncs;
        return TFileOps::SyncFolder(folder);
    }
};

class FileReplace : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    TFailingOps ops;
    TFileOps* old = nullptr;
    void SetUp() override { old = SetFileOps(&ops); }
    void TearDown() override { SetFileOps(old); }
    unsigned Mode(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
        return st.st_mode & 07777;
    }
};

} // namespace

TEST_F(FileReplace, ReplacesTheFileALinkPointsToAndKeepsItsMode) {
    const std::string file = dir.file("real.txt"), link = dir.file("link.txt");
    WriteFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);
    ASSERT_TRUE(ReplaceFileWhole(link, "new content"));
    EXPECT_EQ(ReadFile(file), "new content");
    EXPECT_EQ(Mode(file), 0640u);
    char target[256] = {};
    ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(std::string(target), file); // still a link
    EXPECT_EQ(ops.folderSyncs, 1);
    // A new file gets the mode asked for, less the umask.
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(ReplaceFileWhole(dir.file("new.txt"), "x", 0666));
    ::umask(mask);
    EXPECT_EQ(Mode(dir.file("new.txt")), 0644u);
    ASSERT_TRUE(CopyFileWhole(file, dir.file("copy.txt"), 0600));
    EXPECT_EQ(ReadFile(dir.file("copy.txt")), "new content");
    EXPECT_EQ(Mode(dir.file("copy.txt")), 0600u);
}

TEST_F(FileReplace, AFailureAtAnyStepLeavesTheOldFileAndNoTemporaryOne) {
    const std::string file = dir.file("diary.txt"), source = dir.file("source.txt");
    WriteFile(source, std::string(100000, 's'));
    for (auto step : {TReplaceResult::Create, TReplaceResult::Write, TReplaceResult::Rename}) {
        ops.failAt = step;
        for (bool copy : {false, true}) {
            WriteFile(file, "old");
            const TReplaceResult r = copy ? CopyFileWhole(source, file)
                                          : ReplaceFileWhole(file, std::string(100000, 'n'));
            EXPECT_EQ(r.Step, step) << step << copy;
            EXPECT_NE(r.Error, 0);
            EXPECT_EQ(r.File, step == TReplaceResult::Create ? dir.path() : file);
            EXPECT_EQ(ReadFile(file), "old") << step << copy;
            EXPECT_EQ(testsupport::ListDir(dir.path()).size(), 2u) << step << copy;
        }
    }
    ops.failAt = TReplaceResult::None;
    const TReplaceResult missing = CopyFileWhole(dir.file("none"), file);
    EXPECT_EQ(missing.Step, TReplaceResult::Read);
    EXPECT_EQ(missing.Error, ENOENT);
    EXPECT_EQ(ReadFile(file), "old");
}

TEST(FolderOf, IsThePathLessItsLastPart) {
    EXPECT_EQ(FolderOf("/home/me/Daybank.zip"), "/home/me");
    EXPECT_EQ(FolderOf("/Daybank.zip"), "/");
    EXPECT_EQ(FolderOf("Daybank.zip"), ".");
}
