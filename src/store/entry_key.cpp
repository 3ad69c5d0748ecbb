#include "store/entry_key.h"

#include "platform/ascii.h"
#include "platform/str_to_int.h"
#include "platform/user_folders.h"
#include "store/calendar.h"

#include <algorithm>

using namespace std::chrono;

TEntryLevel EntryLevel(const std::string& nodeText) {
    int n = 0;
    const bool isInteger = TryStrToInt(nodeText, n);
    if (nodeText.size() == 4 && isInteger) return TEntryLevel::elYear;
    if (isInteger) return TEntryLevel::elDay;
    if (nodeText.compare(0, 4, "Week") == 0) return TEntryLevel::elWeek;
    return TEntryLevel::elMonth;
}

std::string MemberPath(const std::string& year, int month, int week, int day, TEntryLevel level) {
    std::string path = year;
    if (level != TEntryLevel::elYear) path += "\\" + std::to_string(month);
    if (level == TEntryLevel::elWeek || level == TEntryLevel::elDay)
        path += "\\Week" + std::to_string(week);
    return path + (level == TEntryLevel::elDay ? "\\" + std::to_string(day) + ".rtf"
                                               : std::string("\\Summary.rtf"));
}

std::string MemberPath(const TEntryKey& key, TEntryLevel level) {
    return MemberPath(std::to_string(key.Year), key.Month, key.Week, key.Day, level);
}

int WeekNumberOfMonth(const year_month_day& date) {
    return WeekOfDay(static_cast<int>(date.year()), static_cast<int>(unsigned(date.month())),
                     static_cast<int>(unsigned(date.day())));
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

std::string DataFolder(const std::string& dataPath, const std::string& programFolder) {
    std::string path = dataPath;
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (drive) {
        // "D:\Diary\" and "D:Diary\" alike: what follows the drive, under the
        // data folder.
        const std::size_t rest = path.find_first_not_of("\\/", 2);
        path.erase(0, rest == std::string::npos ? path.size() : rest);
    }
    // Only a path given with "/" is absolute: one that begins with a backslash
    // (a network path included) stays relative, as it always was.
    const bool absolute = !drive && !path.empty() && path[0] == '/';
    std::replace(path.begin(), path.end(), '\\', '/');
    return (absolute ? std::string() : programFolder) + path;
}

std::string DataFolder(const std::string& dataPath) {
    return DataFolder(dataPath, ProgramFolder());
}

std::string ArchivePath(const std::string& dataPath, const std::string& programFolder) {
    return DataFolder(dataPath, programFolder) + "Daybank.zip";
}

std::string ArchivePath(const std::string& dataPath) {
    return ArchivePath(dataPath, ProgramFolder());
}

namespace {

// Numbers in member paths are plain decimal digits without leading zeros.
bool PathNumber(std::string_view text, int low, int high, int& value) {
    if (text.empty() || text.size() > 5 || text[0] == '0') return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return value >= low && value <= high;
}

bool SameWord(std::string_view text, std::string_view word, bool anyCase) {
    return anyCase ? AsciiSameText(text, word) : text == word;
}

} // namespace

bool SplitMemberPath(std::string_view path, TMemberParts& parts, bool anyCase) {
    std::string_view part[5];
    std::size_t count = 0;
    for (std::size_t at = 0;;) {
        if (count == 5) return false;
        const std::size_t slash = path.find('\\', at);
        part[count++] = path.substr(at, slash - at);
        if (slash == std::string_view::npos) break;
        at = slash + 1;
    }
    if (count < 2 || count > 4) return false;
    TMemberParts p;
    p.Year = part[0];
    const bool summary = SameWord(part[count - 1], "Summary", anyCase);
    if (count >= 3 && !PathNumber(part[1], 1, 12, p.Month)) return false;
    if (count == 4 && !(part[2].size() >= 4 && SameWord(part[2].substr(0, 4), "Week", anyCase) &&
                        PathNumber(part[2].substr(4), 1, 6, p.Week)))
        return false;
    if (summary) {
        p.Level = count == 2 ? TEntryLevel::elYear
                             : (count == 3 ? TEntryLevel::elMonth : TEntryLevel::elWeek);
    } else {
        if (count != 4 || !PathNumber(part[3], 1, 31, p.Day)) return false;
        p.Level = TEntryLevel::elDay;
    }
    parts = p;
    return true;
}

bool ParseMemberPath(const std::string& path, TEntryKey& key, TEntryLevel& level) {
    std::string_view p = path;
    if (p.ends_with(".rtf")) p.remove_suffix(4);
    TMemberParts parts;
    int y = 0;
    if (!SplitMemberPath(p, parts) || !PathNumber(parts.Year, 1, 65535, y)) return false;
    level = parts.Level;
    if (level == TEntryLevel::elYear) {
        key = TEntryKey{static_cast<std::uint16_t>(y), 1, 1, 1};
        return true;
    }
    const int m = parts.Month;
    int d = 1;
    if (level == TEntryLevel::elWeek) {
        d = FirstDayOfWeek(y, m, parts.Week);
    } else if (level == TEntryLevel::elDay) {
        d = parts.Day;
    }
    if (d > MonthDays(y, m)) return false;
    key = KeyForDate(year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)});
    return level == TEntryLevel::elMonth || key.Week == parts.Week;
}
