// "dayscrib-zip extract" streams the member to its output as it is decoded:
// memory stays bounded whatever the member's size, and a member that turns
// out damaged is taken back from a file it was written to.
#include "support/test_support.h"
#include "zip/codec/bit_writer.h"
#include "zip/codec/crc32.h"
#include "zip_builder.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

using testsupport::ReadFile;
using testsupport::RunCommand;
using testsupport::ShellQuote;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

const std::string kTool = DAYSCRIB_ZIP_TOOL;

// `size` zero bytes as one fixed-code deflate block: a literal zero, then
// matches of 258 bytes at distance 1 (13 bits each), so 2 GiB fit in 13 MB.
std::string Zeros(std::uint64_t size) {
    codectest::BitWriter w;
    w.Bits(1, 1); // the last block
    w.Bits(1, 2); // fixed codes
    codectest::FixedSymbol(w, 0);
    std::uint64_t left = size - 1;
    for (; left >= 258; left -= 258) {
        codectest::FixedSymbol(w, 285);
        w.Code(0, 5); // distance 1
    }
    if (left > 0) {
        EXPECT_GE(left, 3u); // lengths 3 to 10 need no extra bits
        codectest::FixedSymbol(w, 254 + static_cast<unsigned>(left));
        w.Code(0, 5);
    }
    codectest::FixedSymbol(w, 256);
    return w.Take();
}

std::uint32_t CrcOfZeros(std::uint64_t size) {
    const std::vector<char> zeros(1 << 20, 0);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::uint64_t left = size; left > 0;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
        crc = CrcUpdate(crc, zeros.data(), n);
        left -= n;
    }
    return ~crc;
}

} // namespace

TEST(ToolExtract, AHugeMemberStreamsToItsOutputInConstantMemory) {
    TempDir dir;
    constexpr std::uint64_t kSize = 2ull << 30; // 2 GiB
    ziptest::RawMember m;
    m.name = "huge.bin";
    m.method = 8;
    m.data = Zeros(kSize);
    m.crc = CrcOfZeros(kSize);
    m.uncompressedSize = static_cast<std::uint32_t>(kSize);
    const std::string zip = dir.file("huge.zip");
    WriteFile(zip, ziptest::BuildArchive({m}));

    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::close(out[0]);
        ::close(out[1]);
        ::execl(kTool.c_str(), kTool.c_str(), "extract", zip.c_str(), "huge.bin", nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    std::vector<char> buffer(1 << 20);
    std::uint64_t got = 0;
    bool zeros = true;
    // The tool's peak resident memory (VmHWM, KiB) as it runs: looked at
    // every 64 MiB of output, while the tool waits for the pipe to drain.
    // (Its rusage would also count the test process it was forked from.)
    const std::string status = "/proc/" + std::to_string(pid) + "/status";
    long peak = 0;
    int looks = 0;
    for (;;) {
        const ssize_t n = ::read(out[0], buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        zeros = zeros && std::all_of(buffer.begin(), buffer.begin() + n, [](char c) { return !c; });
        if ((got >> 26) != ((got + static_cast<std::uint64_t>(n)) >> 26)) {
            const std::string text = ReadFile(status);
            if (const std::size_t at = text.find("VmHWM:"); at != std::string::npos) {
                peak = std::max(peak, std::stol(text.substr(at + 6)));
                ++looks;
            }
        }
        got += static_cast<std::uint64_t>(n);
    }
    ::close(out[0]);
    int exit = 0;
    ASSERT_EQ(::waitpid(pid, &exit, 0), pid);
    ASSERT_TRUE(WIFEXITED(exit));
    EXPECT_EQ(WEXITSTATUS(exit), 0);
    EXPECT_EQ(got, kSize);
    EXPECT_TRUE(zeros);
    // A few MiB of program and buffers, where holding the member would take
    // more than 2 GiB.
    EXPECT_GE(looks, 16);
    EXPECT_GT(peak, 0);
    EXPECT_LT(peak, 64 * 1024) << peak << " KiB";
}

TEST(ToolExtract, ADamagedMemberIsTakenBackFromAFileAndOwnedUpToOnAPipe) {
    TempDir dir;
    ziptest::RawMember m = ziptest::Stored("bad.txt", std::string(100000, 'b'));
    m.crc ^= 0x10;
    const std::string zip = dir.file("bad.zip");
    WriteFile(zip, ziptest::BuildArchive({m}));
    const std::string file = dir.file("out.txt");
    WriteFile(file, "kept before\n");
    EXPECT_EQ(RunCommand(ShellQuote(kTool) + " extract " + ShellQuote(zip) + " bad.txt >> " +
                         ShellQuote(file) + " 2>/dev/null"),
              1);
    EXPECT_EQ(ReadFile(file), "kept before\n"); // cut back to where it stood
    std::string err;
    EXPECT_EQ(RunCommand(ShellQuote(kTool) + " extract " + ShellQuote(zip) + " bad.txt 2>&1 " +
                             ">/dev/null | cat",
                         &err),
              0); // the status of cat
    EXPECT_NE(err.find("bad.txt: CRC error"), std::string::npos) << err;
    std::string piped;
    RunCommand(ShellQuote(kTool) + " extract " + ShellQuote(zip) + " bad.txt 2>" +
                   ShellQuote(dir.file("err")) + " | wc -c",
               &piped);
    EXPECT_EQ(std::stoul(piped), 100000u);
    EXPECT_NE(ReadFile(dir.file("err"))
                  .find("the bytes written before it was found are not "
                        "the member's"),
              std::string::npos)
        << ReadFile(dir.file("err"));
}
