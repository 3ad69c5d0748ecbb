// The AES member format's cryptography, built on the primitives of
// crypto_primitives.h.
//
// An AES member's data (counted in its compressed size) is:
//
//   salt (8, 12 or 16 bytes: half the key's length), from the system's
//        secure random source, new for every member written;
//   password verifier (2 bytes);
//   the compressed data, encrypted with AES in counter mode;
//   authentication code (10 bytes): the first 10 bytes of HMAC-SHA1 over
//        the encrypted data.
//
// Keys: PBKDF2-HMAC-SHA1 of the password and the salt, 1000 iterations,
// gives key length × 2 + 2 bytes: the AES key, the HMAC key and the
// verifier, in that order. The verifier lets a reader turn a wrong password
// away before decrypting anything (one wrong password in 65,536 passes it,
// and then fails the authentication code).
//
// Counter mode as the format uses it: the key stream is AES of a 16-byte
// counter block whose first 8 bytes hold the block number little-endian,
// starting at 1, the other 8 bytes zero; data is XORed with it. A new salt
// for every member gives a new key, so a counter that starts at 1 every
// time never repeats a key stream.
#pragma once

#include "platform/password.h"
#include "zip/crypto_primitives.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// The byte strings an AES member's keys may be made from, for a password
// held as the engine holds it (windows-1252 when every character has a code
// there, else UTF-8). Other programs key AES members with the UTF-8 form of
// the password, so the first form is that: the held bytes when they are
// UTF-8 with a character windows-1252 lacks, else the windows-1252 text in
// UTF-8. It is what the writer uses. A reader tries the others after it,
// when they differ: the windows-1252 text in UTF-8 (for the rare password
// whose windows-1252 bytes read as such UTF-8), then the held bytes as they
// are (as a program keying with the bytes of a windows-1252 locale would).
std::vector<TPassword> AesPasswordForms(std::string_view password);

struct TAesKeys {
    std::size_t KeyBytes = 0; // 16, 24 or 32
    std::uint8_t CipherKey[32] = {};
    std::uint8_t MacKey[32] = {};
    std::uint8_t Verifier[2] = {};
    // The keys open the member: wiped when they go.
    TAesKeys() = default;
    TAesKeys(const TAesKeys&) = default;
    TAesKeys& operator=(const TAesKeys&) = default;
    ~TAesKeys();
};

// The keys for a password (its bytes as held) and a salt of keyBytes / 2
// bytes. Exception for a key length other than 16, 24 or 32.
TAesKeys DeriveAesKeys(std::string_view password, const std::uint8_t* salt, std::size_t keyBytes);

// The format's counter mode: XORs data with the key stream, which goes on
// from call to call, so a member may be handled in pieces of any size.
class TAesCtr {
public:
    TAesCtr(const std::uint8_t* key, std::size_t keyBytes);
    ~TAesCtr();
    TAesCtr(const TAesCtr&) = delete;
    TAesCtr& operator=(const TAesCtr&) = delete;
    void Apply(std::uint8_t* data, std::size_t n);

private:
    static constexpr std::size_t kBatch = 256; // blocks of key stream made at once
    zipcrypto::TAesBlocks aes_;
    std::uint64_t blocksMade_ = 0;
    std::uint8_t stream_[kBatch * 16];
    std::size_t used_ = 0, have_ = 0; // bytes of stream_ used, made
};

// One member's cipher: counter mode and the authentication code, keyed
// from TAesKeys.
class TAesMemberCipher {
public:
    explicit TAesMemberCipher(const TAesKeys& keys);
    // Writing: encrypts in place, then takes the encrypted bytes into the code.
    void Encrypt(std::uint8_t* data, std::size_t n) {
        ctr_.Apply(data, n);
        mac_.Update(data, n);
    }
    // Reading: takes encrypted bytes into the code only.
    void Authenticate(const std::uint8_t* data, std::size_t n) { mac_.Update(data, n); }
    // Reading, after the code has vouched for the data: decrypts in place.
    void Decrypt(std::uint8_t* data, std::size_t n) { ctr_.Apply(data, n); }
    // The authentication code of the bytes taken in; once only.
    void FinishCode(std::uint8_t code[10]);

private:
    TAesCtr ctr_;
    zipcrypto::THmacSha1 mac_;
};
