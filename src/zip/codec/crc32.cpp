// Slicing-by-8: eight tables, where table k gives the CRC contribution of a
// byte followed by k zero bytes. Eight input bytes are then folded with eight
// independent lookups instead of a chain of eight dependent ones.
#include "zip/codec/crc32.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

using SliceTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr SliceTables MakeTables() {
    SliceTables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
        t[0][i] = c;
    }
    for (std::uint32_t i = 0; i < 256; ++i)
        for (std::size_t k = 1; k < 8; ++k)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr SliceTables kTables = MakeTables();

// The plain table as a C array for the public reference.
struct PlainTable {
    std::uint32_t v[256];
    constexpr PlainTable() : v{} {
        for (int i = 0; i < 256; ++i)
            v[i] = kTables[0][static_cast<std::size_t>(i)];
    }
};
constexpr PlainTable kPlain;

} // namespace

const std::uint32_t (&CrcTable)[256] = kPlain.v;

std::uint32_t CrcUpdate(std::uint32_t crc, const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    // The eight-byte rounds read little-endian words; on a big-endian host the
    // byte loop below does all the work.
    if constexpr (std::endian::native == std::endian::little) {
        while (n >= 8) {
            std::uint32_t lo, hi;
            std::memcpy(&lo, p, 4);
            std::memcpy(&hi, p + 4, 4);
            lo ^= crc;
            crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^
                  kTables[5][(lo >> 16) & 0xFF] ^ kTables[4][lo >> 24] ^ kTables[3][hi & 0xFF] ^
                  kTables[2][(hi >> 8) & 0xFF] ^ kTables[1][(hi >> 16) & 0xFF] ^
                  kTables[0][hi >> 24];
            p += 8;
            n -= 8;
        }
    }
    while (n--)
        crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return crc;
}
