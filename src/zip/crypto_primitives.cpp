#include "zip/crypto_primitives.h"

#include "platform/exception.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace zipcrypto {

namespace {

[[noreturn]] void Fail(const char* what) {
    const unsigned long code = ERR_get_error();
    char reason[256] = "no reason given";
    if (code != 0) ERR_error_string_n(code, reason, sizeof reason);
    ERR_clear_error();
    throw Exception(std::string("The cryptographic library failed: ") + what + " (" + reason + ")");
}

const EVP_CIPHER* AesEcb(std::size_t keyBytes) {
    switch (keyBytes) {
    case 16:
        return EVP_aes_128_ecb();
    case 24:
        return EVP_aes_192_ecb();
    case 32:
        return EVP_aes_256_ecb();
    default:
        throw Exception("AES keys are 16, 24 or 32 bytes, not " + std::to_string(keyBytes));
    }
}

// The HMAC implementation, fetched once: fetching looks it up among the
// library's providers, which costs more than a short code itself.
EVP_MAC* Hmac() {
    static EVP_MAC* const mac = EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (!mac) Fail("no HMAC");
    return mac;
}

} // namespace

TAesBlocks::TAesBlocks(const std::uint8_t* key, std::size_t keyBytes) {
    const EVP_CIPHER* cipher = AesEcb(keyBytes);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx) Fail("no cipher context");
    if (EVP_EncryptInit_ex(ctx, cipher, nullptr, key, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx, 0) != 1) {
        EVP_CIPHER_CTX_free(ctx);
        Fail("AES key set-up");
    }
    ctx_ = ctx;
}

TAesBlocks::~TAesBlocks() {
    EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(ctx_));
}

void TAesBlocks::Encrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    auto* ctx = static_cast<EVP_CIPHER_CTX*>(ctx_);
    // The library takes an int length: large runs go in pieces.
    constexpr std::size_t kMaxBlocks = 1 << 20;
    while (blocks > 0) {
        const std::size_t n = blocks < kMaxBlocks ? blocks : kMaxBlocks;
        int written = 0;
        if (EVP_EncryptUpdate(ctx, out, &written, in, static_cast<int>(n * kBlock)) != 1 ||
            written != static_cast<int>(n * kBlock))
            Fail("AES encryption");
        in += n * kBlock;
        out += n * kBlock;
        blocks -= n;
    }
}

THmacSha1::THmacSha1(const std::uint8_t* key, std::size_t keyBytes) {
    EVP_MAC_CTX* ctx = EVP_MAC_CTX_new(Hmac());
    if (!ctx) Fail("no HMAC context");
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_END};
    if (EVP_MAC_init(ctx, key, keyBytes, params) != 1) {
        EVP_MAC_CTX_free(ctx);
        Fail("HMAC-SHA1 key set-up");
    }
    ctx_ = ctx;
}

THmacSha1::~THmacSha1() {
    EVP_MAC_CTX_free(static_cast<EVP_MAC_CTX*>(ctx_));
}

void THmacSha1::Update(const std::uint8_t* data, std::size_t n) {
    if (n != 0 && EVP_MAC_update(static_cast<EVP_MAC_CTX*>(ctx_), data, n) != 1) Fail("HMAC-SHA1");
}

void THmacSha1::Final(std::uint8_t out[kSize]) {
    std::size_t written = 0;
    if (EVP_MAC_final(static_cast<EVP_MAC_CTX*>(ctx_), out, &written, kSize) != 1 ||
        written != kSize)
        Fail("HMAC-SHA1");
}

void Pbkdf2HmacSha1(std::string_view password, const std::uint8_t* salt, std::size_t saltBytes,
                    int iterations, std::uint8_t* out, std::size_t outBytes) {
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                          static_cast<int>(saltBytes), iterations, EVP_sha1(),
                          static_cast<int>(outBytes), out) != 1)
        Fail("PBKDF2-HMAC-SHA1");
}

} // namespace zipcrypto
