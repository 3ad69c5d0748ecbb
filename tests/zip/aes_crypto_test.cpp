// The AES member format's building blocks against published vectors:
// PBKDF2-HMAC-SHA1 (RFC 6070), HMAC-SHA1 (RFC 2202), the AES block cipher
// (FIPS-197 appendix C) and counter mode (SP 800-38A F.5.5); then the
// format's own counter layout (little-endian block number from 1) and its
// extra-field record.
#include <gtest/gtest.h>

#include "platform/exception.h"
#include "zip/aes_crypt.h"
#include "zip/aes_extra.h"

#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Hex(const std::string& hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string ToHex(const std::uint8_t* p, std::size_t n) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (std::size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::vector<std::uint8_t> Bytes(const std::string& s) {
    return std::vector<std::uint8_t>(s.begin(), s.end());
}

} // namespace

TEST(AesPrimitives, Pbkdf2HmacSha1MatchesRfc6070) {
    struct Case {
        std::string password, salt;
        int iterations;
        std::string expected;
    };
    // The 16,777,216-iteration case is left out: it takes seconds and tests
    // nothing the 4,096-iteration ones do not.
    const Case cases[] = {
        {"password", "salt", 1, "0c60c80f961f0e71f3a9b524af6012062fe037a6"},
        {"password", "salt", 2, "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957"},
        {"password", "salt", 4096, "4b007901b765489abead49d926f721d065a429c1"},
        {"passwordPASSWORDpassword", "saltSALTsaltSALTsaltSALTsaltSALTsalt", 4096,
         "3d2eec4fe41c849b80c8d83662c0e44a8b291a964cf2f07038"},
        {std::string("pass\0word", 9), std::string("sa\0lt", 5), 4096,
         "56fa6aa75548099dcc37d7f03425e0c3"},
    };
    for (const Case& c : cases) {
        std::vector<std::uint8_t> out(c.expected.size() / 2);
        const auto salt = Bytes(c.salt);
        zipcrypto::Pbkdf2HmacSha1(c.password, salt.data(), salt.size(), c.iterations, out.data(),
                                  out.size());
        EXPECT_EQ(ToHex(out.data(), out.size()), c.expected) << c.password << " " << c.iterations;
    }
}

TEST(AesPrimitives, HmacSha1MatchesRfc2202InPieces) {
    const std::vector<std::uint8_t> key(20, 0x0b);
    zipcrypto::THmacSha1 mac(key.data(), key.size());
    mac.Update(reinterpret_cast<const std::uint8_t*>("Hi "), 3);
    mac.Update(reinterpret_cast<const std::uint8_t*>("There"), 5);
    std::uint8_t code[20];
    mac.Final(code);
    EXPECT_EQ(ToHex(code, 20), "b617318655057264e28bc0b6fb378c8ef146be00");

    const auto jefe = Bytes("Jefe");
    const auto text = Bytes("what do ya want for nothing?");
    zipcrypto::THmacSha1 second(jefe.data(), jefe.size());
    second.Update(text.data(), text.size());
    second.Final(code);
    EXPECT_EQ(ToHex(code, 20), "effcdf6ae5eb2fa2d27416d5f184df9c259a7c79");
}

TEST(AesPrimitives, BlockCipherMatchesFips197AndCounterModeSp800_38a) {
    const auto plain = Hex("00112233445566778899aabbccddeeff");
    const std::pair<std::string, std::string> fips[] = {
        {"000102030405060708090a0b0c0d0e0f", "69c4e0d86a7b0430d8cdb78070b4c55a"},
        {"000102030405060708090a0b0c0d0e0f1011121314151617", "dda97ca4864cdfe06eaf70a0ec0d7191"},
        {"000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
         "8ea2b7ca516745bfeafc49904b496089"},
    };
    for (const auto& [key, expected] : fips) {
        const auto k = Hex(key);
        zipcrypto::TAesBlocks aes(k.data(), k.size());
        std::uint8_t out[16];
        aes.Encrypt(plain.data(), out, 1);
        EXPECT_EQ(ToHex(out, 16), expected) << key.size() * 4 << " bits";
    }

    // Counter mode from the block cipher: the key stream is the cipher of
    // the counter blocks, XORed with the text.
    const auto key = Hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
    auto blocks = Hex("f0f1f2f3f4f5f6f7f8f9fafbfcfdfeff"
                      "f0f1f2f3f4f5f6f7f8f9fafbfcfdff00"
                      "f0f1f2f3f4f5f6f7f8f9fafbfcfdff01"
                      "f0f1f2f3f4f5f6f7f8f9fafbfcfdff02");
    auto text = Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                    "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
    zipcrypto::TAesBlocks aes(key.data(), key.size());
    aes.Encrypt(blocks.data(), blocks.data(), 4);
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] ^= blocks[i];
    EXPECT_EQ(ToHex(text.data(), text.size()),
              "601ec313775789a5b7a7f504bbf3d228f443e3ca4d62b59aca84e990cacaf5c5"
              "2b0930daa23de94ce87017ba2d84988ddfc9c58db67aada613c2dd08457941a6");

    EXPECT_THROW(zipcrypto::TAesBlocks bad(key.data(), 20), Exception);
}

TEST(AesFormat, CounterIsLittleEndianFromOneAndGoesOnAcrossPieces) {
    const auto key = Hex("000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f");
    // The key stream of blocks 1, 2 and 256 (counter bytes 01 00.., 02 00..,
    // 00 01 00..), made with the openssl command over those counter blocks.
    std::vector<std::uint8_t> zeros(256 * 16, 0);
    TAesCtr ctr(key.data(), key.size());
    ctr.Apply(zeros.data(), zeros.size());
    EXPECT_EQ(ToHex(zeros.data(), 16), "c7b519846a11411cd6ac07cb03f801a8");
    EXPECT_EQ(ToHex(zeros.data() + 16, 16), "4ef4b88bebd54953c37ffaf66efaca7b");
    EXPECT_EQ(ToHex(zeros.data() + 255 * 16, 16), "05d9592cefc7834bf69776614868a151");

    // Pieces of odd sizes, crossing blocks and batches, give the same
    // stream as one call: a member is encrypted chunk by chunk.
    std::vector<std::uint8_t> pieces(256 * 16, 0);
    TAesCtr again(key.data(), key.size());
    std::size_t at = 0;
    for (std::size_t n : {1u, 15u, 17u, 3000u, 5u}) {
        again.Apply(pieces.data() + at, n);
        at += n;
    }
    again.Apply(pieces.data() + at, pieces.size() - at);
    EXPECT_EQ(pieces, zeros);
}

TEST(AesFormat, RecordIsFoundAmongOtherRecordsAndRefusedWhenMalformed) {
    std::uint8_t record[kAesExtraSize];
    PutAesExtra(TAesExtra{1, 2, 0}, record);
    EXPECT_EQ(ToHex(record, sizeof record), "0199070001004145020000");
    // A time record before it, as other programs write.
    std::vector<std::uint8_t> field = Hex("0a00040001020304");
    field.insert(field.end(), record, record + sizeof record);
    const auto found = FindAesExtra(field.data(), field.size());
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, (TAesExtra{1, 2, 0}));
    EXPECT_EQ(found->KeyBytes(), 24u);
    EXPECT_EQ(found->SaltBytes(), 12u);
    EXPECT_TRUE(found->ChecksCrc());

    EXPECT_FALSE(FindAesExtra(field.data(), field.size() - 1)); // cut short
    auto wrongVendor = field;
    wrongVendor[8 + 6] = 'X';
    EXPECT_FALSE(FindAesExtra(wrongVendor.data(), wrongVendor.size()));
    auto wrongSize = Hex("019906000200414503");
    EXPECT_FALSE(FindAesExtra(wrongSize.data(), wrongSize.size()));
    auto overlong = Hex("0a00ff00");
    EXPECT_FALSE(FindAesExtra(overlong.data(), overlong.size()));
    EXPECT_EQ((TAesExtra{2, 4, 8}).KeyBytes(), 0u); // no such strength
}

TEST(AesFormat, PasswordsAreKeyedInUtf8AndReadersTryTheOtherForms) {
    using Forms = std::vector<std::string>;
    const auto forms = [](std::string_view password) {
        Forms held;
        for (const TPassword& form : AesPasswordForms(password))
            held.emplace_back(form.View());
        return held;
    };
    EXPECT_EQ(forms("secret"), Forms{"secret"});
    EXPECT_EQ(forms(""), Forms{""});
    // Held in windows-1252: keyed as UTF-8, its own bytes tried after.
    EXPECT_EQ(forms("\xE9t\xE9"), (Forms{"\xC3\xA9t\xC3\xA9", "\xE9t\xE9"}));
    // Held in UTF-8 because windows-1252 lacks the omega: keyed as held.
    EXPECT_EQ(forms("\xCE\xA9x"), (Forms{"\xCE\xA9x", "\xC3\x8E\xC2\xA9x"}));
    // "Å‘" in windows-1252 reads as UTF-8 "ő": both meanings are tried.
    EXPECT_EQ(forms("\xC5\x91"), (Forms{"\xC5\x91", "\xC3\x85\xE2\x80\x98"}));
}
