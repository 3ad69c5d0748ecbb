#include "platform/codepage.h"
#include "zip/dos_time.h"
#include "zip/exceptions.h"
#include "zip/zip_header.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

TZipHeaderInfo SampleHeader() {
    TZipHeaderInfo h;
    h.SetDirectory("2001\\January\\Week1");
    h.SetFileName("1.rtf");
    h.Flags = 2;
    h.DateTime = 0x2B2F6A5B;
    h.CRC = 0x12345678;
    h.CompressedSize = 100;
    h.UncompressedSize = 300;
    h.LocalOffset = 0x10;
    return h;
}

} // namespace

TEST(ZipHeader, ClearDefaults) {
    TZipHeaderInfo h = SampleHeader();
    h.SetComment(std::string("x"));
    h.Matched = true;
    h.Clear();
    EXPECT_EQ(h.VersionMadeBy, 20);
    EXPECT_EQ(h.VersionNeeded, 20);
    EXPECT_EQ(h.Flags, 0);
    EXPECT_EQ(h.Method, 8);
    EXPECT_EQ(h.DateTime, 0u);
    EXPECT_EQ(h.CRC, 0xFFFFFFFFu);
    EXPECT_EQ(h.CompressedSize, 0);
    EXPECT_EQ(h.UncompressedSize, 0);
    EXPECT_EQ(h.NameLength, 0);
    EXPECT_EQ(h.CentralExtraLength + h.LocalExtraLength + h.CommentLength + h.DiskStart, 0);
    EXPECT_EQ(h.InternalAttributes, 1);
    EXPECT_EQ(h.ExternalAttributes, 0x20u);
    EXPECT_EQ(h.LocalOffset + h.CentralOffset, 0u);
    EXPECT_EQ(h.FileName(), "");
    EXPECT_EQ(h.Directory(), "");
    EXPECT_FALSE(h.FileComment().has_value());
    EXPECT_FALSE(h.Matched);
}

TEST(ZipHeader, NamesAndTheirLength) {
    TZipHeaderInfo h = SampleHeader();
    EXPECT_EQ(h.Directory(), "2001\\January\\Week1\\");
    EXPECT_EQ(h.FileName(), "1.rtf");
    EXPECT_EQ(h.NameLength, 24);
    EXPECT_EQ(h.StoredName(), "2001/January/Week1/1.rtf");
    EXPECT_EQ(h.LocalSize(), 54u);
    EXPECT_EQ(h.CentralSize(), 70u);
    h.SetDirectory("");
    EXPECT_EQ(h.NameLength, 5);
    h.SetName("Template.rtf");
    EXPECT_EQ(h.Directory(), "");
    EXPECT_EQ(h.FileName(), "Template.rtf");
    h.SetName("C:x.rtf"); // a ":" splits too
    EXPECT_EQ(h.Directory(), "C:");
    EXPECT_EQ(h.FileName(), "x.rtf");
    EXPECT_EQ(h.NameLength, 7);
    h.SetName("2001\\");
    EXPECT_TRUE(h.IsFolder());
}

TEST(ZipHeader, FlagsAndComment) {
    TZipHeaderInfo h;
    h.Flags = 9;
    EXPECT_TRUE(h.IsEncrypted());
    EXPECT_TRUE(h.HasDataDescriptor());
    h.Flags = 2;
    EXPECT_FALSE(h.IsEncrypted() || h.HasDataDescriptor());
    EXPECT_FALSE(h.HasComment());
    h.SetComment(std::string("a\0b", 3)); // raw bytes, NUL included
    EXPECT_EQ(h.CommentLength, 3);
    EXPECT_TRUE(h.HasComment());
    h.SetComment(std::string(70000, 'c'));
    EXPECT_EQ(h.CommentLength, 65535);
    h.SetComment(std::nullopt);
    EXPECT_EQ(h.CommentLength, 0);
    EXPECT_FALSE(h.FileComment());
}

TEST(ZipHeader, AssignCopiesEverything) {
    TZipHeaderInfo a = SampleHeader();
    a.SetComment(std::string("note"));
    a.Matched = true;
    TZipHeaderInfo b;
    b.Assign(a);
    EXPECT_EQ(b.Name(), a.Name());
    EXPECT_EQ(b.CRC, a.CRC);
    EXPECT_EQ(*b.FileComment(), "note");
    EXPECT_TRUE(b.Matched);
    TZipHeaderInfo c;
    a.AssignTo(c);
    EXPECT_EQ(c.NameLength, 24);
}

TEST(ZipHeader, LocalHeaderBytesByHand) {
    TZipHeaderInfo h = SampleHeader();
    TMemoryStream s(std::string("0123456789")); // the header goes at offset 10
    s.Seek(0, soEnd);
    h.WriteLocal(s);
    EXPECT_EQ(h.LocalOffset, 10u);
    std::string expected = Bytes({0x50, 0x4B, 0x03, 0x04, 0x14, 0x00, 0x02, 0x00, 0x08, 0x00,
                                  0x5B, 0x6A, 0x2F, 0x2B, 0x78, 0x56, 0x34, 0x12, 0x64, 0x00,
                                  0x00, 0x00, 0x2C, 0x01, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00}) +
                           "2001/January/Week1/1.rtf";
    EXPECT_EQ(s.ToString().substr(10), expected);

    s.Seek(10, soBeginning);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocal(s));
    EXPECT_EQ(s.Position(), 10 + 54);
    EXPECT_EQ(r.Directory(), "2001\\January\\Week1\\");
    EXPECT_EQ(r.FileName(), "1.rtf");
    EXPECT_EQ(r.LocalOffset, 10u);
    EXPECT_EQ(r.CRC, 0x12345678u);
    EXPECT_EQ(r.DateTime, 0x2B2F6A5Bu);
    EXPECT_EQ(r.VersionMadeBy, 0);
    EXPECT_EQ(r.ExternalAttributes, 0u);
}

TEST(ZipHeader, RewritingLocalHeaderInPlaceKeepsItsSize) {
    TZipHeaderInfo h = SampleHeader();
    TMemoryStream s;
    h.WriteLocal(s);
    s.Write("DATA", 4);
    h.CRC = 0xCAFEBABE;
    s.Seek(h.LocalOffset, soBeginning);
    h.WriteLocal(s);
    EXPECT_EQ(s.Size(), 54 + 4);
    s.Seek(0, soBeginning);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocal(s));
    EXPECT_EQ(r.CRC, 0xCAFEBABEu);
}

TEST(ZipHeader, CentralHeaderBytesByHand) {
    TZipHeaderInfo h = SampleHeader();
    h.SetComment(std::string("abc"));
    TMemoryStream s;
    h.WriteCentral(s);
    std::string expected =
        Bytes({0x50, 0x4B, 0x01, 0x02, 0x14, 0x00, 0x14, 0x00, 0x02, 0x00, 0x08, 0x00,
               0x5B, 0x6A, 0x2F, 0x2B, 0x78, 0x56, 0x34, 0x12, 0x64, 0x00, 0x00, 0x00,
               0x2C, 0x01, 0x00, 0x00, 0x18, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,
               0x01, 0x00, 0x20, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00}) +
        "2001/January/Week1/1.rtf" + "abc";
    EXPECT_EQ(s.ToString(), expected);

    s.Seek(0, soBeginning);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadCentral(s));
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_EQ(r.CommentLength, 3);
    EXPECT_FALSE(r.FileComment()); // not loaded by the read
    s.Seek(5, soBeginning);
    ASSERT_TRUE(r.LoadComment(s));
    EXPECT_EQ(s.Position(), 5);
    EXPECT_EQ(*r.FileComment(), "abc");
    TMemoryStream again;
    r.WriteCentral(again);
    EXPECT_EQ(again.ToString(), expected); // byte-identical after a round trip
}

TEST(ZipHeader, CommentLengthIsWrittenOnlyWithItsBytes) {
    // A carried-over header whose comment was never loaded must not promise bytes.
    TZipHeaderInfo h = SampleHeader();
    h.CommentLength = 12;
    TMemoryStream s;
    h.WriteCentral(s);
    EXPECT_EQ(s.Size(), 46 + 24);
    s.Seek(0, soBeginning);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadCentral(s));
    EXPECT_EQ(r.CommentLength, 0);
}

TEST(ZipHeader, OemNamesOnDiskAnsiInMemory) {
    TZipHeaderInfo h;
    h.SetDirectory("Caf\xE9");     // é in windows-1252
    h.SetFileName("\xC4rger.rtf"); // Ä
    TMemoryStream s;
    h.WriteLocal(s);
    EXPECT_EQ(s.ToString().substr(30), "Caf\x82/\x8Erger.rtf"); // CP437 bytes
    s.Seek(0, soBeginning);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadLocal(s));
    EXPECT_EQ(r.Directory(), "Caf\xE9\\");
    EXPECT_EQ(r.FileName(), "\xC4rger.rtf");
}

// Every byte a stored name can hold reads as its OEM -> ANSI conversion ("/"
// as "\\"), and the folder part ends after the last "\\" or ":" read, for
// names of any mix of ASCII and other bytes.
TEST(ZipHeader, EveryStoredNameByteReadsAsItsAnsiCounterpart) {
    std::vector<std::string> names = {"", "a", "/", "x/", "/x", "a:b", "2001/3/Week1/15.rtf"};
    for (int b = 1; b < 256; ++b) {
        const char c = static_cast<char>(b);
        names.push_back(std::string(1, c));
        names.push_back(std::string("dir/") + c + "name" + c);
        names.push_back(std::string(1, c) + "/x" + c + ":y");
    }
    for (const std::string& stored : names) {
        std::string expected = OemToAnsi(stored);
        for (char& c : expected)
            if (c == '/') c = '\\';
        const std::size_t cut = expected.find_last_of("\\:");
        const std::size_t split = cut == std::string::npos ? 0 : cut + 1;
        std::string central = Bytes({0x50, 0x4B, 1, 2}) + std::string(24, '\0');
        central += static_cast<char>(stored.size());
        central += std::string(17, '\0');
        central += stored;
        TZipHeaderInfo h;
        ASSERT_EQ(h.ParseCentral(reinterpret_cast<const std::uint8_t*>(central.data()),
                                 central.size(), 0),
                  central.size());
        EXPECT_EQ(h.Directory(), expected.substr(0, split)) << stored;
        EXPECT_EQ(h.FileName(), expected.substr(split)) << stored;
        EXPECT_EQ(h.NameLength, stored.size());
    }
}

TEST(ZipHeader, CentralExtraFieldIsSkippedAndNotWrittenBack) {
    TZipHeaderInfo a = SampleHeader();
    TMemoryStream s;
    a.WriteCentral(s);
    std::string first = s.ToString();
    first[30] = 5; // extra field length 5
    first += "EXTRA";
    TZipHeaderInfo b;
    b.SetName("next.rtf");
    TMemoryStream second;
    b.WriteCentral(second);
    TMemoryStream both(first + second.ToString());
    TZipHeaderInfo r1, r2;
    ASSERT_TRUE(r1.ReadCentral(both));
    EXPECT_EQ(r1.CentralExtraLength, 5);
    EXPECT_EQ(r1.CentralSize(), 46u + 24 + 5);
    ASSERT_TRUE(r2.ReadCentral(both));
    EXPECT_EQ(r2.FileName(), "next.rtf");
    EXPECT_EQ(r2.CentralOffset, first.size());
    TMemoryStream rewritten;
    r1.WriteCentral(rewritten);
    EXPECT_EQ(rewritten.ToString()[30], 0);
    EXPECT_EQ(rewritten.Size(), 46 + 24);
}

TEST(ZipHeader, DatesAreClampedOnRead) {
    TZipHeaderInfo h = SampleHeader();
    h.DateTime = (21u << 25) | (0u << 21) | (0u << 16) | (24u << 11) | (61u << 5) | 31u;
    TMemoryStream s;
    h.WriteCentral(s);
    h.WriteLocal(s);
    s.Seek(0, soBeginning);
    TZipHeaderInfo c, l;
    ASSERT_TRUE(c.ReadCentral(s));
    ASSERT_TRUE(l.ReadLocal(s));
    std::uint32_t expected = PackDosDateTime(2001, 1, 1, 23, 59, 58);
    EXPECT_EQ(c.DateTime, expected);
    EXPECT_EQ(l.DateTime, expected);
}

TEST(ZipHeader, BadInputReturnsFalseWithTheStreamRestored) {
    TZipHeaderInfo h = SampleHeader();
    h.SetComment(std::string("comment"));
    TMemoryStream good;
    h.WriteCentral(good);
    std::string central = good.ToString();
    TMemoryStream goodLocal;
    h.WriteLocal(goodLocal);
    std::string local = goodLocal.ToString();

    auto rejectsCentral = [](const std::string& bytes) {
        TMemoryStream s("PREFIX" + bytes);
        s.Seek(6, soBeginning);
        TZipHeaderInfo r;
        bool ok = r.ReadCentral(s);
        return !ok && s.Position() == 6;
    };
    auto rejectsLocal = [](const std::string& bytes) {
        TMemoryStream s("PREFIX" + bytes);
        s.Seek(6, soBeginning);
        TZipHeaderInfo r;
        bool ok = r.ReadLocal(s);
        return !ok && s.Position() == 6;
    };
    // Every truncation of a header: the fixed part, the name, the comment.
    for (std::size_t n = 0; n < central.size(); ++n)
        EXPECT_TRUE(rejectsCentral(central.substr(0, n))) << n;
    for (std::size_t n = 0; n < local.size(); ++n)
        EXPECT_TRUE(rejectsLocal(local.substr(0, n))) << n;
    // Wrong signatures, including each other's.
    EXPECT_TRUE(rejectsCentral(local + std::string(40, '\0')));
    EXPECT_TRUE(rejectsLocal(central));
    std::string wrong = central;
    wrong[3] = 0x03;
    EXPECT_TRUE(rejectsCentral(wrong));
    // A name length running past the end of the stream.
    std::string longName = central;
    longName[28] = '\xFF';
    longName[29] = '\xFF';
    EXPECT_TRUE(rejectsCentral(longName));
    std::string longLocal = local;
    longLocal[26] = '\xFF';
    EXPECT_TRUE(rejectsLocal(longLocal));
    // A comment length of 65,535 on a short stream.
    std::string longComment = central;
    longComment[32] = '\xFF';
    longComment[33] = '\xFF';
    EXPECT_TRUE(rejectsCentral(longComment));
}

TEST(ZipHeader, LoadCommentPastTheEndFails) {
    TZipHeaderInfo h = SampleHeader();
    h.SetComment(std::string("abc"));
    TMemoryStream s;
    h.WriteCentral(s);
    s.Seek(0, soBeginning);
    TZipHeaderInfo r;
    ASSERT_TRUE(r.ReadCentral(s));
    s.SetSize(s.Size() - 1);
    EXPECT_FALSE(r.LoadComment(s));
    EXPECT_FALSE(r.FileComment());
}

namespace {
// A stream standing beyond 4 GiB that swallows what is written.
class TFarStream : public TStream {
public:
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void*, std::int64_t count) override { return count; }
    std::int64_t Seek(std::int64_t, int) override { return 0x100000000LL; }
};
} // namespace

TEST(ZipHeader, LocalHeaderBeyond4GiBIsRefusedNotWrapped) {
    TZipHeaderInfo h = SampleHeader();
    TFarStream far;
    EXPECT_THROW(h.WriteLocal(far), EStreamError);
    EXPECT_EQ(h.LocalOffset, 0x10u);
}
