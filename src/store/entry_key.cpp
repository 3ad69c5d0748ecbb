#include "store/entry_key.h"

#include "platform/str_to_int.h"
#include "platform/user_folders.h"

#include <algorithm>
#include <vector>

using namespace std::chrono;

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

namespace {

std::vector<std::string> SplitBackslash(const std::string& s) {
    std::vector<std::string> parts(1);
    for (char c : s)
        if (c == '\\')
            parts.emplace_back();
        else
            parts.back() += c;
    return parts;
}

// Numbers in member paths are plain decimal digits without leading zeros.
bool PathNumber(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 5 || text[0] == '0') return false;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stoi(text);
    return value >= low && value <= high;
}

} // namespace

bool ParseMemberPath(const std::string& path, TEntryKey& key, TEntryLevel& level) {
    std::string p = path;
    if (p.size() >= 4 && p.compare(p.size() - 4, 4, ".rtf") == 0) p.resize(p.size() - 4);
    const std::vector<std::string> parts = SplitBackslash(p);
    const bool summary = parts.back() == "Summary";
    int y = 0, m = 1, w = 1, d = 1;
    if (parts.size() < 2 || !PathNumber(parts[0], 1, 65535, y)) return false;
    if (parts.size() == 2 && summary) {
        key = TEntryKey{static_cast<std::uint16_t>(y), 1, 1, 1};
        level = TEntryLevel::elYear;
        return true;
    }
    if (parts.size() < 3 || !PathNumber(parts[1], 1, 12, m)) return false;
    const year_month ym{year{y}, month{static_cast<unsigned>(m)}};
    if (parts.size() == 3 && summary) {
        key = KeyForDate(ym / 1);
        level = TEntryLevel::elMonth;
        return true;
    }
    if (parts.size() != 4 || parts[2].compare(0, 4, "Week") != 0 ||
        !PathNumber(parts[2].substr(4), 1, 6, w))
        return false;
    const int last = static_cast<int>(static_cast<unsigned>((ym / std::chrono::last).day()));
    if (summary) {
        // The first day of the week: week w begins on day 7w - f - 5 (at least 1).
        const int f = static_cast<int>(weekday{sys_days{ym / 1}}.c_encoding()) + 1;
        d = std::max(1, 7 * w - f - 5);
        if (d > last) return false;
        level = TEntryLevel::elWeek;
    } else {
        if (!PathNumber(parts[3], 1, last, d)) return false;
        level = TEntryLevel::elDay;
    }
    key = KeyForDate(ym / d);
    return key.Week == w;
}
