#include "store/entry_index.h"

#include "platform/ascii.h"
#include "zip/zip_reader.h"
#include "zip/zip_utils.h"

#include <chrono>

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
        reads_ = -1;
        return;
    }
    if (reader_->DirectoryReads() == reads_) return;
    reads_ = reader_->DirectoryReads();
    members_.clear();
    members_.reserve(static_cast<std::size_t>(reader_->Count()));
    for (int i = 0; i < reader_->Count(); ++i) {
        const TZipHeaderInfo& m = reader_->Member(i);
        members_[AsciiLower(m.Name())] = m.IsEncrypted();
    }
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
