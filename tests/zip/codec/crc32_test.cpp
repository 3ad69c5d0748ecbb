#include "zip/codec/crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

TEST(Crc32, KnownValues) {
    EXPECT_EQ(Crc32Of("", 0), 0u);
    EXPECT_EQ(Crc32Of("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32Of("The quick brown fox jumps over the lazy dog", 43), 0x414FA339u);
    EXPECT_EQ(CrcTable[1], 0x77073096u);
    EXPECT_EQ(CrcTable[255], 0x2D02EF8Du);
}

TEST(Crc32, WideRoundsEqualTheByteStep) {
    std::mt19937 rng(1);
    std::string data(1000, '\0');
    for (auto& c : data)
        c = static_cast<char>(rng());
    // Every start alignment and length, including the tails of 1 to 15 bytes
    // after rounds of 8, 16 and 64 bytes, and a non-zero running value.
    for (std::size_t start = 0; start < 17; ++start) {
        for (std::size_t len = 0; len + start <= 600; ++len) {
            std::uint32_t slow = 0xFFFFFFFFu;
            for (std::size_t i = 0; i < len; ++i)
                slow = CrcStep(slow, static_cast<std::uint8_t>(data[start + i]));
            ASSERT_EQ(CrcUpdate(0xFFFFFFFFu, data.data() + start, len), slow)
                << start << "/" << len;
        }
    }
}

TEST(Crc32, RunningSumOverPiecesEqualsTheWhole) {
    std::string data(100000, 'x');
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<char>(i * 31 + i / 7);
    std::uint32_t run = 0xFFFFFFFFu;
    for (std::size_t pos = 0; pos < data.size(); pos += 16000)
        run = CrcUpdate(run, data.data() + pos, std::min<std::size_t>(16000, data.size() - pos));
    EXPECT_EQ(~run, Crc32Of(data.data(), data.size()));
}
