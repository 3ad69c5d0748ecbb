// How a diary entry is named: the key of an entry, its level, its member
// name inside the profile's archive, and the archive's file path. These
// names are the diary's storage format; archives already written rely on
// every character of them.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

struct TEntryKey {
    std::uint16_t Year = 0;
    std::uint16_t Month = 1; // 1 to 12
    std::uint16_t Week = 1;  // 1 to 6, week of the month (see WeekOfMonth)
    std::uint16_t Day = 1;   // 1 to 31
};

// The one member besides the entries: the profile's template, at the root.
constexpr const char* TemplateMember = "Template.rtf";

enum class TEntryLevel { elYear, elMonth, elWeek, elDay };

// The level of a date tree node, from its text: four characters that read as
// an integer are a year, any other integer a day, "Week..." a week, the rest
// (month names) a month.
TEntryLevel EntryLevel(const std::string& nodeText);

// The member name, with "\" separators: "2000\Summary.rtf",
// "2000\3\Summary.rtf", "2000\3\Week3\Summary.rtf", "2000\3\Week3\15.rtf".
std::string MemberPath(const TEntryKey& key, TEntryLevel level);
// The same from the year as written (find in files walks the year list's
// texts as they stand) and the numbers the level names.
std::string MemberPath(const std::string& year, int month, int week, int day, TEntryLevel level);

// Weeks run Sunday to Saturday; week 1 holds the 1st of the month.
int WeekNumberOfMonth(const std::chrono::year_month_day& date);
// "Week" and the week number: "Week1" to "Week6".
std::string WeekOfMonth(const std::chrono::year_month_day& date);
// The key of a day: year, month, its week of the month and day.
TEntryKey KeyForDate(const std::chrono::year_month_day& date);

// The folder a data path names on this system, with every "\" made "/": a
// path beginning with "/" is absolute; any other lies under `programFolder`
// (ending in "/"). A Windows drive letter ("D:\Diary\", written where
// the diary was kept on Windows) names no place here: the path is taken
// under `programFolder` without it ("Diary/"), never against the current
// folder.
std::string DataFolder(const std::string& dataPath, const std::string& programFolder);
std::string DataFolder(const std::string& dataPath);
// The archive of a data path: its DataFolder with "Daybank.zip" appended
// without a separator of its own.
std::string ArchivePath(const std::string& dataPath, const std::string& programFolder);
// The same under the program's folder of this user.
std::string ArchivePath(const std::string& dataPath);

// The parts of a member path less its ".rtf", before any calendar check:
// "2001\3\Week2\7" is year "2001", month 3, week 2, day 7. The parts a level
// does not name are 0; numbers are plain decimal digits without leading
// zeros, months 1 to 12, weeks 1 to 6, days 1 to 31. `anyCase` lets "Summary"
// and "Week" match in any letter case, as the archive's lookup does.
struct TMemberParts {
    std::string_view Year; // as written
    int Month = 0, Week = 0, Day = 0;
    TEntryLevel Level = TEntryLevel::elDay;
};
bool SplitMemberPath(std::string_view path, TMemberParts& parts, bool anyCase = false);

// The inverse of MemberPath: the key and level of a member path, with or
// without its final ".rtf" ("2001\3\Week2\7", "2001\3\Summary.rtf"). The parts
// a level does not name stay as in `key`'s defaults: a month summary's key
// has day 1 and week 1, a week summary's key the first day of its week.
// False for a path that names no entry (a day outside its week, month 13,
// "Template.rtf", anything else).
bool ParseMemberPath(const std::string& path, TEntryKey& key, TEntryLevel& level);
