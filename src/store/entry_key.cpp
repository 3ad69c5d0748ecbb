#include "store/entry_key.h"

#include "platform/user_folders.h"

#include <algorithm>
#include <climits>

using namespace std::chrono;

bool TryStrToInt(const std::string& text, int& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<int>(v);
    return true;
}

TEntryLevel EntryLevel(const std::string& nodeText) {
    int n = 0;
    const bool isInteger = TryStrToInt(nodeText, n);
    if (nodeText.size() == 4 && isInteger) return TEntryLevel::elYear;
    if (isInteger) return TEntryLevel::elDay;
    if (nodeText.compare(0, 4, "Week") == 0) return TEntryLevel::elWeek;
    return TEntryLevel::elMonth;
}

std::string MemberPath(const TEntryKey& key, TEntryLevel level) {
    const std::string year = std::to_string(key.Year);
    const std::string month = year + "\\" + std::to_string(key.Month);
    const std::string week = month + "\\Week" + std::to_string(key.Week);
    switch (level) {
    case TEntryLevel::elYear:
        return year + "\\Summary.rtf";
    case TEntryLevel::elMonth:
        return month + "\\Summary.rtf";
    case TEntryLevel::elWeek:
        return week + "\\Summary.rtf";
    case TEntryLevel::elDay:
        break;
    }
    return week + "\\" + std::to_string(key.Day) + ".rtf";
}

int WeekNumberOfMonth(const year_month_day& date) {
    // f: weekday of the 1st, 1 = Sunday to 7 = Saturday; week n begins on
    // day 7n - f - 5, so the week of day d is (d + f - 2) div 7 + 1.
    const weekday first{sys_days{date.year() / date.month() / 1}};
    const int f = static_cast<int>(first.c_encoding()) + 1;
    const int d = static_cast<int>(static_cast<unsigned>(date.day()));
    return (d + f - 2) / 7 + 1;
}

std::string WeekOfMonth(const year_month_day& date) {
    return "Week" + std::to_string(WeekNumberOfMonth(date));
}

TEntryKey KeyForDate(const year_month_day& date) {
    TEntryKey key;
    key.Year = static_cast<std::uint16_t>(static_cast<int>(date.year()));
    key.Month = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
    key.Week = static_cast<std::uint16_t>(WeekNumberOfMonth(date));
    key.Day = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
    return key;
}

std::string ArchivePath(const std::string& dataPath, const std::string& programFolder) {
    if (dataPath.size() >= 2 && dataPath[1] == ':') return dataPath + "Daybank.zip";
    // Only a path given with "/" is absolute: one that begins with a backslash
    // (a network path included) stays relative, as it always was.
    const bool absolute = !dataPath.empty() && dataPath[0] == '/';
    std::string path = dataPath;
    std::replace(path.begin(), path.end(), '\\', '/');
    return (absolute ? std::string() : programFolder) + path + "Daybank.zip";
}

std::string ArchivePath(const std::string& dataPath) {
    return ArchivePath(dataPath, ProgramFolder());
}
