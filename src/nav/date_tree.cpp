#include "nav/date_tree.h"

#include "platform/exception.h"
#include "platform/str_to_int.h"

const char* const MonthNames[12] = {"January",   "February", "March",    "April",
                                    "May",       "June",     "July",     "August",
                                    "September", "October",  "November", "December"};

int MonthNumber(const std::string& text) {
    for (int i = 0; i < 12; ++i)
        if (text == MonthNames[i]) return i + 1;
    return 1;
}

std::chrono::year_month_day Ymd(const QDate& date) {
    return {std::chrono::year{date.year()}, std::chrono::month{static_cast<unsigned>(date.month())},
            std::chrono::day{static_cast<unsigned>(date.day())}};
}

bool YearIncluded(const std::vector<std::string>& years, int year) {
    for (const std::string& text : years) {
        int value = 0;
        if (!TryStrToInt(text, value)) throw Exception(NotAnIntegerMessage(text));
        if (value == year) return true;
    }
    return false;
}
