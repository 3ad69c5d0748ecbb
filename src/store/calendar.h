// The diary's calendar arithmetic: month lengths, the weekday of a month's
// 1st, and the Sunday-to-Saturday weeks of a month that the entry names and
// the date tree are built on. Week 1 holds the 1st of the month; week w
// begins on day 7w - f - 5 and ends on day 7w - f + 1, f being the weekday
// of the 1st (1 = Sunday to 7 = Saturday), both kept inside the month.
#pragma once

#include <vector>

// Days of the month by the Gregorian calendar (February 29 in leap years);
// 0 for a month outside 1 to 12.
int MonthDays(int year, int month);
// Weekday of the month's 1st, 1 = Sunday to 7 = Saturday.
int FirstWeekday(int year, int month);
// The week of the month that holds `day`, 1 to 6.
int WeekOfDay(int year, int month, int day);
// The first day of week `week` of the month (at least 1; past the month's
// last day for a week the month does not have).
int FirstDayOfWeek(int year, int month, int week);
// The number of Sunday-to-Saturday weeks holding days of the month: 4, 5 or 6.
int WeeksInMonth(int year, int month);
// The days of week `week` of the month, in order; empty for a week the month
// does not have.
std::vector<int> DaysOfWeek(int year, int month, int week);
// `day` where the month has it, else the month's last day.
int ClampDay(int year, int month, int day);
