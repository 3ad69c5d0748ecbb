#include "nav/date_tree.h"

#include <gtest/gtest.h>

TEST(DateTree, MonthNumberIsExactAndDefaultsToJanuary) {
    EXPECT_EQ(MonthNumber("March"), 3);
    EXPECT_EQ(MonthNumber("December"), 12);
    EXPECT_EQ(MonthNumber("march"), 1);
    EXPECT_EQ(MonthNumber(""), 1);
}

TEST(DateTree, YmdTakesTheWidgetsDate) {
    const std::chrono::year_month_day d = Ymd(QDate(2024, 2, 29));
    EXPECT_EQ(d, std::chrono::year{2024} / 2 / 29);
}
