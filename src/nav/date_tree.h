// The date arithmetic of the date tree, without widgets: month names and
// lengths, how many week nodes a month has and which days a week node holds.
// Weeks run Sunday to Saturday; week 1 holds the 1st of the month.
#pragma once

#include <string>
#include <vector>

// "January" to "December", fixed English texts.
extern const char* const MonthNames[12];

// Days of the month by the Gregorian calendar (February 29 in leap years).
int MonthDays(int year, int month);
// Weekday of the month's 1st, 1 = Sunday to 7 = Saturday.
int FirstWeekday(int year, int month);
// 1 to 12 by exact (case-sensitive) name; a text that matches none gives 1.
int MonthNumber(const std::string& text);
// The number of Sunday-to-Saturday weeks holding days of the month: 4, 5 or 6.
int WeeksInMonth(int year, int month);
// The days of week node `week` of the month, in order; empty for a week the
// month does not have.
std::vector<int> DaysOfWeek(int year, int month, int week);
// `day` where the month has it, else the month's last day.
int ClampDay(int year, int month, int day);

// Whether `year` equals the integer value of one of `years`, going through
// them in order and stopping at the first match. A string met before the
// match that is no integer raises the conversion message
// "'<text>' is not a valid integer value".
bool YearIncluded(const std::vector<std::string>& years, int year);
