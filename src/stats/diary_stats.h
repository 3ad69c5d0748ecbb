// A diary at a glance, without widgets: entries and words per year and
// month, words per day, and the runs of consecutive days with an entry.
//
// Everything comes from the archive's directory (which entries there are)
// and the entries' text, read by a TEntryReader of its own and turned into
// text by the find-in-files scanner (rtf_entry_text.h); words are counted as
// the status bar counts them (rtf::CountWords). A protected entry counts as
// an entry; its words count only when the profile's default password opens
// it, as in Find in Files.
//
// Day entries count as entries; week, month and year summaries as
// summaries, a week's and a month's in their month, a year's in its year
// only. Runs and the calendar of days take day entries alone.
#pragma once

#include "platform/password.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct TStatsCount {
    int Entries = 0;
    int Summaries = 0;
    long long Words = 0;
    // Protected entries the default password does not open: no words counted.
    int Uncounted = 0;
};

// One day that has an entry.
struct TDayStats {
    long long Words = 0;
    bool Protected = false; // its words are not counted
};

struct TDayRuns {
    int Longest = 0;
    std::chrono::sys_days LongestEnd{}; // the last day of the longest run (the latest of equals)
    // The run that ends today, or yesterday while today has no entry yet.
    int Current = 0;
};

struct TDiaryStats {
    TStatsCount Total;
    std::map<int, TStatsCount> Years;
    std::map<std::pair<int, int>, TStatsCount> Months; // (year, month)
    std::map<std::chrono::sys_days, TDayStats> Days;
    TDayRuns Runs;
};

// The runs of consecutive days among `days` (sorted, each once).
TDayRuns DayRuns(const std::vector<std::chrono::sys_days>& days, std::chrono::sys_days today);

// The statistics of the archive at `archivePath` (none: all zero). Engine
// errors of a damaged archive propagate.
TDiaryStats ComputeDiaryStats(const std::string& archivePath, const TPassword& defaultPassword,
                              std::chrono::sys_days today);

// The heat map's shades: 0 for a day without an entry, 1 to 4 for days with
// one, by the quarter of the year's days that wrote fewer words.
class THeatScale {
public:
    // The word counts of the days shown (days with an entry only).
    explicit THeatScale(std::vector<long long> words);
    int Level(const TDayStats* day) const;

private:
    long long limits_[3] = {0, 0, 0};
};
