// The legacy decoders over members written by other programs: every member
// of the sample archives decodes with a passing CRC, and where the peer
// unzip reads the method (shrunk, imploded) our output matches its output
// byte for byte.
#include "legacy_support.h"

#include <gtest/gtest.h>

using codectest::LocalMember;
using codectest::RunMember;
using codectest::SampleMembers;

namespace {

std::string PeerUnzip(const std::string& file, const std::string& member) {
    std::string out;
    int rc = testsupport::RunCommand(
        "unzip -p " + testsupport::ShellQuote(testsupport::TestData("zip/" + file)) + " " +
            testsupport::ShellQuote(member),
        &out);
    EXPECT_EQ(rc, 0) << file << " " << member;
    return out;
}

void ExpectMatchesPeer(const std::string& file, unsigned method, std::size_t count) {
    ASSERT_TRUE(testsupport::HaveProgram("unzip"));
    auto members = SampleMembers(file);
    ASSERT_EQ(members.size(), count);
    for (const LocalMember& m : members) {
        SCOPED_TRACE(m.name);
        EXPECT_EQ(m.method, method);
        auto o = RunMember(m);
        EXPECT_EQ(o.result, 0);
        EXPECT_EQ(o.crc, m.crc);
        EXPECT_EQ(o.out.size(), m.uncompressedSize);
        EXPECT_EQ(o.out, PeerUnzip(file, m.name));
    }
}

// Control characters other than CR, LF and tab, or a malformed UTF-8 sequence,
// make it not text.
bool IsTextUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        unsigned follow = c < 0x80         ? 0
                          : (c >> 5) == 6  ? 1
                          : (c >> 4) == 14 ? 2
                          : (c >> 3) == 30 ? 3
                                           : 9;
        if (follow == 9 || s.size() - i <= follow) return false;
        if (c < 32 && c != '\n' && c != '\r' && c != '\t') return false;
        for (unsigned k = 1; k <= follow; ++k)
            if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return false;
        i += follow + 1;
    }
    return true;
}

} // namespace

TEST(LegacySamples, ShrunkMembersMatchThePeer) {
    ExpectMatchesPeer("commons-compress__SHRUNK.ZIP", 1, 2);
}

TEST(LegacySamples, ImplodedWithoutLiteralTreeAnd4KMatchesThePeer) {
    auto m = SampleMembers("commons-compress__imploding-4Kdict-2trees.zip");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].flags & 6u, 0u);
    ExpectMatchesPeer("commons-compress__imploding-4Kdict-2trees.zip", 6, 1);
}

TEST(LegacySamples, ImplodedWithLiteralTreeAnd8KMatchesThePeer) {
    auto m = SampleMembers("commons-compress__imploding-8Kdict-3trees.zip");
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].flags & 6u, 6u);
    ExpectMatchesPeer("commons-compress__imploding-8Kdict-3trees.zip", 6, 1);
}

// The peer does not read reduced members: both factors must give the same
// 16,384 bytes, with the stored CRC, and the bytes must be the play's text.
TEST(LegacySamples, ReducedFactorsOneAndFourGiveTheSameText) {
    auto one = SampleMembers("hwzip-generated__reduce1.zip");
    auto four = SampleMembers("hwzip-generated__reduce4.zip");
    ASSERT_EQ(one.size(), 1u);
    ASSERT_EQ(four.size(), 1u);
    EXPECT_EQ(one[0].method, 2u);
    EXPECT_EQ(four[0].method, 5u);
    auto a = RunMember(one[0]);
    auto b = RunMember(four[0]);
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(b.result, 0);
    EXPECT_EQ(a.crc, one[0].crc);
    EXPECT_EQ(b.crc, four[0].crc);
    EXPECT_EQ(a.out.size(), 16384u);
    EXPECT_EQ(a.out, b.out);
    // A plain-text e-book: UTF-8 with a byte-order mark and CRLF lines.
    EXPECT_EQ(a.out.rfind("\xEF\xBB\xBF\r\nProject Gutenberg EBook of Hamlet", 0), 0u);
    EXPECT_NE(a.out.find("THE TRAGEDY OF HAMLET, PRINCE OF DENMARK"), std::string::npos);
    EXPECT_NE(a.out.find("Elsinore"), std::string::npos);
    EXPECT_NE(a.out.find("HORATIO."), std::string::npos);
    EXPECT_TRUE(IsTextUtf8(a.out.substr(0, a.out.size() - 4))); // the cut may split a character
}

// The frame's buffers are shared by a run's members: a member decoded after
// others gives the same bytes as one decoded first.
TEST(LegacySamples, MembersDecodeTheSameAfterOtherMembersInOneFrame) {
    TUnZipWork work;
    for (const char* file :
         {"commons-compress__imploding-8Kdict-3trees.zip", "hwzip-generated__reduce4.zip",
          "commons-compress__SHRUNK.ZIP", "commons-compress__imploding-4Kdict-2trees.zip",
          "hwzip-generated__reduce1.zip"}) {
        for (const LocalMember& m : SampleMembers(file)) {
            SCOPED_TRACE(m.name);
            auto shared = RunMember(m, &work);
            EXPECT_EQ(shared.crc, m.crc);
            EXPECT_EQ(shared.out, RunMember(m).out);
        }
    }
}
