// Which entries an archive holds, and those of a range of dates in order.
#include "store/entry_range.h"
#include "support/test_support.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {
void StoreMember(const std::string& archive, const std::string& member) {
    TZipWriter writer;
    writer.SetStorePaths(true);
    writer.ZipAction = zaReplace;
    writer.SetZipName(archive);
    TMemoryStream stream(std::string("{\\rtf1 x}"));
    ASSERT_EQ(writer.AddFromStream(&stream, member), 1);
}
} // namespace

TEST(EntryRange, EntriesComeInDateOrderWithTheirSummariesFirst) {
    testsupport::TempDir dir;
    const std::string archive = dir.file("Daybank.zip");
    for (const char* member :
         {"2000\\3\\Week3\\16.rtf", "2000\\4\\Week1\\1.rtf", "2000\\3\\Week3\\15.rtf",
          "2000\\Summary.rtf", "2000\\3\\Summary.rtf", "2000\\3\\Week3\\Summary.rtf",
          "2000\\3\\Week2\\Summary.rtf", "2000\\3\\Week3\\14.rtf", "2001\\Summary.rtf"})
        StoreMember(archive, member);
    TEntryIndex index;
    index.Refresh(archive);
    const auto members = [&](const year_month_day& from, const year_month_day& to, bool sums) {
        std::vector<std::string> names;
        for (const TRangeEntry& e : EntriesInRange(index, from, to, sums))
            names.push_back(e.Member);
        return names;
    };
    const year_month_day mar15{year{2000}, month{3}, day{15}}, apr1{year{2000}, month{4}, day{1}};
    EXPECT_EQ(members(mar15, apr1, true),
              std::vector<std::string>({"2000\\Summary.rtf", "2000\\3\\Summary.rtf",
                                        "2000\\3\\Week3\\Summary.rtf", "2000\\3\\Week3\\15.rtf",
                                        "2000\\3\\Week3\\16.rtf", "2000\\4\\Week1\\1.rtf"}));
    EXPECT_EQ(members(mar15, apr1, false),
              std::vector<std::string>(
                  {"2000\\3\\Week3\\15.rtf", "2000\\3\\Week3\\16.rtf", "2000\\4\\Week1\\1.rtf"}));
    EXPECT_EQ(members(mar15, mar15, false), std::vector<std::string>{"2000\\3\\Week3\\15.rtf"});
    EXPECT_TRUE(members(apr1, mar15, true).empty()); // an end before the start
    EXPECT_EQ(index.Count(), 9);
    EXPECT_TRUE(index.HasDay(2000, 3, 14));
    EXPECT_FALSE(index.HasDay(2000, 2, 30));
}
