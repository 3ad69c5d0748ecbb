// One save of an archive at a time, and no temporary files left behind by
// saves that died: the archive's lock, the temporary files' names and locks,
// and what a later save does with the files of a killed one.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/archive_lock.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using namespace writertest;
using Clock = std::chrono::steady_clock;

namespace {

int Add(TZipWriter& w, const std::string& name, const std::string& data) {
    TMemoryStream s(data);
    return w.AddFromStream(&s, name);
}

// A diary of three entries.
void MakeArchive(const std::string& zip) {
    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    for (int i = 0; i < 3; ++i)
        Add(w, "2000\\" + std::to_string(i) + ".rtf", std::string(4000 + i, 'a' + i));
}

bool IsTempNameFor(const std::string& name, const std::string& archiveName) {
    return name.size() == archiveName.size() + 11 && name.rfind(archiveName + ".", 0) == 0 &&
           name.compare(name.size() - 4, 4, ".tmp") == 0;
}

// The body of a forked child: it ends the child whatever happens, so that
// an exception never carries the child back into the test program.
[[noreturn]] void ChildOnly(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
        ::_exit(5);
    }
    ::_exit(0);
}

// Waits, at most `limit`, for `fd` to deliver one byte.
bool WaitForByte(int fd, std::chrono::milliseconds limit) {
    pollfd p{fd, POLLIN, 0};
    char c;
    return ::poll(&p, 1, static_cast<int>(limit.count())) == 1 && ::read(fd, &c, 1) == 1;
}

// Waits, at most `limit`, for the children to end; kills those still
// running then. True when every one ended with exit code 0.
bool AllExitCleanly(const std::vector<pid_t>& children, std::chrono::seconds limit) {
    const auto until = Clock::now() + limit;
    bool clean = true;
    for (pid_t child : children) {
        int status = 0;
        pid_t r;
        while ((r = ::waitpid(child, &status, WNOHANG)) == 0 && Clock::now() < until) {
            pollfd none{};
            ::poll(&none, 0, 20);
        }
        if (r == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
        }
        clean = clean && r == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return clean;
}

} // namespace

TEST(ArchiveTempFiles, NamedForTheArchiveBesideItUnlessTempPathSaysOtherwise) {
    TempDir dir, elsewhere;
    const std::string zip = dir.file("Daybank.zip");
    MakeArchive(zip);
    for (const std::string& tempPath : {std::string(), dir.file("missing"), elsewhere.path()}) {
        TZipWriter w;
        w.SetZipName(zip);
        w.TempPath = tempPath;
        std::vector<std::string> seen;
        const std::string folder = tempPath == elsewhere.path() ? tempPath : dir.path();
        w.OnStartZip = [&](TZipWriter&, const std::string&, TZipHeaderInfo&, bool&) {
            for (const std::string& name : TempFilesIn(folder))
                seen.push_back(name);
        };
        ASSERT_EQ(Add(w, "new.rtf", "text"), 1);
        ASSERT_EQ(seen.size(), 1u) << "TempPath '" << tempPath << "'";
        EXPECT_TRUE(IsTempNameFor(seen[0], "Daybank.zip")) << seen[0];
        EXPECT_TRUE(TempFilesIn(dir.path()).empty());
        EXPECT_TRUE(TempFilesIn(elsewhere.path()).empty());
    }
}

TEST(ArchiveTempFiles, OnlyStaleFilesOfThisArchiveAreRemoved) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    TTempArchiveFile live(dir.path(), zip);
    std::string stale;
    {
        TTempArchiveFile dead(dir.path(), zip);
        stale = dead.Name();
        WriteFile(stale, "PK\x03\x04 half an archive");
    }
    const std::string notOurs = dir.file("Daybank.zip.abcdef.tmp");
    WriteFile(notOurs, "a user's own notes");
    const std::string otherArchive = dir.file("Other.zip.abcdef.tmp");
    WriteFile(otherArchive, "");
    const std::string otherPattern = dir.file("Daybank.zip.abc.tmp");
    WriteFile(otherPattern, "");

    EXPECT_EQ(RemoveStaleTempFiles(dir.path(), zip), 1);
    EXPECT_FALSE(testsupport::FileExists(stale));
    EXPECT_TRUE(testsupport::FileExists(live.Name()));
    EXPECT_TRUE(testsupport::FileExists(notOurs));
    EXPECT_TRUE(testsupport::FileExists(otherArchive));
    EXPECT_TRUE(testsupport::FileExists(otherPattern));
    EXPECT_EQ(RemoveStaleTempFiles(dir.file("missing"), zip), 0);
}

// A child saves and stops for good in the middle, holding the archive's
// lock and its temporary file's. While it lives, another save waits a short
// time and gives up, changing nothing; once it is killed, the next save
// removes what it left.
TEST(ArchiveTempFiles, ASaveKilledMidWayLeavesAFileTheNextSaveRemoves) {
    for (const bool besideTheArchive : {true, false}) {
        SCOPED_TRACE(besideTheArchive ? "beside the archive" : "in TempPath");
        TempDir dir, tempFolder;
        const std::string zip = dir.file("Daybank.zip");
        const std::string folder = besideTheArchive ? dir.path() : tempFolder.path();
        MakeArchive(zip);
        const std::string before = ReadFile(zip);
        int fds[2];
        ASSERT_EQ(::pipe(fds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(fds[0]);
            ChildOnly([&] {
                TZipWriter w;
                w.SetZipName(zip);
                w.SetStorePaths(true);
                if (!besideTheArchive) w.TempPath = tempFolder.path();
                w.OnStartZip = [&](TZipWriter&, const std::string&, TZipHeaderInfo&, bool&) {
                    if (::write(fds[1], "R", 1) != 1) ::_exit(3);
                    for (;;)
                        ::pause(); // until killed
                };
                Add(w, "2000\\1.rtf", std::string(100000, 'n'));
                ::_exit(4);
            });
        }
        ::close(fds[1]);
        const bool ready = WaitForByte(fds[0], std::chrono::minutes(2));
        ::close(fds[0]);
        if (!ready) ::kill(child, SIGKILL);
        ASSERT_TRUE(ready) << "the child never reached its save";
        ASSERT_EQ(TempFilesIn(folder).size(), 1u);

        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        if (!besideTheArchive) w.TempPath = tempFolder.path();
        w.LockWait = std::chrono::milliseconds(200);
        try {
            Add(w, "2000\\9.rtf", "while the other saves");
            ADD_FAILURE() << "no exception while another save holds the archive";
        } catch (const EArchiveInUse& e) {
            EXPECT_NE(std::string(e.what()).find(zip), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("in use by another program"), std::string::npos);
        }
        EXPECT_EQ(ReadFile(zip), before);
        EXPECT_EQ(TempFilesIn(folder).size(), 1u) << "a living save's file was taken";
        TZipWriter reader; // readers take no lock
        reader.SetZipName(zip);
        TMemoryStream out;
        EXPECT_EQ(reader.ExtractToStream(&out, "2000\\2.rtf"), 1);

        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(ReadFile(zip), before);
        EXPECT_EQ(TempFilesIn(folder).size(), 1u) << "the killed save left nothing to clean";

        ASSERT_EQ(Add(w, "2000\\9.rtf", "after the other died"), 1);
        EXPECT_TRUE(TempFilesIn(dir.path()).empty());
        EXPECT_TRUE(TempFilesIn(tempFolder.path()).empty());
        EXPECT_EQ(ReadRawArchive(ReadFile(zip)).members.size(), 4u);
        EXPECT_EQ(UnzipTest(zip), "");
    }
}

TEST(ArchiveLock, AHeldLockMakesASaveFailWithoutTouchingAnything) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    const std::string fresh = dir.file("New.zip");
    MakeArchive(zip);
    const std::string before = ReadFile(zip);
    {
        // Another open of the lock file, as another window of the program
        // would have: it conflicts inside one process too.
        TArchiveLock held(zip, std::chrono::milliseconds(0));
        TArchiveLock heldFresh(fresh, std::chrono::milliseconds(0));
        TZipWriter w;
        w.LockWait = std::chrono::milliseconds(100);
        w.SetZipName(zip);
        EXPECT_THROW(Add(w, "2000\\new.rtf", "text"), EArchiveInUse);
        EXPECT_EQ(ReadFile(zip), before);
        w.SetZipName(fresh);
        EXPECT_THROW(Add(w, "a.rtf", "text"), EArchiveInUse);
        EXPECT_FALSE(testsupport::FileExists(fresh));
        EXPECT_THROW(TArchiveLock(zip, std::chrono::milliseconds(0)), EArchiveInUse);
        EXPECT_TRUE(TempFilesIn(dir.path()).empty());
    }
    TZipWriter w;
    w.SetZipName(zip);
    EXPECT_EQ(Add(w, "2000\\new.rtf", "text"), 1);
    EXPECT_TRUE(testsupport::FileExists(TArchiveLock::LockFileName(zip)));
    EXPECT_EQ(UnzipTest(zip), "");
}

TEST(ArchiveLock, ALockFileThatCannotBeMadeNamesItself) {
    TempDir dir;
    try {
        TArchiveLock lock(dir.file("no/such/folder/Daybank.zip"), std::chrono::milliseconds(0));
        FAIL() << "no exception";
    } catch (const EFCreateError& e) {
        EXPECT_NE(std::string(e.what()).find("Daybank.zip.lock"), std::string::npos) << e.what();
    }
}

// A link planted at the lock file's place (by another user, in a shared or
// synced folder) is never followed: the save is refused with a message, and
// neither the file it points to nor the archive is touched.
TEST(ArchiveLock, ALinkPlantedAtTheLockFilesPlaceIsRefused) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    MakeArchive(zip);
    const std::string before = ReadFile(zip);
    const std::string victim = dir.file("victim"), absent = dir.file("absent");
    WriteFile(victim, "someone else's file");
    for (const std::string& target : {victim, absent}) {
        ::unlink(TArchiveLock::LockFileName(zip).c_str());
        ASSERT_EQ(::symlink(target.c_str(), TArchiveLock::LockFileName(zip).c_str()), 0);
        TZipWriter w;
        w.SetZipName(zip);
        try {
            Add(w, "2000\\new.rtf", "text");
            ADD_FAILURE() << "the link was followed";
        } catch (const ELockFileRefused& e) {
            EXPECT_NE(std::string(e.what()).find("Daybank.zip.lock\" is a symbolic link"),
                      std::string::npos)
                << e.what();
        }
        EXPECT_EQ(ReadFile(zip), before);
    }
    EXPECT_EQ(ReadFile(victim), "someone else's file");
    EXPECT_FALSE(testsupport::FileExists(absent));
    EXPECT_TRUE(TempFilesIn(dir.path()).empty());
}

// A lock file is its owner's alone, also one an earlier version made 0666.
TEST(ArchiveLock, TheLockFileIsItsOwnersAlone) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip"), lock = TArchiveLock::LockFileName(zip);
    const mode_t mask = ::umask(022);
    { TArchiveLock taken(zip, std::chrono::milliseconds(0)); }
    struct stat st {};
    ASSERT_EQ(::stat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ::chmod(lock.c_str(), 0666);
    { TArchiveLock taken(zip, std::chrono::milliseconds(0)); }
    ::umask(mask);
    ASSERT_EQ(::stat(lock.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// Two processes, each adding 200 entries of its own, start together: every
// entry of both is in the archive at the end, and the peers accept it. The
// writers keep their directories cached between saves, so this also shows
// that a directory changed by the other process is read anew under the lock.
TEST(ArchiveLock, TwoProcessesAddingAtOnceLoseNothing) {
    TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    constexpr int kEach = 200;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int c = 0; c < 2; ++c) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(go[1]);
            char byte;
            if (::read(go[0], &byte, 1) != 0) ::_exit(3); // starts when the pipe closes
            ChildOnly([&] {
                TZipWriter w;
                w.SetZipName(zip);
                w.SetStorePaths(true);
                w.SetPackLevel(1);
                w.LockWait = std::chrono::minutes(2); // waiting is right here; a hang is not
                for (int i = 0; i < kEach; ++i) {
                    const std::string name = "p" + std::to_string(c) + "\\" + std::to_string(i);
                    if (Add(w, name + ".rtf", name + std::string(200, 'x')) != 1) ::_exit(4);
                }
            });
        }
        children.push_back(child);
    }
    ::close(go[0]);
    ::close(go[1]); // both go
    ASSERT_TRUE(AllExitCleanly(children, std::chrono::minutes(5)));

    TZipWriter r;
    r.SetZipName(zip);
    r.OpenArchive();
    ASSERT_EQ(r.Count(), 2 * kEach);
    for (int c = 0; c < 2; ++c)
        for (int i = 0; i < kEach; ++i) {
            const std::string name = "p" + std::to_string(c) + "\\" + std::to_string(i);
            TMemoryStream out;
            ASSERT_EQ(r.ExtractToStream(&out, name + ".rtf"), 1) << name;
            EXPECT_EQ(out.ToString(), name + std::string(200, 'x'));
        }
    EXPECT_EQ(UnzipTest(zip), "");
    EXPECT_TRUE(TempFilesIn(dir.path()).empty());
}
