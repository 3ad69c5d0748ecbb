#include "store/calendar.h"

#include <algorithm>
#include <chrono>

int MonthDays(int year, int month) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return days[month - 1] + (month == 2 && leap ? 1 : 0);
}

int FirstWeekday(int year, int month) {
    using namespace std::chrono;
    const weekday w{
        sys_days{std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} / 1}};
    return static_cast<int>(w.c_encoding()) + 1;
}

int WeekOfDay(int year, int month, int day) {
    return (day + FirstWeekday(year, month) - 2) / 7 + 1;
}

int FirstDayOfWeek(int year, int month, int week) {
    return std::max(1, 7 * week - FirstWeekday(year, month) - 5);
}

int WeeksInMonth(int year, int month) {
    return WeekOfDay(year, month, MonthDays(year, month));
}

std::vector<int> DaysOfWeek(int year, int month, int week) {
    std::vector<int> days;
    if (week < 1 || week > WeeksInMonth(year, month)) return days;
    const int end = std::min(MonthDays(year, month), 7 * week - FirstWeekday(year, month) + 1);
    for (int d = FirstDayOfWeek(year, month, week); d <= end; ++d)
        days.push_back(d);
    return days;
}

int ClampDay(int year, int month, int day) {
    return std::clamp(day, 1, std::max(1, MonthDays(year, month)));
}
