// The entries of a date range, in date order: per year its summary, per
// month its summary, per week its summary followed by its days. A day entry
// belongs to the range when its day does, a summary when any day of its
// period does. Only entries the archive holds are listed (from its
// directory alone).
#pragma once

#include "store/entry_index.h"

#include <chrono>
#include <string>
#include <vector>

struct TRangeEntry {
    TEntryKey Key; // for a summary, the first day of its period
    TEntryLevel Level = TEntryLevel::elDay;
    std::string Member;
};

std::vector<TRangeEntry> EntriesInRange(const TEntryIndex& index,
                                        const std::chrono::year_month_day& from,
                                        const std::chrono::year_month_day& to, bool summaries);
