// AES members through the engine: what the writer stores, the password
// flow, the authentication code catching any change, AE-1 members, and
// saves that copy AES members beside traditional ones.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "writer_test_support.h"
#include "zip/aes_extra.h"
#include "zip/codec/crc32.h"
#include "zip/exceptions.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using namespace writertest;

namespace {

// Long enough to be deflated rather than stored.
const std::string kEntry = "{\\rtf1\\ansi Rain all day; wrote the letter to Anna.\\par "
                           "Rain all day again; the letter to Anna is still here.\\par }";

class AesMemberTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string zip = dir.file("Daybank.zip");

    // Writes `data` as `name` with the password and cipher given.
    void Add(const std::string& name, const std::string& data, const std::string& password,
             TZipCipher cipher = zcAes256, int level = 9) {
        TZipWriter w;
        w.SetZipName(zip);
        w.SetStorePaths(true);
        w.SetPackLevel(level);
        w.ZipPassword = password;
        w.Cipher = cipher;
        TMemoryStream s(data);
        ASSERT_EQ(w.AddFromStream(&s, name), 1);
    }
    // The member's bytes, or "" when it did not come out whole.
    std::string Extract(TZipReader& r, const std::string& name) {
        r.SetZipName(zip);
        TMemoryStream out;
        if (r.ExtractToStream(&out, name) != 1) {
            EXPECT_EQ(out.Size(), 0) << "a failed member left bytes behind";
            return std::string();
        }
        return out.ToString();
    }
    // Changes one byte of the archive at `offset` (XOR with `bits`).
    void Flip(std::size_t offset, std::uint8_t bits) {
        std::string bytes = ReadFile(zip);
        bytes[offset] = static_cast<char>(bytes[offset] ^ bits);
        WriteFile(zip, bytes);
    }
    // Where the member's data (after its local header) starts in the file.
    std::size_t DataOffset(const TRawMember& m) const {
        return m.localOffset + 30 + m.name.size() + m.localExtra.size();
    }
};

std::string Record(std::uint16_t version, std::uint8_t strength, std::uint16_t method) {
    std::uint8_t r[kAesExtraSize];
    PutAesExtra(TAesExtra{version, strength, method}, r);
    return std::string(reinterpret_cast<char*>(r), sizeof r);
}

} // namespace

TEST_F(AesMemberTest, WriterStoresAnAe2Aes256MemberThatReadsBack) {
    Add("2001\\3\\Week3\\15.rtf", kEntry, "s3cret");
    Add("empty.rtf", "", "s3cret", zcAes256, 0);
    const TRawArchive raw = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(raw.members.size(), 2u);
    const TRawMember& m = raw.members[0];
    EXPECT_TRUE(m.localAgrees);
    EXPECT_EQ(m.method, kAesMethod);
    EXPECT_EQ(m.flags, 1 | 2); // encrypted, deflated at level 9
    EXPECT_EQ(m.versionNeeded, 51);
    EXPECT_EQ(m.crc, 0u); // AE-2 gives nothing of the text away
    EXPECT_EQ(m.localExtra, Record(2, 3, 8));
    EXPECT_EQ(m.centralExtra, Record(2, 3, 8));
    EXPECT_EQ(m.uncompressedSize, kEntry.size());
    // Salt 16, verifier 2, the data, code 10; the text is nowhere in clear.
    EXPECT_GT(m.compressedSize, 28u);
    EXPECT_EQ(m.data.find("Anna"), std::string::npos);
    // An empty member stored: its record says method 0 and it has no data.
    EXPECT_EQ(raw.members[1].localExtra, Record(2, 3, 0));
    EXPECT_EQ(raw.members[1].compressedSize, 28u);

    TZipReader r;
    r.ZipPassword = "s3cret";
    EXPECT_EQ(Extract(r, "2001\\3\\Week3\\15.rtf"), kEntry);
    EXPECT_EQ(r.LastCipher(), zcAes256);
    EXPECT_EQ(r.Member(0).Cipher(), zcAes256);
    EXPECT_EQ(Extract(r, "empty.rtf"), "");
    EXPECT_EQ(r.LastCipher(), zcAes256);
}

TEST_F(AesMemberTest, EveryMemberGetsItsOwnSaltSoSameTextNeverEncryptsTheSame) {
    Add("a.rtf", kEntry, "pw");
    Add("b.rtf", kEntry, "pw");
    const TRawArchive raw = ReadRawArchive(ReadFile(zip));
    const std::string &a = raw.members[0].data, &b = raw.members[1].data;
    EXPECT_NE(a.substr(0, 16), b.substr(0, 16));
    EXPECT_NE(a.substr(18), b.substr(18));
}

TEST_F(AesMemberTest, WrongPasswordIsTurnedAwayByTheVerifierThroughTheUsualHandler) {
    Add("day.rtf", kEntry, "right");
    TZipReader r;
    r.ZipPassword = "wrong";
    bool decoded = false;
    r.OnFilePercentDone = [&](TZipReader&, int) { decoded = true; };
    // No handler: given up with reason 0, nothing decoded, no exception.
    std::vector<TSkipReason> skips;
    r.OnSkippingFile = [&](TZipReader&, TSkipReason why, const std::string&, int, bool&) {
        skips.push_back(why);
    };
    EXPECT_EQ(Extract(r, "day.rtf"), "");
    EXPECT_EQ(skips, std::vector<TSkipReason>{srBadPassword});
    EXPECT_FALSE(decoded);

    // The handler's answers in turn: the same wrong one ends it; a new wrong
    // one then the right one gets the member in the same call.
    std::vector<std::string> answers = {"also wrong", "right"};
    int asked = 0;
    r.OnBadPassword = [&](TZipReader&, int, TPassword& password) {
        password = answers[static_cast<std::size_t>(asked++)];
    };
    EXPECT_EQ(Extract(r, "day.rtf"), kEntry);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(r.ZipPassword, "right");
    EXPECT_EQ(r.LastCipher(), zcAes256);

    r.ZipPassword = "wrong";
    r.OnBadPassword = [](TZipReader&, int, TPassword&) {}; // gives the same back
    skips.clear();
    EXPECT_EQ(Extract(r, "day.rtf"), "");
    EXPECT_EQ(skips.size(), 1u);
    EXPECT_EQ(r.LastCipher(), zcNone);
}

TEST_F(AesMemberTest, AnyChangedBitOfTheDataOrCodeIsDamagedOrAlteredNeverData) {
    const std::string text(3000, 'x');
    Add("day.rtf", text, "pw");
    const std::string original = ReadFile(zip);
    const TRawMember m = ReadRawArchive(original).members[0];
    const std::size_t data = DataOffset(m);
    // First and last byte of the encrypted data, and the code's last byte.
    for (std::size_t at : {data + 18, data + m.compressedSize - 11, data + m.compressedSize - 1}) {
        WriteFile(zip, original);
        Flip(at, 0x10);
        TZipReader r;
        r.ZipPassword = "pw";
        bool ended = false;
        r.OnEndUnZip = [&](TZipReader&, int, const std::string&) { ended = true; };
        r.SetZipName(zip);
        TMemoryStream out;
        try {
            r.ExtractToStream(&out, "day.rtf");
            ADD_FAILURE() << "byte " << at << " changed, yet the member came out";
        } catch (const EAlteredMember& e) {
            EXPECT_EQ(e.Message(), "The encrypted member is damaged or altered");
        }
        EXPECT_EQ(out.Size(), 0);
        EXPECT_FALSE(ended);
    }

    // A run over several members reports the altered one and goes on.
    WriteFile(zip, original);
    Add("next.rtf", "fine", "pw");
    Flip(data + 40, 1);
    TZipReader r;
    r.ZipPassword = "pw";
    r.SetZipName(zip);
    r.OpenArchive();
    TMemoryStream out;
    std::vector<std::string> results;
    r.ExtractEachToStream(out, {0, 1}, [&](int, bool whole, const std::string& error) {
        results.push_back(whole ? "whole" : error);
    });
    EXPECT_EQ(results,
              (std::vector<std::string>{"The encrypted member is damaged or altered", "whole"}));
}

TEST_F(AesMemberTest, ShortMembersAreAlteredAndUnknownStrengthsUnknownMethods) {
    Add("day.rtf", kEntry, "pw");
    std::string bytes = ReadFile(zip);
    const TRawArchive raw = ReadRawArchive(bytes);
    // The central compressed size cut to 20: less than salt, verifier and code.
    const std::size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    bytes[central + 20] = 20;
    bytes[central + 21] = bytes[central + 22] = bytes[central + 23] = 0;
    WriteFile(zip, bytes);
    TZipReader r;
    r.ZipPassword = "pw";
    r.SetZipName(zip);
    TMemoryStream out;
    EXPECT_THROW(r.ExtractToStream(&out, "day.rtf"), EAlteredMember);

    // An unknown strength in both records: no AES member this reader knows,
    // so one of an unknown method (here encrypted: it fails the traditional
    // cipher's check), as method 99 was before; no exception.
    bytes = ReadFile(zip);
    for (std::size_t at = bytes.find("AE\x03"); at != std::string::npos;
         at = bytes.find("AE\x03", at + 1))
        bytes[at + 2] = 7;
    bytes[central + 20] = static_cast<char>(raw.members[0].compressedSize & 0xFF);
    WriteFile(zip, bytes);
    TZipReader fresh;
    fresh.ZipPassword = "pw";
    fresh.SetZipName(zip);
    EXPECT_EQ(fresh.ExtractToStream(&out, "day.rtf"), 0);
    EXPECT_EQ(out.Size(), 0);
}

TEST_F(AesMemberTest, Ae1MembersHaveTheirCrcChecked) {
    Add("day.rtf", kEntry, "pw");
    // Made AE-1 in place: version 1 in both records and the text's CRC in
    // both headers, as programs write longer AE-1 members.
    std::string bytes = ReadFile(zip);
    const std::string ae2 = Record(2, 3, 8), ae1 = Record(1, 3, 8);
    for (std::size_t at = bytes.find(ae2); at != std::string::npos; at = bytes.find(ae2, at + 1))
        bytes.replace(at, ae1.size(), ae1);
    const std::uint32_t crc = Crc32Of(kEntry.data(), kEntry.size());
    auto putCrc = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<char>(v >> (8 * i));
    };
    const std::size_t central = bytes.rfind(std::string("PK\x01\x02", 4));
    putCrc(14, crc);
    putCrc(central + 16, crc);
    WriteFile(zip, bytes);
    TZipReader r;
    r.ZipPassword = "pw";
    EXPECT_EQ(Extract(r, "day.rtf"), kEntry);

    // A CRC that does not match, though the code does: altered, not data.
    putCrc(14, crc ^ 1);
    putCrc(central + 16, crc ^ 1);
    WriteFile(zip, bytes);
    TZipReader again;
    again.ZipPassword = "pw";
    again.SetZipName(zip);
    TMemoryStream out;
    EXPECT_THROW(again.ExtractToStream(&out, "day.rtf"), EAlteredMember);
    EXPECT_EQ(out.Size(), 0);
}

TEST_F(AesMemberTest, SavesKeepAesMembersByteForByteBesideTraditionalAndPlainOnes) {
    Add("aes.rtf", kEntry, "pw");
    Add("traditional.rtf", kEntry, "pw", zcTraditional);
    Add("plain.rtf", kEntry, "");
    const TRawArchive before = ReadRawArchive(ReadFile(zip));
    EXPECT_EQ(before.members[1].method, 8);
    EXPECT_EQ(before.members[1].flags & 1, 1);
    EXPECT_TRUE(before.members[1].localExtra.empty());

    // Another writer (no cached directory: the old local headers are read),
    // then the same one again (its own directory cached).
    Add("later.rtf", "new day", "");
    TZipWriter w;
    w.SetZipName(zip);
    for (const char* text : {"one", "two"}) {
        TMemoryStream s{std::string(text)};
        ASSERT_EQ(w.AddFromStream(&s, "plain.rtf"), 1);
    }
    const TRawArchive after = ReadRawArchive(ReadFile(zip));
    ASSERT_EQ(after.members.size(), 4u);
    for (int i : {0, 1}) {
        const TRawMember &a = after.members[static_cast<std::size_t>(i)],
                         &b = before.members[static_cast<std::size_t>(i)];
        EXPECT_TRUE(a.localAgrees) << a.name;
        EXPECT_EQ(a.data, b.data) << a.name;
        EXPECT_EQ(a.localExtra, b.localExtra) << a.name;
        EXPECT_EQ(a.centralExtra, b.centralExtra) << a.name;
        EXPECT_EQ(a.method, b.method) << a.name;
    }
    TZipReader r;
    r.ZipPassword = "pw";
    EXPECT_EQ(Extract(r, "aes.rtf"), kEntry);
    EXPECT_EQ(Extract(r, "traditional.rtf"), kEntry);
    EXPECT_EQ(r.LastCipher(), zcTraditional);
    EXPECT_EQ(Extract(r, "plain.rtf"), "two");
    EXPECT_EQ(r.LastCipher(), zcNone);

    // Storing the traditional entry again with AES re-encrypts it; the
    // choice is per member written.
    Add("traditional.rtf", kEntry, "pw", zcAes256);
    EXPECT_EQ(ReadRawArchive(ReadFile(zip)).members[1].method, kAesMethod);
    EXPECT_EQ(Extract(r, "traditional.rtf"), kEntry);
    EXPECT_EQ(r.LastCipher(), zcAes256);
}

TEST_F(AesMemberTest, OnlyTraditionalAndAes256AreWritten) {
    TZipWriter w;
    w.SetZipName(zip);
    w.ZipPassword = "pw";
    w.Cipher = zcAes128;
    TMemoryStream s(kEntry);
    EXPECT_THROW(w.AddFromStream(&s, "day.rtf"), Exception);
    EXPECT_FALSE(testsupport::FileExists(zip));
    // Without a password the cipher plays no part.
    w.ZipPassword.clear();
    EXPECT_EQ(w.AddFromStream(&s, "day.rtf"), 1);
    EXPECT_EQ(ReadRawArchive(ReadFile(zip)).members[0].method, 8);
}
