// Every level must give a valid raw deflate stream that an independent
// decoder (Python's zlib) and our test decoder turn back into the input.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "deflate_test_support.h"
#include "support/test_support.h"
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/stream.h"

using namespace deflatetest;

namespace {

std::vector<std::string> Corpus() {
    std::vector<std::string> corpus;
    for (std::size_t n : {0, 1, 2, 3, 4, 5, 17, 262, 263})
        corpus.push_back(TextBytes(n, static_cast<std::uint32_t>(n)));
    corpus.push_back(RandomBytes(1, 1));
    corpus.push_back(RandomBytes(300, 2));
    corpus.push_back(RandomBytes(70000, 3));
    corpus.push_back(TextBytes(4096, 4));
    corpus.push_back(TextBytes(32768, 5));
    corpus.push_back(TextBytes(65536, 6));
    corpus.push_back(TextBytes(300000, 7));
    corpus.push_back(std::string(1, '\0'));
    corpus.push_back(std::string(65535, 'z'));
    corpus.push_back(std::string(300000, '\0'));
    std::string periodic;
    for (int i = 0; i < 20000; ++i)
        periodic += "0123456789abcdef"[i % 13];
    corpus.push_back(periodic);
    // Text with binary islands, and records that repeat with small changes.
    std::string mixed;
    for (int i = 0; i < 40; ++i)
        mixed += TextBytes(3000, 100 + i) + RandomBytes(500 + 37 * i, 200 + i);
    corpus.push_back(mixed);
    std::string records;
    for (int i = 0; i < 8000; ++i)
        records += "entry " + std::to_string(i * 7919 % 10007) + ";\x01\x02\xff" +
                   std::string(static_cast<std::size_t>(i % 9), 'x');
    corpus.push_back(records);
    // Distances at the edge of the reach: a block repeated 32,506 and 32,507 bytes apart.
    const std::string block = RandomBytes(300, 99);
    for (std::size_t gap : {32506 - 300, 32507 - 300, 32768 - 300})
        corpus.push_back(block + RandomBytes(gap, 98) + block + block);
    return corpus;
}

// Inflates with the program's own decoder, as the archive reader does.
std::string OwnInflate(TUnZipWork& work, const std::string& stream, std::size_t size, int& result) {
    TMemoryStream in(stream), out;
    work.StartMember(in, out, static_cast<std::int64_t>(stream.size()),
                     static_cast<std::int64_t>(size));
    result = Inflate(work);
    return out.ToString();
}

} // namespace

TEST(DeflateRoundTrip, EveryLevelThroughOurInflate) {
    const std::vector<std::string> corpus = Corpus();
    TUnZipWork work;
    for (int level = 1; level <= 9; ++level) {
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            TDeflated d = DeflateString(corpus[i], level);
            if (d.method == 0) continue;
            int result = -1;
            EXPECT_EQ(OwnInflate(work, d.data, corpus[i].size(), result), corpus[i])
                << level << " " << i;
            EXPECT_EQ(result, 0) << level << " " << i;
            EXPECT_EQ(work.FillerBytes(), 0) << level << " " << i;
        }
    }
}

TEST(DeflateRoundTrip, EveryLevelThroughPythonZlibAndOurDecoder) {
    ASSERT_TRUE(testsupport::HaveProgram("python3"));
    const std::vector<std::string> corpus = Corpus();
    for (int level = 1; level <= 9; ++level) {
        std::vector<std::string> streams;
        std::vector<std::size_t> deflated; // corpus index of each stream
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            TDeflated d = DeflateString(corpus[i], level);
            ASSERT_EQ(d.size, d.data.size()) << level << " " << i;
            if (d.method == 0) {
                EXPECT_EQ(d.data, corpus[i]) << level << " " << i;
                continue;
            }
            ASSERT_EQ(d.method, 8);
            EXPECT_LT(d.size, corpus[i].size() + corpus[i].size() / 100 + 16) << level << " " << i;
            TDecoded decoded = DecodeDeflate(d.data);
            EXPECT_EQ(decoded.consumed, d.data.size()) << level << " " << i;
            EXPECT_EQ(decoded.data, corpus[i]) << level << " " << i;
            streams.push_back(d.data);
            deflated.push_back(i);
        }
        std::vector<std::string> inflated = PythonInflateAll(streams);
        ASSERT_EQ(inflated.size(), streams.size()) << level;
        for (std::size_t k = 0; k < streams.size(); ++k)
            EXPECT_EQ(inflated[k], corpus[deflated[k]]) << level << " " << deflated[k];
    }
}

TEST(DeflateRoundTrip, HigherLevelsCompressTextBetter) {
    const std::string input = TextBytes(200000, 12);
    std::uint32_t size1 = DeflateString(input, 1).size;
    std::uint32_t size6 = DeflateString(input, 6).size;
    std::uint32_t size9 = DeflateString(input, 9).size;
    EXPECT_LT(size6, size1);
    EXPECT_LE(size9, size6);
}

TEST(DeflateRoundTrip, RealFilesFromTheSystem) {
    // Whatever text and binary files the system has; order fixed by name.
    std::vector<std::string> paths = {"/usr/include/stdio.h", "/usr/include/stdlib.h", "/bin/sh",
                                      "/usr/lib/os-release", "/etc/services"};
    std::vector<std::string> inputs;
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        if (!in) continue;
        std::ostringstream s;
        s << in.rdbuf();
        inputs.push_back(s.str());
    }
    ASSERT_FALSE(inputs.empty());
    std::vector<std::string> streams;
    for (const std::string& input : inputs) {
        for (int level : {1, 5, 9}) {
            TDeflated d = DeflateString(input, level);
            if (d.method == 0) {
                EXPECT_EQ(d.data, input);
                continue;
            }
            streams.push_back(d.data);
            EXPECT_EQ(DecodeDeflate(d.data).data, input) << level;
        }
    }
    EXPECT_EQ(PythonInflateAll(streams).size(), streams.size());
}
