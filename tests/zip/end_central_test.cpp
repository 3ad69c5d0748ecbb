#include "zip/zip_header.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> list) {
    std::string s;
    for (int b : list)
        s += static_cast<char>(b);
    return s;
}

std::string Record(int entries, std::uint32_t size, std::uint32_t start,
                   const std::string& comment) {
    TEndCentral e;
    e.EntriesThisDisk = e.TotalEntries = static_cast<std::uint16_t>(entries);
    e.CentralSize = size;
    e.CentralStart = start;
    e.SetComment(comment);
    TMemoryStream s;
    e.Write(s);
    return s.ToString();
}

} // namespace

TEST(EndCentral, BytesByHandAndRoundTrip) {
    std::string bytes = Record(2, 0x5E, 0x1234, "hi");
    EXPECT_EQ(bytes, Bytes({0x50, 0x4B, 0x05, 0x06, 0, 0,    0,    0, 2, 0, 2,
                            0,    0x5E, 0,    0,    0, 0x34, 0x12, 0, 0, 2, 0}) +
                         "hi");
    TMemoryStream s(std::string(100, 'z') + bytes);
    TEndCentral e;
    ASSERT_TRUE(e.Locate(s));
    EXPECT_EQ(e.TotalEntries, 2);
    EXPECT_EQ(e.EntriesThisDisk, 2);
    EXPECT_EQ(e.CentralSize, 0x5Eu);
    EXPECT_EQ(e.CentralStart, 0x1234u);
    EXPECT_EQ(e.CommentLength, 2);
    EXPECT_EQ(e.CommentPosition, 122u);
    EXPECT_EQ(e.RecordSize(), 24u);
    EXPECT_TRUE(e.HasComment());
    EXPECT_FALSE(e.Comment()); // not read by Locate
    ASSERT_TRUE(e.LoadComment(s));
    EXPECT_EQ(*e.Comment(), "hi");
    TMemoryStream out;
    e.Write(out);
    EXPECT_EQ(out.ToString(), bytes);
}

TEST(EndCentral, EmptyAndTinyStreams) {
    TMemoryStream empty;
    TEndCentral e;
    e.TotalEntries = 7;
    EXPECT_TRUE(e.Locate(empty));
    EXPECT_EQ(e.TotalEntries, 0);
    EXPECT_EQ(e.CentralStart, 0u);
    std::string record = Record(0, 0, 0, "");
    for (std::size_t n = 1; n <= 21; ++n) {
        TMemoryStream tiny(record.substr(0, n));
        EXPECT_FALSE(e.Locate(tiny)) << n;
    }
    TMemoryStream exact(record);
    EXPECT_TRUE(e.Locate(exact));
}

TEST(EndCentral, FoundWithTheLargestComment) {
    std::string comment(65535, 'c');
    TMemoryStream s(std::string(1000, 'x') + Record(3, 10, 20, comment));
    TEndCentral e;
    ASSERT_TRUE(e.Locate(s));
    EXPECT_EQ(e.TotalEntries, 3);
    EXPECT_EQ(e.CommentLength, 65535);
    EXPECT_EQ(e.CommentPosition, 1022u);
    ASSERT_TRUE(e.LoadComment(s));
    EXPECT_EQ(*e.Comment(), comment);
    // One byte more of comment puts the record out of reach.
    TMemoryStream far(Record(3, 10, 20, "") + std::string(65536, 'c'));
    EXPECT_FALSE(e.Locate(far));
}

TEST(EndCentral, ASignatureInsideTheCommentWins) {
    std::string fake = Record(9, 99, 999, "");
    std::string real = Record(1, 46, 0, "before " + fake + " after");
    TMemoryStream s(real);
    TEndCentral e;
    ASSERT_TRUE(e.Locate(s));
    EXPECT_EQ(e.TotalEntries, 9);
    EXPECT_EQ(e.CentralStart, 999u);
}

TEST(EndCentral, NoSignatureAtAll) {
    TMemoryStream s(std::string(5000, 'P'));
    s.Seek(17, soBeginning);
    TEndCentral e;
    EXPECT_FALSE(e.Locate(s));
    EXPECT_EQ(s.Position(), 17);
}

TEST(EndCentral, CommentLengthPastTheEndIsCutToTheBytesPresent) {
    std::string bytes = Record(1, 2, 3, "");
    bytes[20] = '\xFF';
    bytes[21] = '\xFF'; // 65,535 promised
    TMemoryStream s(bytes + "only this");
    TEndCentral e;
    ASSERT_TRUE(e.Locate(s));
    EXPECT_EQ(e.CommentLength, 9);
    ASSERT_TRUE(e.LoadComment(s));
    EXPECT_EQ(*e.Comment(), "only this");
}

TEST(EndCentral, ClearAssignAndUnloadedComment) {
    TEndCentral a;
    a.TotalEntries = 4;
    a.SetComment("note");
    a.CommentPosition = 77;
    TEndCentral b;
    b.Assign(a);
    EXPECT_EQ(b.TotalEntries, 4);
    EXPECT_EQ(*b.Comment(), "note");
    EXPECT_EQ(b.CommentPosition, 77u);
    a.Clear();
    EXPECT_EQ(a.Signature, 0x06054B50u);
    EXPECT_EQ(a.TotalEntries, 0);
    EXPECT_FALSE(a.Comment());
    EXPECT_EQ(a.CommentLength, 0);
    // A length without loaded bytes is not written: the record stays consistent.
    a.CommentLength = 10;
    TMemoryStream s;
    a.Write(s);
    EXPECT_EQ(s.Size(), 22);
    EXPECT_EQ(s.ToString()[20], 0);
}
