// Daily copies of a profile's archive: before the first store of a day into
// an archive, the archive as it was is copied to "Backups/Daybank-YYYY-MM-DD.zip"
// in the profile's data folder, and only the newest copies are kept. A copy is
// written beside its final name, flushed and renamed, so a copy that exists is
// a whole archive; one that cannot be made leaves no file behind.
#pragma once

#include <chrono>
#include <string>
#include <vector>

// The copies of the archive's folder, newest first.
std::vector<std::string> ArchiveBackups(const std::string& archivePath);

// Makes today's copy of `archivePath` unless it exists (or the archive does
// not exist yet), then removes the oldest copies beyond `keep`. `keep` 0
// makes and removes nothing. Returns what went wrong, empty when nothing did.
std::string BackUpArchive(const std::string& archivePath, const std::chrono::year_month_day& today,
                          int keep);
