// The cryptographic primitives the AES member format is built from: the AES
// block cipher, HMAC-SHA1 and PBKDF2-HMAC-SHA1. They come from OpenSSL's
// libcrypto; this file and its .cpp are the only places that know it, so
// the rest of the engine sees three small classes and no OpenSSL headers.
// The library is loaded when one of them is first used; where it cannot be,
// that use raises Exception "The cryptographic library failed: ...".
//
// The format around them (salt, verifier, counter layout, authentication
// code, extra field) is ours: aes_crypt.h and aes_extra.h.
//
// Every failure of the library (which, with valid key sizes, means it is
// out of memory or broken) raises Exception "The cryptographic library
// failed: ..." rather than letting a member be written or read with a key
// stream that is not what it should be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zipcrypto {

// AES encryption of whole 16-byte blocks, one by one with the same key
// (electronic code book). Counter mode is made from it by the caller: the
// format's counter is little-endian, which the library's own counter mode
// (big-endian) does not do.
class TAesBlocks {
public:
    static constexpr std::size_t kBlock = 16;
    // keyBytes is 16, 24 or 32 (AES-128, -192, -256); Exception otherwise.
    TAesBlocks(const std::uint8_t* key, std::size_t keyBytes);
    ~TAesBlocks();
    TAesBlocks(const TAesBlocks&) = delete;
    TAesBlocks& operator=(const TAesBlocks&) = delete;
    // Encrypts `blocks` blocks from in to out (they may be the same).
    void Encrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks);

private:
    void* ctx_ = nullptr; // EVP_CIPHER_CTX
};

// HMAC with SHA-1 over the bytes given to Update, keyed once.
class THmacSha1 {
public:
    static constexpr std::size_t kSize = 20;
    THmacSha1(const std::uint8_t* key, std::size_t keyBytes);
    ~THmacSha1();
    THmacSha1(const THmacSha1&) = delete;
    THmacSha1& operator=(const THmacSha1&) = delete;
    void Update(const std::uint8_t* data, std::size_t n);
    // The code over everything given so far; the object is used up.
    void Final(std::uint8_t out[kSize]);

private:
    void* ctx_ = nullptr; // EVP_MAC_CTX
};

// PBKDF2 with HMAC-SHA1: outBytes of key material from the password's bytes
// (as held, no conversion) and the salt.
void Pbkdf2HmacSha1(std::string_view password, const std::uint8_t* salt, std::size_t saltBytes,
                    int iterations, std::uint8_t* out, std::size_t outBytes);

} // namespace zipcrypto
