#include "zip/zip_crypt.h"

#include "platform/exception.h"
#include "platform/password.h"
#include "zip/codec/crc32.h"
#include "zip/stream.h"

#include <cerrno>
#include <cstring>
#include <sys/random.h>

TZipKeys::~TZipKeys() {
    WipeBytes(&Key0, sizeof Key0);
    WipeBytes(&Key1, sizeof Key1);
    WipeBytes(&Key2, sizeof Key2);
}

void TZipKeys::InitKeys(std::string_view password) {
    Key0 = 0x12345678u;
    Key1 = 0x23456789u;
    Key2 = 0x34567890u;
    for (char c : password)
        UpdateKeys(static_cast<std::uint8_t>(c));
}

void TZipKeys::UpdateKeys(std::uint8_t b) {
    Key0 = CrcStep(Key0, b);
    Key1 = (Key1 + (Key0 & 0xFFu)) * 134775813u + 1u;
    Key2 = CrcStep(Key2, static_cast<std::uint8_t>(Key1 >> 24));
}

void TZipKeys::DecryptBuffer(std::uint8_t* buffer, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t p = buffer[i] ^ DecryptByte();
        UpdateKeys(p);
        buffer[i] = p;
    }
}

std::uint8_t TZipKeys::EncryptByte(std::uint8_t plain) {
    std::uint8_t t = DecryptByte();
    UpdateKeys(plain);
    return plain ^ t;
}

void TZipKeys::EncryptBuffer(std::uint8_t* buffer, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        buffer[i] = EncryptByte(buffer[i]);
}

std::uint8_t TZipKeys::DecryptHeader(std::string_view password, TStream& stream) {
    std::uint8_t header[12];
    stream.ReadBuffer(header, sizeof header);
    InitKeys(password);
    DecryptBuffer(header, sizeof header);
    return header[11];
}

void TZipKeys::MakeEncryptionHeader(std::string_view password, std::uint32_t crc,
                                    const std::uint8_t random[10], std::uint8_t header[12]) {
    InitKeys(password);
    for (int i = 0; i < 10; ++i)
        header[i] = EncryptByte(random[i]);
    header[10] = EncryptByte(static_cast<std::uint8_t>(crc >> 16));
    header[11] = EncryptByte(static_cast<std::uint8_t>(crc >> 24));
}

std::uint8_t ExpectedCheckByte(std::uint16_t flags, std::uint32_t crc, std::uint32_t dosDateTime) {
    if (flags & 0x0008u) return static_cast<std::uint8_t>((dosDateTime >> 8) & 0xFFu);
    return static_cast<std::uint8_t>(crc >> 24);
}

void SecureRandomBytes(void* buffer, std::size_t n) {
    auto* p = static_cast<std::uint8_t*>(buffer);
    while (n > 0) {
        ssize_t got = getrandom(p, n, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw Exception(std::string("Cannot read the system's random source: ") +
                            std::strerror(errno));
        }
        p += got;
        n -= static_cast<std::size_t>(got);
    }
}
