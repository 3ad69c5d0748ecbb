#include "zip/crypto_primitives.h"

#include "platform/exception.h"

#include <dlfcn.h>
#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/params.h>

namespace zipcrypto {

namespace {

// The library is loaded at its first use, not when the program starts:
// most runs never meet an AES member (a save of an unprotected entry, a
// diary kept with the traditional cipher), and loading and relocating the
// library costs about a millisecond, a twentieth of a whole one-entry save
// by the command-line tool. The headers still give every function's type,
// so a call through the table is checked as a direct call would be.
struct TLibCrypto {
#define DAYSCRIB_CRYPTO_FUNCTIONS(X)                                                               \
    X(ERR_get_error)                                                                               \
    X(ERR_error_string_n)                                                                          \
    X(ERR_clear_error)                                                                             \
    X(EVP_aes_128_ecb)                                                                             \
    X(EVP_aes_192_ecb)                                                                             \
    X(EVP_aes_256_ecb)                                                                             \
    X(EVP_sha1)                                                                                    \
    X(EVP_CIPHER_CTX_new)                                                                          \
    X(EVP_CIPHER_CTX_free)                                                                         \
    X(EVP_CIPHER_CTX_set_padding)                                                                  \
    X(EVP_EncryptInit_ex)                                                                          \
    X(EVP_EncryptUpdate)                                                                           \
    X(EVP_MAC_fetch)                                                                               \
    X(EVP_MAC_CTX_new)                                                                             \
    X(EVP_MAC_CTX_free)                                                                            \
    X(EVP_MAC_init)                                                                                \
    X(EVP_MAC_update)                                                                              \
    X(EVP_MAC_final)                                                                               \
    X(OSSL_PARAM_construct_utf8_string)                                                            \
    X(OSSL_PARAM_construct_end)                                                                    \
    X(PKCS5_PBKDF2_HMAC)
#define DAYSCRIB_CRYPTO_POINTER(name) decltype(&::name) name = nullptr;
    DAYSCRIB_CRYPTO_FUNCTIONS(DAYSCRIB_CRYPTO_POINTER)
#undef DAYSCRIB_CRYPTO_POINTER
    std::string Error; // why the library could not be used; empty when it can
};

TLibCrypto Load() {
    TLibCrypto lib;
    void* handle = ::dlopen(DAYSCRIB_LIBCRYPTO, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = ::dlerror();
        lib.Error = std::string(DAYSCRIB_LIBCRYPTO " could not be loaded: ") + (why ? why : "");
        return lib;
    }
    // Never closed: keys and contexts made from it live until the program ends.
#define DAYSCRIB_CRYPTO_RESOLVE(name)                                                              \
    lib.name = reinterpret_cast<decltype(&::name)>(::dlsym(handle, #name));                        \
    if (!lib.name && lib.Error.empty()) lib.Error = DAYSCRIB_LIBCRYPTO " lacks " #name;
    DAYSCRIB_CRYPTO_FUNCTIONS(DAYSCRIB_CRYPTO_RESOLVE)
#undef DAYSCRIB_CRYPTO_RESOLVE
    return lib;
}

// The library's functions; Exception when it cannot be loaded.
const TLibCrypto& Lib() {
    static const TLibCrypto lib = Load();
    if (!lib.Error.empty()) throw Exception("The cryptographic library failed: " + lib.Error);
    return lib;
}

[[noreturn]] void Fail(const char* what) {
    const TLibCrypto& lib = Lib();
    const unsigned long code = lib.ERR_get_error();
    char reason[256] = "no reason given";
    if (code != 0) lib.ERR_error_string_n(code, reason, sizeof reason);
    lib.ERR_clear_error();
    throw Exception(std::string("The cryptographic library failed: ") + what + " (" + reason + ")");
}

const EVP_CIPHER* AesEcb(std::size_t keyBytes) {
    switch (keyBytes) {
    case 16:
        return Lib().EVP_aes_128_ecb();
    case 24:
        return Lib().EVP_aes_192_ecb();
    case 32:
        return Lib().EVP_aes_256_ecb();
    default:
        throw Exception("AES keys are 16, 24 or 32 bytes, not " + std::to_string(keyBytes));
    }
}

// The HMAC implementation, fetched once: fetching looks it up among the
// library's providers, which costs more than a short code itself.
EVP_MAC* Hmac() {
    static EVP_MAC* const mac = Lib().EVP_MAC_fetch(nullptr, "HMAC", nullptr);
    if (!mac) Fail("no HMAC");
    return mac;
}

} // namespace

TAesBlocks::TAesBlocks(const std::uint8_t* key, std::size_t keyBytes) {
    const EVP_CIPHER* cipher = AesEcb(keyBytes);
    EVP_CIPHER_CTX* ctx = Lib().EVP_CIPHER_CTX_new();
    if (!ctx) Fail("no cipher context");
    if (Lib().EVP_EncryptInit_ex(ctx, cipher, nullptr, key, nullptr) != 1 ||
        Lib().EVP_CIPHER_CTX_set_padding(ctx, 0) != 1) {
        Lib().EVP_CIPHER_CTX_free(ctx);
        Fail("AES key set-up");
    }
    ctx_ = ctx;
}

TAesBlocks::~TAesBlocks() {
    Lib().EVP_CIPHER_CTX_free(static_cast<EVP_CIPHER_CTX*>(ctx_));
}

void TAesBlocks::Encrypt(const std::uint8_t* in, std::uint8_t* out, std::size_t blocks) {
    auto* ctx = static_cast<EVP_CIPHER_CTX*>(ctx_);
    // The library takes an int length: large runs go in pieces.
    constexpr std::size_t kMaxBlocks = 1 << 20;
    while (blocks > 0) {
        const std::size_t n = blocks < kMaxBlocks ? blocks : kMaxBlocks;
        int written = 0;
        if (Lib().EVP_EncryptUpdate(ctx, out, &written, in, static_cast<int>(n * kBlock)) != 1 ||
            written != static_cast<int>(n * kBlock))
            Fail("AES encryption");
        in += n * kBlock;
        out += n * kBlock;
        blocks -= n;
    }
}

THmacSha1::THmacSha1(const std::uint8_t* key, std::size_t keyBytes) {
    EVP_MAC_CTX* ctx = Lib().EVP_MAC_CTX_new(Hmac());
    if (!ctx) Fail("no HMAC context");
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {
        Lib().OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
        Lib().OSSL_PARAM_construct_end()};
    if (Lib().EVP_MAC_init(ctx, key, keyBytes, params) != 1) {
        Lib().EVP_MAC_CTX_free(ctx);
        Fail("HMAC-SHA1 key set-up");
    }
    ctx_ = ctx;
}

THmacSha1::~THmacSha1() {
    Lib().EVP_MAC_CTX_free(static_cast<EVP_MAC_CTX*>(ctx_));
}

void THmacSha1::Update(const std::uint8_t* data, std::size_t n) {
    if (n != 0 && Lib().EVP_MAC_update(static_cast<EVP_MAC_CTX*>(ctx_), data, n) != 1)
        Fail("HMAC-SHA1");
}

void THmacSha1::Final(std::uint8_t out[kSize]) {
    std::size_t written = 0;
    if (Lib().EVP_MAC_final(static_cast<EVP_MAC_CTX*>(ctx_), out, &written, kSize) != 1 ||
        written != kSize)
        Fail("HMAC-SHA1");
}

void Pbkdf2HmacSha1(std::string_view password, const std::uint8_t* salt, std::size_t saltBytes,
                    int iterations, std::uint8_t* out, std::size_t outBytes) {
    if (Lib().PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt,
                                static_cast<int>(saltBytes), iterations, Lib().EVP_sha1(),
                                static_cast<int>(outBytes), out) != 1)
        Fail("PBKDF2-HMAC-SHA1");
}

} // namespace zipcrypto
