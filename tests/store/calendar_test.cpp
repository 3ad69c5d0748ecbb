#include "store/calendar.h"

#include <gtest/gtest.h>

namespace {
std::vector<int> Range(int a, int b) {
    std::vector<int> v;
    for (int d = a; d <= b; ++d)
        v.push_back(d);
    return v;
}
} // namespace

TEST(Calendar, MonthLengthsFollowTheGregorianCalendar) {
    EXPECT_EQ(MonthDays(2000, 2), 29); // divisible by 400
    EXPECT_EQ(MonthDays(1900, 2), 28); // divisible by 100 only
    EXPECT_EQ(MonthDays(2024, 2), 29);
    EXPECT_EQ(MonthDays(2023, 2), 28);
    EXPECT_EQ(MonthDays(2023, 4), 30);
    EXPECT_EQ(MonthDays(2023, 12), 31);
    EXPECT_EQ(MonthDays(2023, 13), 0);
}

TEST(Calendar, February2000HasFiveWeeks) {
    // 1 February 2000 was a Tuesday; 29 days.
    EXPECT_EQ(FirstWeekday(2000, 2), 3);
    EXPECT_EQ(WeeksInMonth(2000, 2), 5);
    EXPECT_EQ(DaysOfWeek(2000, 2, 1), Range(1, 5));
    EXPECT_EQ(DaysOfWeek(2000, 2, 2), Range(6, 12));
    EXPECT_EQ(DaysOfWeek(2000, 2, 5), Range(27, 29));
    EXPECT_TRUE(DaysOfWeek(2000, 2, 6).empty());
}

TEST(Calendar, February2009HasFourFullWeeks) {
    // 1 February 2009 was a Sunday; 28 days.
    EXPECT_EQ(WeeksInMonth(2009, 2), 4);
    for (int w = 1; w <= 4; ++w)
        EXPECT_EQ(DaysOfWeek(2009, 2, w), Range(7 * w - 6, 7 * w)) << w;
}

TEST(Calendar, January2000HasSixWeeks) {
    // 1 January 2000 was a Saturday; 31 days.
    EXPECT_EQ(WeeksInMonth(2000, 1), 6);
    EXPECT_EQ(DaysOfWeek(2000, 1, 1), std::vector<int>{1});
    EXPECT_EQ(DaysOfWeek(2000, 1, 2), Range(2, 8));
    EXPECT_EQ(DaysOfWeek(2000, 1, 6), Range(30, 31));
}

TEST(Calendar, EveryDayOfEveryMonthIsInExactlyOneWeek) {
    for (int year : {1999, 2000, 2026})
        for (int month = 1; month <= 12; ++month) {
            std::vector<int> all;
            for (int w = 1; w <= WeeksInMonth(year, month); ++w) {
                const std::vector<int> days = DaysOfWeek(year, month, w);
                EXPECT_FALSE(days.empty()) << year << "-" << month << " week " << w;
                all.insert(all.end(), days.begin(), days.end());
            }
            EXPECT_EQ(all, Range(1, MonthDays(year, month))) << year << "-" << month;
        }
}

TEST(Calendar, ClampDayKeepsTheMonth) {
    EXPECT_EQ(ClampDay(2001, 2, 31), 28);
    EXPECT_EQ(ClampDay(2000, 2, 30), 29);
    EXPECT_EQ(ClampDay(2000, 3, 31), 31);
}

TEST(Calendar, TheWeekOfADayIsTheWeekWhoseDaysHoldIt) {
    for (int year : {1900, 2000, 2024, 2026})
        for (int month = 1; month <= 12; ++month)
            for (int w = 1; w <= WeeksInMonth(year, month); ++w) {
                EXPECT_EQ(FirstDayOfWeek(year, month, w), DaysOfWeek(year, month, w).front());
                for (int d : DaysOfWeek(year, month, w))
                    EXPECT_EQ(WeekOfDay(year, month, d), w) << year << "-" << month << "-" << d;
            }
}
