// The one way entries are read: each password policy against real archives
// (the default-then-ask rule is the entry store's, tested there through it).
#include "store/entry_reader.h"

#include "support/archive_store.h"
#include "support/test_support.h"
#include "zip/zip_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class EntryReader : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    void SetUp() override {
        testsupport::Store(archive, "2000\\1\\Week1\\1.rtf", "plain");
        testsupport::Store(archive, "2000\\1\\Week1\\2.rtf", "default", "Secret");
        testsupport::Store(archive, "2000\\1\\Week1\\3.rtf", "other", "Other");
    }
    // What `reader` makes of each member: its bytes, "-" when passed over.
    std::string ReadAll(TEntryReader& reader) {
        std::string seen;
        for (const char* m : {"2000\\1\\Week1\\1.rtf", "2000\\1\\Week1\\2.rtf",
                              "2000\\1\\Week1\\3.rtf", "2000\\1\\Week1\\4.rtf"}) {
            const TEntryReader::TRead r = reader.Read(archive, m);
            EXPECT_EQ(r.GaveUp, !r.Found && r.PasswordProtected) << m;
            seen += (r.Found ? std::string(reader.Bytes()) : "-") + (r.GaveUp ? "!" : "") + " ";
        }
        return seen;
    }
};

} // namespace

TEST_F(EntryReader, EachPolicyOpensWhatItMay) {
    TEntryReader reader;
    reader.DefaultPassword = "Secret";
    int asked = 0;
    reader.AskPassword = [&] { return ++asked == 1 ? std::string("Wrong") : "Other"; };
    EXPECT_EQ(ReadAll(reader), "plain -! -! - ");
    reader.Policy = TPasswordPolicy::DefaultOnly;
    EXPECT_EQ(ReadAll(reader), "plain default -! - ");
    EXPECT_EQ(asked, 0); // neither policy asks the user
    reader.Policy = TPasswordPolicy::DefaultThenAsk;
    EXPECT_EQ(ReadAll(reader), "plain default other - ");
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(reader.Read(archive, "2000\\1\\Week1\\3.rtf").Found);
    EXPECT_EQ(reader.Password(), "Other"); // what opened it
    reader.AskPassword = [] { return std::string(); };
    EXPECT_EQ(ReadAll(reader), "plain default -! - ");
}

TEST_F(EntryReader, TheDefaultPasswordIsOfferedOncePerMember) {
    TZipReader zip;
    TEntryReader reader(zip);
    reader.Policy = TPasswordPolicy::DefaultOnly;
    reader.DefaultPassword = "Secret";
    int offered = 0;
    const auto rules = zip.OnBadPassword;
    zip.OnBadPassword = [&](TZipReader& s, int i, TPassword& next) {
        const TPassword tried = next;
        rules(s, i, next);
        offered += next == tried ? 0 : 1;
    };
    EXPECT_FALSE(reader.Read(archive, "2000\\1\\Week1\\3.rtf").Found);
    EXPECT_EQ(offered, 1);
    EXPECT_TRUE(reader.Read(archive, "2000\\1\\Week1\\2.rtf").Found);
    EXPECT_EQ(offered, 2);
    EXPECT_EQ(zip.ZipPassword, "Secret"); // the component keeps what opened it
}

TEST_F(EntryReader, MembersByTheirPlaceAndNames) {
    TEntryReader reader;
    EXPECT_TRUE(reader.MemberNames(dir.file("none.zip")).empty());
    const std::vector<std::string> names = reader.MemberNames(archive);
    ASSERT_EQ(names.size(), 3u);
    for (std::size_t i = 0; i < names.size(); ++i) {
        // The policy None opens the unprotected member only.
        const TEntryReader::TRead r = reader.ReadIndex(archive, static_cast<int>(i));
        EXPECT_EQ(r.Found, names[i] == "2000\\1\\Week1\\1.rtf") << names[i];
        if (r.Found) {
            EXPECT_EQ(reader.Bytes(), "plain");
        }
    }
    EXPECT_FALSE(ArchiveExists(dir.file("none.zip")));
    testsupport::WriteFile(dir.file("bad.zip"), "no archive at all");
    EXPECT_ANY_THROW(reader.MemberNames(dir.file("bad.zip")));
    EXPECT_ANY_THROW(reader.Read(dir.file("bad.zip"), "x"));
}
