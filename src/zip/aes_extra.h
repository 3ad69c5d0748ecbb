// The AES member's record in the extra field, and the numbers of the AES
// member format that the headers carry.
//
// An AES member says compression method 99 in its headers; its real method
// (0 stored or 8 deflated here) is in a record of the extra field with the
// id 0x9901, in both the local and the central header:
//
//   id 0x9901 (2 bytes), data size 7 (2 bytes),
//   vendor version (2 bytes: 1 = AE-1, 2 = AE-2), vendor id "AE",
//   strength (1 byte: 1 = AES-128, 2 = AES-192, 3 = AES-256),
//   real compression method (2 bytes).
//
// AE-1 members keep the CRC-32 of the plain text in the headers and readers
// check it; AE-2 members store 0 there, so that the CRC gives nothing away
// about a short text: the authentication code alone vouches for the data.
// This writer writes AE-2 at strength 3; the reader takes every strength
// and both versions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

constexpr std::uint16_t kAesMethod = 99;
constexpr std::uint16_t kAesExtraId = 0x9901;
constexpr std::size_t kAesExtraSize = 11; // the whole record, id and size included
// The version needed to extract (and made by) that AES members carry: 5.1.
constexpr std::uint16_t kAesVersion = 51;
constexpr std::size_t kAesVerifierSize = 2;
constexpr std::size_t kAesCodeSize = 10;
constexpr int kAesIterations = 1000;

struct TAesExtra {
    std::uint16_t VendorVersion = 2; // 1 AE-1 (CRC kept), 2 AE-2 (CRC 0)
    std::uint8_t Strength = 3;       // 1, 2, 3: AES-128, -192, -256
    std::uint16_t Method = 8;        // the real compression method

    // 16, 24 or 32; 0 for a strength the format does not define.
    std::size_t KeyBytes() const { return Strength >= 1 && Strength <= 3 ? 8u + 8u * Strength : 0; }
    // Half the key's length: 8, 12 or 16.
    std::size_t SaltBytes() const { return KeyBytes() / 2; }
    // AE-1: the headers' CRC is the plain text's and is checked.
    bool ChecksCrc() const { return VendorVersion == 1; }
    bool operator==(const TAesExtra&) const = default;
};

// The AES record among the records of an extra field, or nothing when there
// is none, when its size is not 7, or when its vendor id is not "AE". A
// record running past the end of the field ends the search.
std::optional<TAesExtra> FindAesExtra(const std::uint8_t* extra, std::size_t size);
// The record's 11 bytes.
void PutAesExtra(const TAesExtra& record, std::uint8_t out[kAesExtraSize]);
