// The Statistics window over a diary made with known counts: entries,
// summaries and words per year and month, the runs of days, protected
// entries counted without their words unless the default password opens
// them, and the calendar of days that opens the day clicked.
#include "stats/diary_stats.h"
#include "stats/heat_map.h"
#include "stats/stats_dialog.h"
#include "store/calendar.h"
#include "store/entry_key.h"
#include "support/archive_store.h"
#include "support/test_support.h"
#include "zip/aes_key_cache.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

sys_days Day(int y, unsigned m, unsigned d) {
    return sys_days{year{y} / month{m} / day{d}};
}

std::string Rtf(const std::string& text) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

std::string Member(int y, int m, int d, TEntryLevel level) {
    TEntryKey key;
    key.Year = static_cast<std::uint16_t>(y);
    key.Month = static_cast<std::uint16_t>(m);
    key.Day = static_cast<std::uint16_t>(d);
    key.Week = static_cast<std::uint16_t>(WeekOfDay(y, m, d));
    return MemberPath(key, level);
}

} // namespace

TEST(DiaryStats, RunsOfConsecutiveDays) {
    EXPECT_EQ(DayRuns({}, Day(2020, 3, 3)).Longest, 0);
    const std::vector<sys_days> days{Day(2019, 12, 30), Day(2019, 12, 31), Day(2020, 1, 1),
                                     Day(2020, 3, 1),   Day(2020, 3, 2),   Day(2020, 3, 5),
                                     Day(2020, 3, 6),   Day(2020, 3, 7)};
    TDayRuns r = DayRuns(days, Day(2020, 3, 7));
    EXPECT_EQ(r.Longest, 3);
    EXPECT_EQ(r.LongestEnd, Day(2020, 3, 7)); // the latest of two equal runs
    EXPECT_EQ(r.Current, 3);
    EXPECT_EQ(DayRuns(days, Day(2020, 3, 8)).Current, 3); // today's entry may come yet
    EXPECT_EQ(DayRuns(days, Day(2020, 3, 9)).Current, 0);
    EXPECT_EQ(DayRuns(days, Day(2020, 3, 2)).Current, 2); // later days do not count
    EXPECT_EQ(DayRuns(days, Day(2019, 12, 1)).Current, 0);
}

TEST(DiaryStats, CountsOfAGeneratedDiary) {
    testsupport::TempDir dir;
    const std::string zip = dir.file("Daybank.zip");
    using L = TEntryLevel;
    // 2019-12-31 to 2020-01-03: a run of four days across the year's end.
    testsupport::Store(zip, Member(2019, 12, 31, L::elDay), Rtf("one two three"));
    testsupport::Store(zip, Member(2020, 1, 1, L::elDay), Rtf("four \\b five\\b0  six seven"));
    testsupport::Store(zip, Member(2020, 1, 2, L::elDay), Rtf("x"));
    testsupport::Store(zip, Member(2020, 1, 3, L::elDay), Rtf("a b"));
    // Protected: one the default password opens, one it does not; the
    // first with AES-256, the second the traditional way.
    testsupport::Store(zip, Member(2020, 1, 10, L::elDay), Rtf("secret words here"), "pw",
                       zcAes256);
    testsupport::Store(zip, Member(2020, 1, 11, L::elDay), Rtf("hidden words"), "other");
    // Summaries: a week and a month in January, the year 2020.
    testsupport::Store(zip, Member(2020, 1, 5, L::elWeek), Rtf("week words"));
    testsupport::Store(zip, Member(2020, 1, 1, L::elMonth), Rtf("month"));
    testsupport::Store(zip, Member(2020, 1, 1, L::elYear), Rtf("the year"));
    testsupport::Store(zip, "Template.rtf", Rtf("not an entry at all"));

    TAesKeyCache::Instance().Clear(); // as a new run finds it
    const std::uint64_t derived = TAesKeyCache::Instance().Derivations();
    const TDiaryStats s = ComputeDiaryStats(zip, "pw", Day(2020, 1, 12));
    EXPECT_EQ(TAesKeyCache::Instance().Derivations() - derived, 1u); // ahead, and only once
    EXPECT_EQ(s.Total.Entries, 6);
    EXPECT_EQ(s.Total.Summaries, 3);
    EXPECT_EQ(s.Total.Words, 3 + 4 + 1 + 2 + 3 + 2 + 1 + 2);
    EXPECT_EQ(s.Total.Uncounted, 1);
    EXPECT_EQ(s.Years.at(2019).Entries, 1);
    EXPECT_EQ(s.Years.at(2019).Words, 3);
    EXPECT_EQ(s.Years.at(2020).Entries, 5);
    EXPECT_EQ(s.Years.at(2020).Summaries, 3);
    const TStatsCount& jan = s.Months.at({2020, 1});
    EXPECT_EQ(jan.Summaries, 2); // the year's summary belongs to the year only
    EXPECT_EQ(jan.Words, 4 + 1 + 2 + 3 + 2 + 1);
    EXPECT_EQ(s.Days.at(Day(2020, 1, 10)).Words, 3);
    EXPECT_TRUE(s.Days.at(Day(2020, 1, 11)).Protected);
    EXPECT_EQ(s.Runs.Longest, 4);
    EXPECT_EQ(s.Runs.LongestEnd, Day(2020, 1, 3));
    EXPECT_EQ(s.Runs.Current, 2); // the 10th and 11th, today the 12th has none yet

    EXPECT_EQ(ComputeDiaryStats(dir.file("none.zip"), "", Day(2020, 1, 1)).Total.Entries, 0);

    // Shades by quarters of the year's days: the wordiest day is darkest.
    THeatScale scale({1, 2, 3, 4, 10, 20, 30, 40});
    TDayStats few{1, false}, many{40, false};
    EXPECT_EQ(scale.Level(nullptr), 0);
    EXPECT_EQ(scale.Level(&few), 1);
    EXPECT_EQ(scale.Level(&many), 4);

    // The window shows the figures and opens the day clicked.
    TStatisticsDlg dlg(s, 2020);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    EXPECT_TRUE(dlg.TotalsLbl->text().contains("Entries: 6"))
        << dlg.TotalsLbl->text().toStdString();
    EXPECT_TRUE(dlg.RunsLbl->text().contains("Longest run: 4 days"))
        << dlg.RunsLbl->text().toStdString();
    EXPECT_TRUE(dlg.RunsLbl->text().contains("Current run: 2 days"));
    EXPECT_TRUE(dlg.UncountedLbl->isVisible());
    ASSERT_EQ(dlg.PeriodsTree->topLevelItemCount(), 2);
    EXPECT_EQ(dlg.HeatMap->Level(QDate(2020, 1, 2)), 1);
    EXPECT_EQ(dlg.HeatMap->Level(QDate(2020, 1, 4)), 0);
    for (QWidget* w : dlg.findChildren<QWidget*>()) {
        if (w->isVisible() && w->focusPolicy() != Qt::NoFocus) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className();
        }
    }
    const QRect square = dlg.HeatMap->DayRect(QDate(2020, 1, 10));
    EXPECT_EQ(dlg.HeatMap->DayAt(square.center()), QDate(2020, 1, 10));
    QTest::mouseClick(dlg.HeatMap, Qt::LeftButton, {}, square.center());
    EXPECT_EQ(dlg.ChosenDay, QDate(2020, 1, 10));
}
