#include "support/test_support.h"
#include "zip/dos_time.h"

#include <cmath>
#include <ctime>
#include <gtest/gtest.h>

namespace {
void Fields(std::uint32_t v, int& y, int& mo, int& d, int& h, int& mi, int& s) {
    s = static_cast<int>(v & 0x1F) * 2;
    mi = static_cast<int>((v >> 5) & 0x3F);
    h = static_cast<int>((v >> 11) & 0x1F);
    d = static_cast<int>((v >> 16) & 0x1F);
    mo = static_cast<int>((v >> 21) & 0x0F);
    y = static_cast<int>((v >> 25) & 0x7F) + 1980;
}
} // namespace

TEST(DosTime, PackingPutsTimeLowAndDateHigh) {
    // 2001-05-15 13:45:30: date (21 << 9) | (5 << 5) | 15, time (13 << 11) | (45 << 5) | 15
    std::uint32_t v = PackDosDateTime(2001, 5, 15, 13, 45, 30);
    EXPECT_EQ(v >> 16, (21u << 9) | (5u << 5) | 15u);
    EXPECT_EQ(v & 0xFFFF, (13u << 11) | (45u << 5) | 15u);
    EXPECT_EQ(PackDosDateTime(1979, 12, 31, 23, 59, 59), 0u);
    EXPECT_EQ(PackDosDateTime(2100, 1, 1, 0, 0, 0), 0u);
    EXPECT_NE(PackDosDateTime(2099, 12, 31, 0, 0, 0), 0u);
    EXPECT_NE(PackDosDateTime(1980, 1, 1, 0, 0, 0), 0u);
}

TEST(DosTime, ClampBringsEachFieldIntoRange) {
    // month 0 day 0 -> 1/1; 24:61:62 -> 23:59:58
    std::uint32_t bad = (21u << 25) | (0u << 21) | (0u << 16) | (24u << 11) | (61u << 5) | 31u;
    int y, mo, d, h, mi, s;
    Fields(ClampDosDateTime(bad), y, mo, d, h, mi, s);
    EXPECT_EQ(y, 2001);
    EXPECT_EQ(mo, 1);
    EXPECT_EQ(d, 1);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(mi, 59);
    EXPECT_EQ(s, 58);
    Fields(ClampDosDateTime((127u << 25) | (15u << 21) | (31u << 16)), y, mo, d, h, mi, s);
    EXPECT_EQ(y, 2099);
    EXPECT_EQ(mo, 12);
    EXPECT_EQ(d, 31);
    std::uint32_t good = PackDosDateTime(2024, 2, 29, 12, 0, 0);
    EXPECT_EQ(ClampDosDateTime(good), good);
    // A day past its month's end is left alone, and then does not convert.
    std::uint32_t feb31 = PackDosDateTime(2023, 2, 31, 0, 0, 0);
    EXPECT_EQ(ClampDosDateTime(feb31), feb31);
    bool ok = true;
    EXPECT_EQ(DosDateTimeToDateTime(feb31, ok), 0.0);
    EXPECT_FALSE(ok);
}

TEST(DosTime, DateTimeValuesCountDaysFrom1899_12_30) {
    TDateTime t;
    ASSERT_TRUE(TryEncodeDateTime(1899, 12, 30, 0, 0, 0, 0, t));
    EXPECT_EQ(t, 0.0);
    ASSERT_TRUE(TryEncodeDateTime(2000, 1, 1, 12, 0, 0, 0, t));
    EXPECT_EQ(t, 36526.5);
    EXPECT_FALSE(TryEncodeDateTime(2001, 2, 29, 0, 0, 0, 0, t));
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(36526.5, y, mo, d, h, mi, s, ms);
    EXPECT_EQ(y * 10000 + mo * 100 + d, 20000101);
    EXPECT_EQ(h, 12);
    DecodeDateTime(36526.0 + 86399.9999 / 86400.0, y, mo, d, h, mi, s,
                   ms); // rounds into the next day
    EXPECT_EQ(d, 2);
    EXPECT_EQ(h, 0);
}

TEST(DosTime, RoundTripsThroughDateTime) {
    std::uint32_t v = PackDosDateTime(2001, 5, 15, 13, 45, 30);
    bool ok = false;
    TDateTime t = DosDateTimeToDateTime(v, ok);
    ASSERT_TRUE(ok);
    EXPECT_EQ(DateTimeToDosDateTime(t), v);
    TDateTime old;
    TryEncodeDateTime(1975, 1, 1, 0, 0, 0, 0, old);
    EXPECT_EQ(DateTimeToDosDateTime(old), 0u);
}

TEST(DosTime, NowAndFileTimes) {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    int y, mo, d, h, mi, s;
    Fields(NowDosDateTime(), y, mo, d, h, mi, s);
    EXPECT_EQ(y, t.tm_year + 1900);
    EXPECT_EQ(mo, t.tm_mon + 1);

    testsupport::TempDir dir;
    std::string name = dir.file("f");
    testsupport::WriteFile(name, "x");
    std::uint32_t when = PackDosDateTime(2003, 7, 9, 10, 20, 40);
    ASSERT_TRUE(SetFileDosDateTime(name, when));
    EXPECT_EQ(FileDosDateTime(name), when);
    bool ok = false;
    EXPECT_EQ(FileDateTime(name), DosDateTimeToDateTime(when, ok));
    // A missing file gives the current time.
    EXPECT_NEAR(FileDateTime(dir.file("missing")), Now(), 5.0 / 86400);
}
