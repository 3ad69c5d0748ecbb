#include "stats/diary_stats.h"

#include "rtf/rtf_entry_text.h"
#include "rtf/rtf_text_rules.h"
#include "store/calendar.h"
#include "store/entry_key.h"
#include "store/entry_reader.h"

#include <algorithm>

using namespace std::chrono;

TDayRuns DayRuns(const std::vector<sys_days>& days, sys_days today) {
    TDayRuns runs;
    int run = 0;
    for (std::size_t i = 0; i < days.size(); ++i) {
        run = i > 0 && days[i] - days[i - 1] == std::chrono::days{1} ? run + 1 : 1;
        if (run >= runs.Longest) {
            runs.Longest = run;
            runs.LongestEnd = days[i];
        }
    }
    // The run that reaches today, or yesterday: today's entry may come yet.
    const auto last = std::upper_bound(days.begin(), days.end(), today);
    if (last != days.begin()) {
        auto at = std::prev(last);
        if (today - *at <= std::chrono::days{1}) {
            runs.Current = 1;
            while (at != days.begin() && *at - *std::prev(at) == std::chrono::days{1}) {
                ++runs.Current;
                --at;
            }
        }
    }
    return runs;
}

TDiaryStats ComputeDiaryStats(const std::string& archivePath, const TPassword& defaultPassword,
                              sys_days today) {
    TDiaryStats stats;
    if (!ArchiveExists(archivePath)) return stats;
    TEntryReader reader;
    reader.Policy = TPasswordPolicy::DefaultOnly;
    reader.DefaultPassword = defaultPassword;
    reader.KeepOpen(true);
    reader.ProcessMessages(false);
    struct TClose {
        TEntryReader& r;
        ~TClose() { r.Close(); }
    } close{reader};

    const std::vector<std::string> names = reader.MemberNames(archivePath);
    // Every member is read in directory order: the AES ones' keys are
    // derived ahead on every processor.
    std::vector<int> order(names.size());
    for (std::size_t i = 0; i < names.size(); ++i)
        order[i] = static_cast<int>(i);
    reader.PrefetchKeys(archivePath, order, defaultPassword);
    for (std::size_t i = 0; i < names.size(); ++i) {
        TEntryKey key;
        TEntryLevel level;
        if (!ParseMemberPath(names[i], key, level)) continue; // the template, foreign files
        const TEntryReader::TRead read = reader.ReadIndex(archivePath, static_cast<int>(i));
        const bool counted = read.Found;
        const long long words = counted ? rtf::CountWords(EntryText(reader.Bytes())) : 0;
        const bool day = level == TEntryLevel::elDay;
        const auto add = [&](TStatsCount& c) {
            ++(day ? c.Entries : c.Summaries);
            c.Words += words;
            if (!counted) ++c.Uncounted;
        };
        add(stats.Total);
        add(stats.Years[key.Year]);
        if (level != TEntryLevel::elYear) add(stats.Months[{key.Year, key.Month}]);
        if (day) {
            TDayStats& d = stats.Days[sys_days{year{key.Year} / month{key.Month} / key.Day}];
            d.Words += words;
            d.Protected = d.Protected || !counted;
        }
    }
    std::vector<sys_days> days;
    days.reserve(stats.Days.size());
    for (const auto& [date, _] : stats.Days)
        days.push_back(date);
    stats.Runs = DayRuns(days, today);
    return stats;
}

THeatScale::THeatScale(std::vector<long long> words) {
    if (words.empty()) return;
    std::sort(words.begin(), words.end());
    for (int q = 0; q < 3; ++q)
        limits_[q] = words[words.size() * static_cast<std::size_t>(q + 1) / 4];
}

int THeatScale::Level(const TDayStats* day) const {
    if (!day) return 0;
    int level = 1;
    for (long long limit : limits_)
        if (day->Words > limit) ++level;
    return std::min(level, 4);
}
