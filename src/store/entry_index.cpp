#include "store/entry_index.h"

#include "platform/ascii.h"
#include "zip/zip_reader.h"
#include "zip/zip_utils.h"

#include <chrono>

namespace {

// A period by its place: "2026", "2026\12", "2026\12\7" for week 7 (any
// level past the day is none).
std::string PeriodName(const TEntryKey& key, TEntryLevel level) {
    std::string name = std::to_string(key.Year);
    if (level == TEntryLevel::elYear) return name;
    name += "\\" + std::to_string(key.Month);
    if (level == TEntryLevel::elMonth) return name;
    return name + "\\" + std::to_string(key.Week);
}

// The period one level above `level` (elYear has none).
TEntryLevel Above(TEntryLevel level) {
    switch (level) {
    case TEntryLevel::elDay:
        return TEntryLevel::elWeek;
    case TEntryLevel::elWeek:
        return TEntryLevel::elMonth;
    default:
        return TEntryLevel::elYear;
    }
}

} // namespace

TEntryIndex::TEntryIndex() : reader_(std::make_unique<TZipReader>()) {}

TEntryIndex::~TEntryIndex() = default;

void TEntryIndex::Refresh(const std::string& archivePath) {
    if (archivePath != archive_) {
        archive_ = archivePath;
        reader_->ResetArchive();
        reads_ = -1;
    }
    if (!FileExists(archivePath)) {
        members_.clear();
        periods_.clear();
        reads_ = -1;
        return;
    }
    try {
        reader_->SetZipName(archivePath);
        reader_->OpenArchive(); // reads the directory only when the file changed
        reader_->CloseArchive();
    } catch (const std::exception&) {
        reader_->ResetArchive();
        members_.clear();
        periods_.clear();
        reads_ = -1;
        return;
    }
    if (reader_->DirectoryReads() == reads_) return;
    reads_ = reader_->DirectoryReads();
    members_.clear();
    periods_.clear();
    members_.reserve(static_cast<std::size_t>(reader_->Count()));
    for (int i = 0; i < reader_->Count(); ++i) {
        const TZipHeaderInfo& m = reader_->Member(i);
        members_[AsciiLower(m.Name())] = m.IsEncrypted();
        TEntryKey key;
        TEntryLevel level;
        if (!ParseMemberPath(m.Name(), key, level)) continue;
        // Every period above the entry holds something below it.
        for (TEntryLevel up = level; up != TEntryLevel::elYear;) {
            up = Above(up);
            periods_.insert(PeriodName(key, up));
        }
    }
}

bool TEntryIndex::HasBelow(const TEntryKey& key, TEntryLevel level) const {
    return level != TEntryLevel::elDay && periods_.count(PeriodName(key, level)) != 0;
}

bool TEntryIndex::Has(const std::string& member) const {
    return members_.count(AsciiLower(member)) != 0;
}

bool TEntryIndex::Encrypted(const std::string& member) const {
    const auto it = members_.find(AsciiLower(member));
    return it != members_.end() && it->second;
}

bool TEntryIndex::HasDay(int year, int month, int day) const {
    using namespace std::chrono;
    const year_month_day date{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                              std::chrono::day{unsigned(day)}};
    if (!date.ok()) return false;
    return Has(KeyForDate(date), TEntryLevel::elDay);
}
