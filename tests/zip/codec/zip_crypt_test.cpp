#include "zip/codec/crc32.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_crypt.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(ZipCrypt, EmptyPasswordLeavesTheInitialKeys) {
    TZipKeys k;
    k.Key0 = k.Key1 = k.Key2 = 7;
    k.InitKeys("");
    EXPECT_EQ(k.Key0, 0x12345678u);
    EXPECT_EQ(k.Key1, 0x23456789u);
    EXPECT_EQ(k.Key2, 0x34567890u);
}

TEST(ZipCrypt, KeyScheduleFollowsTheStirRule) {
    TZipKeys k;
    k.InitKeys("a");
    std::uint32_t k0 = CrcStep(0x12345678u, 'a');
    std::uint32_t k1 = (0x23456789u + (k0 & 0xFF)) * 134775813u + 1u;
    std::uint32_t k2 = CrcStep(0x34567890u, static_cast<std::uint8_t>(k1 >> 24));
    EXPECT_EQ(k.Key0, k0);
    EXPECT_EQ(k.Key1, k1);
    EXPECT_EQ(k.Key2, k2);
    std::uint32_t t = (k2 & 0xFFFF) | 2;
    EXPECT_EQ(k.DecryptByte(), static_cast<std::uint8_t>((t * (t ^ 1)) >> 8));
    EXPECT_EQ(k.Key2, k2); // DecryptByte leaves the keys alone
}

TEST(ZipCrypt, HeaderAndDataRoundTripAndTheCheckByteIsTheCrcTop) {
    const std::string plain = "Protected entry text";
    const std::uint32_t crc = Crc32Of(plain.data(), plain.size());
    std::uint8_t random[10];
    SecureRandomBytes(random, sizeof random);

    TZipKeys writer;
    std::uint8_t header[12];
    writer.MakeEncryptionHeader("Secret", crc, random, header);
    std::string data = plain;
    writer.EncryptBuffer(reinterpret_cast<std::uint8_t*>(data.data()), data.size());
    EXPECT_NE(data, plain);

    TMemoryStream archive(std::string(reinterpret_cast<char*>(header), 12) + data);
    TZipKeys reader;
    EXPECT_EQ(reader.DecryptHeader("Secret", archive), static_cast<std::uint8_t>(crc >> 24));
    EXPECT_EQ(ExpectedCheckByte(0, crc, 0), static_cast<std::uint8_t>(crc >> 24));
    std::string back = data;
    reader.DecryptBuffer(reinterpret_cast<std::uint8_t*>(back.data()), back.size());
    EXPECT_EQ(back, plain);
}

TEST(ZipCrypt, PasswordDifferingInCaseRarelyPassesTheCheck) {
    // Over many headers, "secret" passes the check of "Secret" about 1 in 256.
    int passes = 0;
    for (int i = 0; i < 512; ++i) {
        std::uint8_t random[10], header[12];
        SecureRandomBytes(random, sizeof random);
        std::uint32_t crc = 0x9E000000u + static_cast<std::uint32_t>(i);
        TZipKeys w;
        w.MakeEncryptionHeader("Secret", crc, random, header);
        TMemoryStream s(std::string(reinterpret_cast<char*>(header), 12));
        TZipKeys r;
        if (r.DecryptHeader("secret", s) == ExpectedCheckByte(0, crc, 0)) ++passes;
    }
    EXPECT_LT(passes, 12);
}

TEST(ZipCrypt, DataDescriptorMembersCheckTheTimeHighByte) {
    const std::uint32_t dateTime = 0x5A21BEEFu; // time 0xBEEF: high byte 0xBE
    EXPECT_EQ(ExpectedCheckByte(0x0008, 0x12345678u, dateTime), 0xBE);
    EXPECT_EQ(ExpectedCheckByte(0x0009, 0x12345678u, dateTime), 0xBE);
    EXPECT_EQ(ExpectedCheckByte(0x0001, 0x12345678u, dateTime), 0x12);
    EXPECT_EQ(ExpectedCheckByte(0x0001, 0, dateTime), 0); // a 0-byte member: CRC 0
}

TEST(ZipCrypt, HeadersDifferBetweenTwoWritesOfOneMember) {
    std::uint8_t r1[10], r2[10], h1[12], h2[12];
    SecureRandomBytes(r1, 10);
    SecureRandomBytes(r2, 10);
    TZipKeys a, b;
    a.MakeEncryptionHeader("pw", 0xABCDEF01u, r1, h1);
    b.MakeEncryptionHeader("pw", 0xABCDEF01u, r2, h2);
    EXPECT_NE(std::memcmp(h1, h2, 12), 0);
}

TEST(ZipCrypt, ShortHeaderRaisesAStreamError) {
    TMemoryStream s(std::string(5, 'x'));
    TZipKeys k;
    EXPECT_THROW(k.DecryptHeader("pw", s), EStreamError);
}
