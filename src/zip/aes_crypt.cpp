#include "zip/aes_crypt.h"

#include "platform/codepage.h"
#include "platform/exception.h"
#include "zip/aes_extra.h"

#include <algorithm>
#include <cstring>

std::vector<TPassword> AesPasswordForms(std::string_view password) {
    // The conversions work on std::string; every one made is wiped.
    std::string held(password), ansi, asUtf8 = AnsiToUtf8(held);
    bool lossless = true;
    if (IsUtf8(held)) ansi = Utf8ToAnsi(held, &lossless);
    const bool utf8 = IsUtf8(held) && !lossless;
    std::vector<TPassword> forms;
    forms.reserve(3);
    forms.emplace_back(utf8 ? std::string_view(held) : std::string_view(asUtf8));
    for (const std::string_view other : {std::string_view(asUtf8), std::string_view(held)})
        if (std::find(forms.begin(), forms.end(), other) == forms.end()) forms.emplace_back(other);
    WipeString(held);
    WipeString(ansi);
    WipeString(asUtf8);
    return forms;
}

TAesKeys::~TAesKeys() {
    WipeBytes(CipherKey, sizeof CipherKey);
    WipeBytes(MacKey, sizeof MacKey);
    WipeBytes(Verifier, sizeof Verifier);
}

TAesKeys DeriveAesKeys(std::string_view password, const std::uint8_t* salt, std::size_t keyBytes) {
    if (keyBytes != 16 && keyBytes != 24 && keyBytes != 32)
        throw Exception("AES keys are 16, 24 or 32 bytes, not " + std::to_string(keyBytes));
    TAesKeys keys;
    keys.KeyBytes = keyBytes;
    std::uint8_t material[2 * 32 + kAesVerifierSize];
    const std::size_t size = 2 * keyBytes + kAesVerifierSize;
    zipcrypto::Pbkdf2HmacSha1(password, salt, keyBytes / 2, kAesIterations, material, size);
    std::memcpy(keys.CipherKey, material, keyBytes);
    std::memcpy(keys.MacKey, material + keyBytes, keyBytes);
    std::memcpy(keys.Verifier, material + 2 * keyBytes, kAesVerifierSize);
    WipeBytes(material, sizeof material);
    return keys;
}

TAesCtr::TAesCtr(const std::uint8_t* key, std::size_t keyBytes) : aes_(key, keyBytes) {}

TAesCtr::~TAesCtr() {
    WipeBytes(stream_, sizeof stream_);
}

void TAesCtr::Apply(std::uint8_t* data, std::size_t n) {
    while (n > 0) {
        if (used_ == have_) {
            // As many blocks as the data still needs, at most one batch: a
            // short member makes no more key stream than it uses.
            const std::size_t blocks = std::min(kBatch, (n + 15) / 16);
            for (std::size_t b = 0; b < blocks; ++b) {
                std::uint64_t counter = ++blocksMade_;
                std::uint8_t* block = stream_ + 16 * b;
                for (int i = 0; i < 8; ++i, counter >>= 8)
                    block[i] = static_cast<std::uint8_t>(counter);
                std::memset(block + 8, 0, 8);
            }
            aes_.Encrypt(stream_, stream_, blocks);
            used_ = 0;
            have_ = 16 * blocks;
        }
        const std::size_t take = std::min(n, have_ - used_);
        for (std::size_t i = 0; i < take; ++i)
            data[i] ^= stream_[used_ + i];
        used_ += take;
        data += take;
        n -= take;
    }
}

TAesMemberCipher::TAesMemberCipher(const TAesKeys& keys)
    : ctr_(keys.CipherKey, keys.KeyBytes), mac_(keys.MacKey, keys.KeyBytes) {}

void TAesMemberCipher::FinishCode(std::uint8_t code[10]) {
    std::uint8_t full[zipcrypto::THmacSha1::kSize];
    mac_.Final(full);
    std::memcpy(code, full, kAesCodeSize);
}
