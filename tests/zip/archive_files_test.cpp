// Putting a finished archive in place: one rename on the same file system, a
// copy beside the target first across file systems, and on every failure the
// old archive untouched with no temporary file left.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/test_support.h"
#include "zip/archive_files.h"
#include "zip/exceptions.h"
#include "zip/file_stream.h"
#include "zip/stream.h"
#include "zip/zip_utils.h"

using testsupport::ListDir;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// Renames fail with a chosen errno a number of times; created files may
// refuse writes after a number of bytes.
class TScriptedOps : public TArchiveFileOps {
public:
    std::vector<int> renameErrors; // used up front to back
    long writeLimit = -1;          // bytes a created file takes; -1 no limit
    bool commitFails = false;
    int renames = 0;

    int Rename(const std::string& from, const std::string& to) override {
        ++renames;
        if (!renameErrors.empty()) {
            int err = renameErrors.front();
            renameErrors.erase(renameErrors.begin());
            if (err != 0) return err;
        }
        return TArchiveFileOps::Rename(from, to);
    }
    std::unique_ptr<TStream> CreateFile(const std::string& name) override {
        auto file = TArchiveFileOps::CreateFile(name);
        if (writeLimit < 0) return file;
        return std::make_unique<TLimited>(std::move(file), writeLimit);
    }
    bool Commit(TStream& file) override {
        if (commitFails) return false;
        auto* limited = dynamic_cast<TLimited*>(&file);
        return TArchiveFileOps::Commit(limited ? *limited->inner : file);
    }

    struct TLimited : TStream {
        TLimited(std::unique_ptr<TStream> s, long limit) : inner(std::move(s)), left(limit) {}
        std::int64_t Read(void* b, std::int64_t n) override { return inner->Read(b, n); }
        std::int64_t Write(const void* b, std::int64_t n) override {
            std::int64_t take = std::min<std::int64_t>(n, left);
            left -= take;
            return take > 0 ? inner->Write(b, take) : 0;
        }
        std::int64_t Seek(std::int64_t o, int origin) override { return inner->Seek(o, origin); }
        std::unique_ptr<TStream> inner;
        std::int64_t left;
    };
};

std::vector<std::string> TempFiles(const std::string& folder) {
    std::vector<std::string> found;
    for (const std::string& name : ListDir(folder))
        if (name.rfind("ZQX", 0) == 0 ||
            (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0))
            found.push_back(name);
    return found;
}

mode_t ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0);
    return st.st_mode & 07777;
}

} // namespace

TEST(InstallArchive, RenamesOverTheOldArchiveKeepingItsPermissions) {
    TempDir dir;
    const std::string target = dir.file("Daybank.zip");
    WriteFile(target, "old archive");
    ::chmod(target.c_str(), 0640);
    const std::string temp = TempFileName(dir.path());
    WriteFile(temp, "new archive");
    TArchiveFileOps ops;
    InstallArchive(ops, temp, target);
    EXPECT_EQ(ReadFile(target), "new archive");
    EXPECT_EQ(ModeOf(target), 0640u);
    EXPECT_TRUE(TempFiles(dir.path()).empty());
}

TEST(InstallArchive, ANewArchiveIsItsOwnersAloneWhateverTheUmask) {
    TempDir dir;
    const std::string target = dir.file("new.zip");
    const std::string temp = TempFileName(dir.path());
    WriteFile(temp, "new archive");
    ::chmod(temp.c_str(), 0644);
    const mode_t mask = ::umask(022);
    TArchiveFileOps ops;
    InstallArchive(ops, temp, target);
    ::umask(mask);
    EXPECT_EQ(ReadFile(target), "new archive");
    EXPECT_EQ(ModeOf(target), 0600u);
}

TEST(InstallArchive, AcrossFileSystemsCopiesBesideTheTargetFirst) {
    TempDir dir, tempDir;
    const std::string target = dir.file("Daybank.zip");
    WriteFile(target, "old archive");
    const std::string temp = TempFileName(tempDir.path());
    WriteFile(temp, std::string(200000, 'n'));
    TScriptedOps ops;
    ops.renameErrors = {EXDEV};
    InstallArchive(ops, temp, target);
    EXPECT_EQ(ops.renames, 2);
    EXPECT_EQ(ReadFile(target), std::string(200000, 'n'));
    EXPECT_TRUE(TempFiles(dir.path()).empty());
    EXPECT_TRUE(TempFiles(tempDir.path()).empty());
}

TEST(InstallArchive, AcrossARealFileSystemBoundary) {
    // /dev/shm is a memory file system on Linux, apart from the disk.
    if (::access("/dev/shm", W_OK) != 0) GTEST_SKIP() << "no /dev/shm";
    TempDir dir;
    const std::string target = dir.file("Daybank.zip");
    WriteFile(target, "old archive");
    const std::string temp = TempFileName("/dev/shm");
    WriteFile(temp, "new archive");
    TArchiveFileOps ops;
    InstallArchive(ops, temp, target);
    EXPECT_EQ(ReadFile(target), "new archive");
    EXPECT_FALSE(testsupport::FileExists(temp));
    EXPECT_TRUE(TempFiles(dir.path()).empty());
}

TEST(InstallArchive, FailuresLeaveTheOldArchiveAndNoTemporaryFile) {
    struct TCase {
        const char* what;
        std::vector<int> renameErrors;
        long writeLimit;
        bool commitFails;
    };
    const TCase cases[] = {
        {"rename refused", {EACCES}, -1, false},
        {"copy beside runs out of room", {EXDEV}, 1000, false},
        {"copy beside cannot be flushed", {EXDEV}, -1, true},
        {"second rename refused", {EXDEV, EIO}, -1, false},
    };
    for (const TCase& c : cases) {
        TempDir dir, tempDir;
        const std::string target = dir.file("Daybank.zip");
        WriteFile(target, "old archive");
        const std::string temp = TempFileName(tempDir.path());
        WriteFile(temp, std::string(50000, 'n'));
        TScriptedOps ops;
        ops.renameErrors = c.renameErrors;
        ops.writeLimit = c.writeLimit;
        ops.commitFails = c.commitFails;
        EXPECT_THROW(InstallArchive(ops, temp, target), Exception) << c.what;
        EXPECT_EQ(ReadFile(target), "old archive") << c.what;
        EXPECT_TRUE(TempFiles(dir.path()).empty()) << c.what;
        EXPECT_TRUE(TempFiles(tempDir.path()).empty()) << c.what;
    }
}

TEST(InstallArchive, RefusedRenameNamesTheArchive) {
    TempDir dir;
    const std::string temp = TempFileName(dir.path());
    TScriptedOps ops;
    ops.renameErrors = {EACCES};
    try {
        InstallArchive(ops, temp, dir.file("x.zip"));
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find("x.zip"), std::string::npos);
    }
}

// Copying a range of one file into another: in the kernel between plain
// files, through a buffer into any other stream and across file systems
// (where the kernel refuses); a short source or a full target is reported.
TEST(CopyRange, AllWaysGiveTheSameBytes) {
    TempDir dir;
    std::string source;
    for (int i = 0; source.size() < 700000; ++i)
        source += std::to_string(i * 7919) + ",";
    WriteFile(dir.file("in"), source);
    const int in = ::open(dir.file("in").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(in, 0);
    const std::int64_t from = 12345, count = 600000;
    const std::string expected = "head" + source.substr(from, count);
    TArchiveFileOps ops;
    {
        TFileStream out(dir.file("out"), fmCreate);
        out.WriteBuffer("head", 4);
        ASSERT_TRUE(ops.CopyRange(in, from, out, count));
    }
    EXPECT_EQ(ReadFile(dir.file("out")), expected);
    TMemoryStream memory;
    memory.WriteBuffer("head", 4);
    ASSERT_TRUE(ops.CopyRange(in, from, memory, count));
    EXPECT_EQ(memory.ToString(), expected);
    {
        TFileStream out(dir.file("buffered"), fmCreate);
        out.WriteBuffer("head", 4);
        ASSERT_TRUE(CopyRangeThroughBuffer(in, from, out, count));
    }
    EXPECT_EQ(ReadFile(dir.file("buffered")), expected);
    if (::access("/dev/shm", W_OK) == 0) {
        const std::string shm = TempFileName("/dev/shm");
        {
            TFileStream out(shm, fmCreate);
            out.WriteBuffer("head", 4);
            EXPECT_TRUE(ops.CopyRange(in, from, out, count));
        }
        EXPECT_EQ(ReadFile(shm), expected);
        ::unlink(shm.c_str());
    }

    TMemoryStream more;
    EXPECT_THROW(ops.CopyRange(in, static_cast<std::int64_t>(source.size()) - 10, more, 11),
                 EStreamError);
    TFileStream out(dir.file("more"), fmCreate);
    EXPECT_THROW(ops.CopyRange(in, static_cast<std::int64_t>(source.size()) - 10, out, 11),
                 EStreamError);
    TScriptedOps::TLimited full(std::make_unique<TMemoryStream>(), 1000);
    EXPECT_FALSE(ops.CopyRange(in, from, full, count));
    ::close(in);
}

TEST(FolderOf, PathsWithAndWithoutFolders) {
    EXPECT_EQ(FolderOf("/a/b/c.zip"), "/a/b");
    EXPECT_EQ(FolderOf("/c.zip"), "/");
    EXPECT_EQ(FolderOf("c.zip"), ".");
}
