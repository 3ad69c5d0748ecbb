// Traditional zip encryption: three 32-bit keys stirred by every plain byte,
// and a 12-byte header in front of each encrypted member whose last byte lets
// a reader test a password before decoding anything.
//
// Reading: the member's check byte is the CRC's top byte, or the DOS time's
// high byte when the member carries a data descriptor (bit 3), because such a
// member's CRC was not known when its header was written. Only that one byte
// is compared, so about one wrong password in 256 passes the check and is
// caught later by the CRC.
//
// Writing: ten random bytes, then the CRC's bytes 16-23 and 24-31, all
// encrypted. The random bytes come from the caller, who takes them from the
// system's secure source (SecureRandomBytes) so that two members written
// with one password never share a key stream start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class TStream;

class TZipKeys {
public:
    std::uint32_t Key0 = 0x12345678u;
    std::uint32_t Key1 = 0x23456789u;
    std::uint32_t Key2 = 0x34567890u;

    // Keyed from a password, the state stands for it (it opens every member
    // of that password), so it goes wiped.
    TZipKeys() = default;
    TZipKeys(const TZipKeys&) = default;
    TZipKeys& operator=(const TZipKeys&) = default;
    ~TZipKeys();

    // Resets the keys and stirs in every byte of the password, as held (no
    // case folding, no trimming); an empty password leaves the initial keys.
    void InitKeys(std::string_view password);
    void UpdateKeys(std::uint8_t b);
    // The next key-stream byte; does not change the keys.
    std::uint8_t DecryptByte() const {
        std::uint32_t t = (Key2 & 0xFFFFu) | 2u;
        return static_cast<std::uint8_t>((t * (t ^ 1u)) >> 8);
    }
    void DecryptBuffer(std::uint8_t* buffer, std::size_t n);
    std::uint8_t EncryptByte(std::uint8_t plain);
    void EncryptBuffer(std::uint8_t* buffer, std::size_t n);

    // Reads the 12 header bytes from the stream (EStreamError when they are
    // not all there), keys up with the password, decrypts them and returns
    // the last one, the found check byte. The keys are left ready for the
    // member's data.
    std::uint8_t DecryptHeader(std::string_view password, TStream& stream);

    // The writer's header: keys up with the password, then encrypts the ten
    // random bytes and the CRC's two top bytes into `header`. The keys are
    // left ready for the member's data.
    void MakeEncryptionHeader(std::string_view password, std::uint32_t crc,
                              const std::uint8_t random[10], std::uint8_t header[12]);
};

// The byte a right password decrypts the header's last byte to: the DOS
// time's high byte when the member has a data descriptor (flags bit 3), else
// the CRC's top byte. `dosDateTime` holds the time in its low 16 bits.
std::uint8_t ExpectedCheckByte(std::uint16_t flags, std::uint32_t crc, std::uint32_t dosDateTime);

// Fills the buffer from the system's secure random source (getrandom);
// raises Exception when the source fails.
void SecureRandomBytes(void* buffer, std::size_t n);
