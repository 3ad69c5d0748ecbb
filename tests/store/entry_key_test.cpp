#include "store/entry_key.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {
std::string Week(int y, unsigned m, unsigned d) {
    return WeekOfMonth(year_month_day{year{y}, month{m}, day{d}});
}
} // namespace

TEST(EntryKey, WeeksOfMarch2000StartOnWednesday) {
    for (unsigned d = 1; d <= 4; ++d)
        EXPECT_EQ(Week(2000, 3, d), "Week1") << d;
    for (unsigned d = 5; d <= 11; ++d)
        EXPECT_EQ(Week(2000, 3, d), "Week2") << d;
    for (unsigned d = 12; d <= 18; ++d)
        EXPECT_EQ(Week(2000, 3, d), "Week3") << d;
    EXPECT_EQ(Week(2000, 3, 31), "Week5");
    const TEntryKey key = KeyForDate(year_month_day{year{2000}, month{3}, day{15}});
    EXPECT_EQ(MemberPath(key, TEntryLevel::elDay), "2000\\3\\Week3\\15.rtf");
}

TEST(EntryKey, MonthStartingOnSunday) {
    // 1 October 2000 was a Sunday.
    for (unsigned d = 1; d <= 7; ++d)
        EXPECT_EQ(Week(2000, 10, d), "Week1") << d;
    EXPECT_EQ(Week(2000, 10, 8), "Week2");
    EXPECT_EQ(Week(2000, 10, 31), "Week5");
}

TEST(EntryKey, MonthStartingOnSaturdayReachesWeek6) {
    // 1 July 2000 was a Saturday.
    EXPECT_EQ(Week(2000, 7, 1), "Week1");
    EXPECT_EQ(Week(2000, 7, 2), "Week2");
    EXPECT_EQ(Week(2000, 7, 30), "Week6");
    EXPECT_EQ(Week(2000, 7, 31), "Week6");
    // 1 April 2000 was a Saturday too; April has 30 days.
    EXPECT_EQ(Week(2000, 4, 30), "Week6");
}

TEST(EntryKey, MemberPathsOfEveryLevel) {
    const TEntryKey key{2000, 3, 3, 15};
    EXPECT_EQ(MemberPath(key, TEntryLevel::elYear), "2000\\Summary.rtf");
    EXPECT_EQ(MemberPath(key, TEntryLevel::elMonth), "2000\\3\\Summary.rtf");
    EXPECT_EQ(MemberPath(key, TEntryLevel::elWeek), "2000\\3\\Week3\\Summary.rtf");
    EXPECT_EQ(MemberPath(key, TEntryLevel::elDay), "2000\\3\\Week3\\15.rtf");
    EXPECT_EQ(MemberPath(TEntryKey{1999, 12, 6, 31}, TEntryLevel::elDay),
              "1999\\12\\Week6\\31.rtf");
}

TEST(EntryKey, LevelOfANodeText) {
    EXPECT_EQ(EntryLevel("1999"), TEntryLevel::elYear);
    EXPECT_EQ(EntryLevel("7"), TEntryLevel::elDay);
    EXPECT_EQ(EntryLevel("31"), TEntryLevel::elDay);
    EXPECT_EQ(EntryLevel("Week2"), TEntryLevel::elWeek);
    EXPECT_EQ(EntryLevel("May"), TEntryLevel::elMonth);
    EXPECT_EQ(EntryLevel("June"), TEntryLevel::elMonth); // four characters, no integer
    EXPECT_EQ(EntryLevel(" +12"), TEntryLevel::elYear);  // four characters that read as one
    EXPECT_EQ(EntryLevel(""), TEntryLevel::elMonth);
    EXPECT_EQ(EntryLevel("12345678901"), TEntryLevel::elMonth); // too large to read
}

TEST(EntryKey, ArchivePathsOnLinux) {
    const std::string prog = "/home/u/.local/share/Dayscrib/";
    // A Windows drive names no place here: the rest, under the data folder.
    EXPECT_EQ(ArchivePath("D:\\Diary\\", prog), prog + "Diary/Daybank.zip");
    EXPECT_EQ(DataFolder("D:\\Diary\\", prog), prog + "Diary/");
    EXPECT_EQ(DataFolder("d:Diary\\Old\\", prog), prog + "Diary/Old/");
    EXPECT_EQ(DataFolder("D:/home/x/", prog), prog + "home/x/");
    EXPECT_EQ(DataFolder("D:\\", prog), prog);
    EXPECT_EQ(DataFolder("1:\\Diary\\", prog), prog + "1:/Diary/"); // no drive letter
    EXPECT_EQ(ArchivePath("Data\\", prog), prog + "Data/Daybank.zip");
    EXPECT_EQ(ArchivePath("Data\\User2\\", prog), prog + "Data/User2/Daybank.zip");
    EXPECT_EQ(ArchivePath("/home/x/Diary/", prog), "/home/x/Diary/Daybank.zip");
    EXPECT_EQ(ArchivePath("Data\\User2", prog), prog + "Data/User2Daybank.zip");
    EXPECT_EQ(ArchivePath("\\\\server\\d\\", prog), prog + "//server/d/Daybank.zip");
    EXPECT_EQ(ArchivePath("\\Data\\", prog), prog + "/Data/Daybank.zip");
    EXPECT_EQ(ArchivePath("", prog), prog + "Daybank.zip");
}

TEST(EntryKey, ArchivePathUsesTheProgramsFolder) {
    testsupport::ScopedUserFolders folders;
    EXPECT_EQ(ArchivePath("Data\\"), folders.dataDir() + "/Data/Daybank.zip");
}

TEST(EntryKey, MemberPathsReadBackToTheirKeyAndLevel) {
    // Every day of two years whose months start on every weekday.
    for (int y : {2000, 2009})
        for (unsigned m = 1; m <= 12; ++m)
            for (unsigned d = 1; d <= 31; ++d) {
                const year_month_day date{year{y}, month{m}, day{d}};
                if (!date.ok()) continue;
                const TEntryKey key = KeyForDate(date);
                for (TEntryLevel level : {TEntryLevel::elDay, TEntryLevel::elWeek,
                                          TEntryLevel::elMonth, TEntryLevel::elYear}) {
                    const std::string path = MemberPath(key, level);
                    TEntryKey back;
                    TEntryLevel backLevel;
                    ASSERT_TRUE(ParseMemberPath(path, back, backLevel)) << path;
                    EXPECT_EQ(backLevel, level) << path;
                    EXPECT_EQ(MemberPath(back, backLevel), path);
                    // The result line of find in files has no ".rtf".
                    ASSERT_TRUE(ParseMemberPath(path.substr(0, path.size() - 4), back, backLevel));
                    EXPECT_EQ(MemberPath(back, backLevel), path);
                }
            }
    TEntryKey key;
    TEntryLevel level;
    ASSERT_TRUE(ParseMemberPath("2000\\3\\Week3\\Summary", key, level));
    EXPECT_EQ(key.Day, 12); // the week's first day
}

TEST(EntryKey, PathsThatNameNoEntryAreRefused) {
    TEntryKey key;
    TEntryLevel level;
    for (const char* path :
         {"Template.rtf", "", "2000", "2000\\13\\Summary.rtf", "2000\\0\\Summary.rtf",
          "2000\\3\\Week2\\15.rtf", "2000\\3\\Week7\\Summary.rtf", "2000\\2\\Week5\\30.rtf",
          "2000\\03\\Summary.rtf", "2000\\3\\Week3\\15\\x.rtf", "-1\\Summary.rtf",
          "2000/3/Week3/15.rtf", "2000\\3\\Week 3\\15.rtf", "2000\\3\\Week3\\+15.rtf",
          "2000\\2\\Week6\\Summary.rtf"})
        EXPECT_FALSE(ParseMemberPath(path, key, level)) << path;
}

TEST(EntryKey, SplitPathsKeepTheYearAsWrittenAndCheckNoCalendar) {
    // Find in files walks the year list's texts and every week a day could
    // lie under: the names it makes split back into the same parts.
    EXPECT_EQ(MemberPath("abcd", 3, 1, 31, TEntryLevel::elDay), "abcd\\3\\Week1\\31.rtf");
    EXPECT_EQ(MemberPath(" 2000", 0, 0, 0, TEntryLevel::elYear), " 2000\\Summary.rtf");
    TMemberParts parts;
    ASSERT_TRUE(SplitMemberPath("abcd\\3\\Week1\\31", parts));
    EXPECT_EQ(parts.Year, "abcd");
    EXPECT_EQ(parts.Level, TEntryLevel::elDay);
    EXPECT_EQ(parts.Month * 100 + parts.Week * 10 + parts.Day, 341);
    ASSERT_TRUE(SplitMemberPath("2000\\3\\Summary", parts));
    EXPECT_EQ(parts.Level, TEntryLevel::elMonth);
    EXPECT_EQ(parts.Week + parts.Day, 0);
    EXPECT_FALSE(SplitMemberPath("2000\\3\\week2\\summary", parts));
    ASSERT_TRUE(SplitMemberPath("2000\\3\\week2\\summary", parts, true));
    EXPECT_EQ(parts.Level, TEntryLevel::elWeek);
    EXPECT_EQ(parts.Week, 2);
    for (const char* path : {"2000\\3\\Week2\\32", "2000\\3\\Week2\\7\\x", "2000\\3", "2000",
                             "2000\\3\\Wk2\\7", "2000\\3\\Week\\7", "2000\\3\\Week2\\07"})
        EXPECT_FALSE(SplitMemberPath(path, parts, true)) << path;
}
