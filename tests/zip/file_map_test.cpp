// The mapped view of an old archive: copies of what the file holds, a false
// result (not a crash) for bytes the file no longer holds because it was cut
// short underneath, and every other SIGBUS left to end the process or reach
// the handler that was there before.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "support/test_support.h"
#include "zip/file_map.h"

using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

constexpr std::int64_t kPage = 4096;

std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return s;
}

struct TOpenFile {
    int fd;
    explicit TOpenFile(const std::string& path, int flags = O_RDONLY)
        : fd(::open(path.c_str(), flags)) {}
    ~TOpenFile() {
        if (fd >= 0) ::close(fd);
    }
};

// Touches the bytes of a mapping of `path` that lie past `keep` after cutting
// the file to `keep` bytes: a SIGBUS no guarded copy asked for.
void TouchBeyondTheEnd(const std::string& path, std::int64_t keep) {
    TOpenFile f(path, O_RDWR);
    auto* p =
        static_cast<volatile char*>(::mmap(nullptr, 4 * kPage, PROT_READ, MAP_SHARED, f.fd, 0));
    if (::ftruncate(f.fd, keep) != 0) _exit(3);
    (void)p[3 * kPage];
}

// How an unguarded SIGBUS ends a process: by the signal, or, where
// AddressSanitizer's handler was there first, with its report.
bool EndedByBusError(int status) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr bool kAsan = true;
#elif defined(__has_feature)
    constexpr bool kAsan = __has_feature(address_sanitizer);
#else
    constexpr bool kAsan = false;
#endif
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGBUS) return true;
    return kAsan && WIFEXITED(status) && WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 4;
}

} // namespace

TEST(FileMap, NothingToMapIsNotValid) {
    TempDir dir;
    WriteFile(dir.file("empty"), "");
    TOpenFile empty(dir.file("empty")), folder(dir.path(), O_RDONLY | O_DIRECTORY);
    char c;
    for (int fd : {empty.fd, folder.fd, -1}) {
        EXPECT_FALSE(TFileMap(fd).Valid()) << fd;
        EXPECT_FALSE(TFileMap(fd).Copy(0, 1, &c)) << fd;
    }
}

// Copies of what the file holds, across pages, and none past its end. Then
// another program shortens the file while it is mapped: what it still holds
// copies as before, what it no longer holds gives false, again and again and
// on any thread.
TEST(FileMap, AFileCutShortUnderneathGivesFalseInsteadOfACrash) {
    TempDir dir;
    const std::string bytes = Pattern(8 * kPage);
    WriteFile(dir.file("a"), bytes);
    TOpenFile f(dir.file("a"));
    const TFileMap map(f.fd);
    ASSERT_TRUE(map.Valid());
    ASSERT_EQ(map.Size(), 8 * kPage);
    char whole[kPage + 100];
    ASSERT_TRUE(map.Copy(2 * kPage - 50, sizeof whole, whole)); // across pages
    EXPECT_EQ(std::string(whole, sizeof whole), bytes.substr(2 * kPage - 50, sizeof whole));
    EXPECT_TRUE(map.Copy(map.Size(), 0, whole));
    EXPECT_FALSE(map.Copy(map.Size() - 10, 11, whole)); // past the end of the mapping
    EXPECT_FALSE(map.Copy(-1, 1, whole));
    {
        TOpenFile writer(dir.file("a"), O_RDWR);
        ASSERT_EQ(::ftruncate(writer.fd, 2 * kPage + 10), 0);
    }
    char out[64];
    // Asking ahead for pages that are gone is harmless.
    map.Populate(0, map.Size());
    map.Populate(-kPage, 20 * kPage);
    for (std::int64_t at = 0; at < 9 * kPage; at += kPage / 2)
        map.Prefetch(at);
    for (int round = 0; round < 3; ++round) {
        EXPECT_FALSE(map.Copy(5 * kPage, sizeof out, out)) << round;
        EXPECT_FALSE(map.Copy(3 * kPage - 20, sizeof out, out))
            << round; // starts in a page still there
        ASSERT_TRUE(map.Copy(kPage + 7, sizeof out, out)) << round;
        EXPECT_EQ(std::string(out, sizeof out), bytes.substr(kPage + 7, sizeof out));
    }
    bool onThread = true;
    std::thread([&] { onThread = map.Copy(6 * kPage, 8, out); }).join();
    EXPECT_FALSE(onThread);
}

// The handler serves guarded copies only: a SIGBUS anywhere else still ends
// the process as it would have, or reaches a handler installed before.
TEST(FileMapDeathTest, OtherBusErrorsEndTheProcessAsBefore) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempDir dir;
    WriteFile(dir.file("a"), Pattern(4 * kPage));
    WriteFile(dir.file("b"), Pattern(4 * kPage));
    EXPECT_EXIT(
        {
            TOpenFile f(dir.file("a"));
            const TFileMap map(f.fd); // installs the handler
            if (!map.Valid()) _exit(4);
            TouchBeyondTheEnd(dir.file("b"), kPage);
            _exit(0);
        },
        EndedByBusError, "");
    EXPECT_EXIT(
        {
            struct sigaction own {};
            own.sa_handler = [](int) { _exit(42); };
            sigemptyset(&own.sa_mask);
            ::sigaction(SIGBUS, &own, nullptr);
            TOpenFile f(dir.file("a"));
            const TFileMap map(f.fd);
            if (!map.Valid()) _exit(4);
            TouchBeyondTheEnd(dir.file("b"), kPage);
            _exit(0);
        },
        ::testing::ExitedWithCode(42), "");
}
