#include "store/entry_range.h"

using namespace std::chrono;

std::vector<TRangeEntry> EntriesInRange(const TEntryIndex& index, const year_month_day& from,
                                        const year_month_day& to, bool summaries) {
    std::vector<TRangeEntry> entries;
    if (!from.ok() || !to.ok() || sys_days{to} < sys_days{from}) return entries;
    const auto add = [&](const TEntryKey& key, TEntryLevel level) {
        std::string member = MemberPath(key, level);
        if (index.Has(member)) entries.push_back({key, level, std::move(member)});
    };
    // Walking the days in order, a period's summary comes at the first of its
    // days that lies in the range: year, then month, then week.
    TEntryKey last{0, 0, 0, 0};
    for (sys_days d = sys_days{from}; d <= sys_days{to}; d += days{1}) {
        const TEntryKey key = KeyForDate(year_month_day{d});
        if (summaries) {
            const bool newYear = key.Year != last.Year;
            const bool newMonth = newYear || key.Month != last.Month;
            const bool newWeek = newMonth || key.Week != last.Week;
            if (newYear) add(key, TEntryLevel::elYear);
            if (newMonth) add(key, TEntryLevel::elMonth);
            if (newWeek) add(key, TEntryLevel::elWeek);
        }
        add(key, TEntryLevel::elDay);
        last = key;
    }
    return entries;
}
