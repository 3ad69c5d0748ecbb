// Killing the process at any moment of a save never leaves a broken
// archive: a child saves new versions of one entry in a loop and is killed
// with SIGKILL at random moments; after each kill the archive opens, every
// member extracts with a good CRC, and the entry holds the version the child
// was saving or the one before. The temporary files of killed saves do not
// pile up: each save removes those no living save holds.
//
// The kill moments follow the machine's speed, not a fixed clock: the first
// rounds let the child finish a few saves and time them, and later kills are
// drawn from 0 to about twice the time a child takes to its first finished
// save, so that they land before, inside and after saves on a fast machine
// and on a busy one alike. The estimate follows the machine as it goes: the
// child stamps each finished save with its own clock, and a run of rounds in
// which no save finished stretches it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::TempDir;
using Clock = std::chrono::steady_clock;

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

long MicrosecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count());
}

// The child: saves versions base + 1, base + 2 ... of the entry, telling the
// parent on `fd` when it starts ("S<k>;") and when it has finished
// ("D<k>@<microseconds since the child began>;") each one.
[[noreturn]] void SaveForever(const std::string& zip, const std::string& tempPath, int fd,
                              long base) {
    const Clock::time_point born = Clock::now();
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
        try {
            if (w.AddFromStream(&s, "2000\\entry.rtf") != 1) ::_exit(4);
        } catch (...) {
            ::_exit(5); // never back into the test program
        }
        note = "D" + std::to_string(k) + "@" + std::to_string(MicrosecondsSince(born)) + ";";
        if (::write(fd, note.data(), note.size()) < 0) ::_exit(3);
    }
}

// What a child said before it died.
struct TNotes {
    long started = 0, done = 0; // the last version started and finished
    int finished = 0;           // saves finished
    long firstDoneAt = -1;      // microseconds from the child's start to its first finished save
};

TNotes Parse(const std::string& notes) {
    TNotes n;
    for (std::size_t p = 0; p < notes.size();) {
        const std::size_t semi = notes.find(';', p);
        if (semi == std::string::npos) break; // killed while telling
        const std::string note = notes.substr(p + 1, semi - p - 1);
        if (notes[p] == 'S') {
            n.started = std::stol(note);
        } else {
            const std::size_t at = note.find('@');
            n.done = std::stol(note.substr(0, at));
            if (++n.finished == 1) n.firstDoneAt = std::stol(note.substr(at + 1));
        }
        p = semi + 1;
    }
    return n;
}

// Reads what is in the pipe now, waiting at most `waitMs` for something to arrive.
bool ReadSome(int fd, std::string& into, int waitMs) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into.append(buffer, static_cast<std::size_t>(n));
    return true;
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
    constexpr int kCalibrationRounds = 3;
    constexpr int kSavesToTime = 3;
    constexpr int kRounds = 200;
    // Only a safety net against a hang: every wait below has its own bound.
    const auto deadline = Clock::now() + std::chrono::minutes(8);
    std::mt19937 rng(20261208);
    long firstSaveUs = 0; // estimated time from fork to the child's first finished save
    long lastSeen = 0;
    long done = 0;
    int kills = 0, midSave = 0, idleRounds = 0;
    for (int round = 0; round < kRounds; ++round) {
        ASSERT_LT(Clock::now(), deadline) << "out of time after " << round << " rounds";
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const long base = (round + 1) * 1000000L;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            SaveForever(zip, tempFolder.path(), pipeFds[1], base);
        }
        ::close(pipeFds[1]);
        std::string notes;
        if (round < kCalibrationRounds) {
            // Let the child finish a few saves, however long the machine takes.
            const auto until = Clock::now() + std::chrono::minutes(2);
            while (Parse(notes).finished < kSavesToTime && Clock::now() < until)
                ReadSome(pipeFds[0], notes, 100);
        } else {
            ::usleep(static_cast<useconds_t>(
                std::uniform_int_distribution<long>(0, 2 * firstSaveUs)(rng)));
        }
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the child stopped by itself: " << status;
        while (ReadSome(pipeFds[0], notes, 0)) {
        }
        ::close(pipeFds[0]);
        const TNotes n = Parse(notes);
        if (round < kCalibrationRounds) {
            ASSERT_GE(n.finished, kSavesToTime) << "the child did not finish its saves in time";
            firstSaveUs = std::max(firstSaveUs, n.firstDoneAt);
        } else {
            ++kills;
            if (n.started != n.done) ++midSave;
            // Follow the machine: a round that saw a save finish says how long
            // one takes now; rounds where none finished say it got slower.
            if (n.firstDoneAt >= 0) {
                firstSaveUs = (3 * firstSaveUs + n.firstDoneAt) / 4;
                idleRounds = 0;
            } else if (++idleRounds >= 4) {
                firstSaveUs += firstSaveUs / 2;
                idleRounds = 0;
            }
        }

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
                const long before = n.done > 0 ? n.done : lastSeen;
                EXPECT_TRUE(v == before || (n.started > 0 && v == n.started))
                    << "round " << round << ": holds " << v << ", child started " << n.started
                    << ", finished " << n.done << ", last seen " << lastSeen;
                EXPECT_EQ(out.ToString(), Version(v));
                lastSeen = v;
            }
        }
        if (round % 25 == 0) {
            EXPECT_EQ(writertest::UnzipTest(zip, "pw"), "") << "round " << round;
        }
        // A killed save leaves its temporary file; the next save removes it,
        // so they never pile up.
        EXPECT_LE(writertest::TempFilesIn(tempFolder.path()).size(), 1u) << "round " << round;
        EXPECT_TRUE(writertest::TempFilesIn(dir.path()).empty()) << "round " << round;
        if (round >= kCalibrationRounds && n.done > 0) done += n.done - base;
    }
    {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        w.TempPath = tempFolder.path();
        TMemoryStream s(Version(1));
        ASSERT_EQ(w.AddFromStream(&s, "2000\\entry.rtf"), 1);
        EXPECT_TRUE(writertest::TempFilesIn(tempFolder.path()).empty());
    }
    EXPECT_GE(kills, 100);
    EXPECT_GT(midSave, kills / 4) << "too few kills landed inside a save";
    EXPECT_GT(done, 0);
    std::printf("%d kills, %d inside a save, %ld saves finished; a first save took about %ld us\n",
                kills, midSave, done, firstSaveUs);
}
