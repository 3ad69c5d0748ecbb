// Which entries a profile's archive holds, from the archive's directory alone:
// no member is read, so marking the days and nodes that have an entry costs
// a directory read when the archive changed and nothing when it did not.
#pragma once

#include "store/entry_key.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

class TZipReader;

class TEntryIndex {
public:
    TEntryIndex();
    ~TEntryIndex();

    // Follows the archive at `archivePath`: its directory is read again only
    // when the file changed. No archive, or one that cannot be read, holds
    // no entries (the load of an entry reports what is wrong with it).
    void Refresh(const std::string& archivePath);

    // Member paths with "\" separators, letter case ignored as the archive's
    // own lookup ignores it.
    bool Has(const std::string& member) const;
    bool Has(const TEntryKey& key, TEntryLevel level) const { return Has(MemberPath(key, level)); }
    // Whether the member is encrypted (false when there is no such member).
    bool Encrypted(const std::string& member) const;
    // The day entry of a date, wherever its week folder.
    bool HasDay(int year, int month, int day) const;
    // Whether an entry lies below the year, month or week of `key` at
    // `level` (the period's own summary not counted): a day of a week, a
    // week's summary or a day of a month, anything of a year.
    bool HasBelow(const TEntryKey& key, TEntryLevel level) const;
    int Count() const { return static_cast<int>(members_.size()); }

private:
    std::unique_ptr<TZipReader> reader_;
    std::string archive_;
    int reads_ = -1; // the reader's directory reads when the index was built
    std::unordered_map<std::string, bool> members_; // lower-cased name -> encrypted
    std::unordered_set<std::string> periods_;       // periods with entries below them
};
