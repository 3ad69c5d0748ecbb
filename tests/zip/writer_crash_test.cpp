// Killing the process at any moment of a save never leaves a broken
// archive: a child saves new versions of one entry in a loop and is killed
// with SIGKILL at random moments; after each kill the archive opens, every
// member extracts with a good CRC, and the entry holds the version the child
// was saving or the one before.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::TempDir;

namespace {

std::string Version(long k) {
    std::string s = "{\\rtf1 version " + std::to_string(k) + "}";
    s += std::string(static_cast<std::size_t>(1000 + (k * 577) % 5000),
                     static_cast<char>('a' + k % 26));
    return s;
}

long VersionOf(const std::string& data) {
    const std::string prefix = "{\\rtf1 version ";
    if (data.rfind(prefix, 0) != 0) return -1;
    return std::stol(data.substr(prefix.size()));
}

// The child: saves versions base + 1, base + 2 ... of the entry, telling the parent on
// `fd` when it starts ("S<k>;") and when it has finished ("D<k>;") each one.
[[noreturn]] void SaveForever(const std::string& zip, const std::string& tempPath, int fd,
                              long base) {
    TZipWriter w;
    w.SetZipName(zip);
    w.SetStorePaths(true);
    w.SetPackLevel(9);
    w.TempPath = tempPath;
    for (long k = base + 1;; ++k) {
        std::string note = "S" + std::to_string(k) + ";";
        if (::write(fd, note.data(), note.size()) < 0) ::_exit(3);
        TMemoryStream s(Version(k));
        w.ZipPassword = k % 3 == 0 ? "pw" : "";
        if (w.AddFromStream(&s, "2000\\entry.rtf") != 1) ::_exit(4);
        note = "D" + std::to_string(k) + ";";
        if (::write(fd, note.data(), note.size()) < 0) ::_exit(3);
    }
}

} // namespace

TEST(WriterCrash, KilledAtRandomMomentsTheArchiveIsAlwaysWhole) {
    TempDir dir, tempFolder;
    const std::string zip = dir.file("Daybank.zip");
    {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        for (int i = 0; i < 30; ++i) {
            TMemoryStream s("{\\rtf1 other entry " + std::to_string(i) + "}" +
                            std::string(2000 + 97 * i, static_cast<char>('k' + i % 7)));
            w.AddFromStream(&s, "1999\\" + std::to_string(i) + ".rtf");
        }
        TMemoryStream s(Version(0));
        w.AddFromStream(&s, "2000\\entry.rtf");
    }
    std::mt19937 rng(20261208);
    long lastSeen = 0;
    long done = 0;
    int kills = 0, midSave = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(40);
    for (int round = 0; round < 300 && std::chrono::steady_clock::now() < deadline; ++round) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            SaveForever(zip, tempFolder.path(), pipeFds[1], (round + 1) * 1000000L);
        }
        ::close(pipeFds[1]);
        ::usleep(static_cast<useconds_t>(1000 + rng() % 20000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << status;
        ++kills;
        std::string notes;
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            notes.append(buffer, static_cast<std::size_t>(n));
        ::close(pipeFds[0]);
        long roundStarted = 0, roundDone = 0;
        for (std::size_t p = 0; p < notes.size();) {
            std::size_t semi = notes.find(';', p);
            if (semi == std::string::npos) break; // killed while telling
            long k = std::stol(notes.substr(p + 1, semi - p - 1));
            (notes[p] == 'S' ? roundStarted : roundDone) = k;
            p = semi + 1;
        }
        if (roundStarted != roundDone) ++midSave;

        // The archive is whole: it opens and every member extracts.
        TZipWriter r;
        r.SetZipName(zip);
        r.OpenArchive();
        ASSERT_EQ(r.Count(), 31) << "round " << round;
        for (int i = 0; i < r.Count(); ++i) {
            TMemoryStream out;
            r.ZipPassword = "pw";
            ASSERT_EQ(r.ExtractIndexToStream(&out, i), 1)
                << r.Member(i).FileName() << " round " << round;
            if (r.Member(i).FileName() == "entry.rtf") {
                const long v = VersionOf(out.ToString());
                // The version being saved, the one finished before it, or
                // (nothing finished this round) the one found last round.
                const long before = roundDone > 0 ? roundDone : lastSeen;
                EXPECT_TRUE(v == before || (roundStarted > 0 && v == roundStarted))
                    << "round " << round << ": holds " << v << ", child started " << roundStarted
                    << ", finished " << roundDone << ", last seen " << lastSeen;
                EXPECT_EQ(out.ToString(), Version(v));
                lastSeen = v;
            }
        }
        if (round % 25 == 0) {
            EXPECT_EQ(writertest::UnzipTest(zip, "pw"), "") << "round " << round;
        }
        if (roundDone > 0) done += roundDone - (round + 1) * 1000000L;
    }
    EXPECT_GE(kills, 100);
    EXPECT_GT(midSave, kills / 4) << "too few kills landed inside a save";
    EXPECT_GT(done, 0);
    std::printf("%d kills, %d inside a save, %ld saves finished\n", kills, midSave, done);
}
