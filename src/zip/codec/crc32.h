// The zip format's CRC-32: reflected polynomial 0xEDB88320, started at all
// ones and complemented at the end by whoever finishes the sum. The running
// value passed around here is the un-complemented one, so a member's CRC is
// ~CrcUpdate(0xFFFFFFFF, data, n).
#pragma once

#include <cstddef>
#include <cstdint>

// The classic 256-entry table (one byte at a time).
extern const std::uint32_t (&CrcTable)[256];

inline std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t b) {
    return CrcTable[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

// Folds n bytes into a running CRC; same value as n CrcStep calls, eight
// bytes per round.
std::uint32_t CrcUpdate(std::uint32_t crc, const void* data, std::size_t n);

// Convenience: the finished CRC-32 of a whole buffer.
inline std::uint32_t Crc32Of(const void* data, std::size_t n) {
    return ~CrcUpdate(0xFFFFFFFFu, data, n);
}
