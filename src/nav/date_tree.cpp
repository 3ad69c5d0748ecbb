#include "nav/date_tree.h"

#include "platform/exception.h"
#include "platform/str_to_int.h"

#include <algorithm>
#include <chrono>

const char* const MonthNames[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};

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

int MonthNumber(const std::string& text) {
    for (int i = 0; i < 12; ++i)
        if (text == MonthNames[i]) return i + 1;
    return 1;
}

int WeeksInMonth(int year, int month) {
    const int length = MonthDays(year, month);
    const int f = FirstWeekday(year, month);
    int w = 4 + (length % 7 != 0 ? 1 : 0);
    if (f + length - 1 > 7 * w) ++w;
    return w;
}

std::vector<int> DaysOfWeek(int year, int month, int week) {
    std::vector<int> days;
    if (week < 1 || week > WeeksInMonth(year, month)) return days;
    const int f = FirstWeekday(year, month);
    const int last = MonthDays(year, month);
    // Week w begins on day 7w - f - 5; for week 1 that is at most day 1.
    const int first = std::max(1, 7 * week - f - 5);
    const int end = std::min(last, 7 * week - f + 1);
    for (int d = first; d <= end; ++d)
        days.push_back(d);
    return days;
}

int ClampDay(int year, int month, int day) {
    return std::clamp(day, 1, std::max(1, MonthDays(year, month)));
}

bool YearIncluded(const std::vector<std::string>& years, int year) {
    for (const std::string& text : years) {
        int value = 0;
        if (!TryStrToInt(text, value))
            throw Exception("'" + text + "' is not a valid integer value");
        if (value == year) return true;
    }
    return false;
}
