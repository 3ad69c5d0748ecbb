#include "store/backups.h"

#include "platform/file_replace.h"
#include "platform/user_folders.h"
#include "zip/zip_utils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <unistd.h>

namespace {

std::string BackupFolder(const std::string& archivePath) {
    std::string folder = FolderOf(archivePath);
    if (folder.back() != '/') folder += '/';
    return folder + "Backups/";
}

// "Daybank-2026-12-08.zip"
bool IsBackupName(const std::string& name) {
    static const std::string shape = "Daybank-dddd-dd-dd.zip";
    if (name.size() != shape.size()) return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !(name[i] >= '0' && name[i] <= '9') : name[i] != shape[i])
            return false;
    return true;
}

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

} // namespace

std::vector<std::string> ArchiveBackups(const std::string& archivePath) {
    std::vector<std::string> names;
    const std::string folder = BackupFolder(archivePath);
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (IsBackupName(e->d_name)) names.push_back(folder + e->d_name);
        ::closedir(dir);
    }
    // The dates in the names sort as text.
    std::sort(names.rbegin(), names.rend());
    return names;
}

std::string BackUpArchive(const std::string& archivePath, const std::chrono::year_month_day& today,
                          int keep) {
    if (keep <= 0 || !FileExists(archivePath)) return {};
    const std::string folder = BackupFolder(archivePath);
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(today.year()),
                  static_cast<unsigned>(today.month()), static_cast<unsigned>(today.day()));
    const std::string target = folder + "Daybank-" + date + ".zip";
    if (!FileExists(target)) {
        if (!ForceFolders(folder)) return SystemError("Cannot create the folder " + folder, errno);
        // Only the owner reads a copy of the diary.
        const TReplaceResult copied = CopyFileWhole(archivePath, target, 0600);
        switch (copied.Step) {
        case TReplaceResult::None:
            break;
        case TReplaceResult::Create:
            return SystemError("Cannot create a file in " + folder, copied.Error);
        case TReplaceResult::Read:
            return SystemError("Cannot read " + archivePath, copied.Error);
        case TReplaceResult::Write:
            return SystemError("Cannot copy " + archivePath, copied.Error);
        case TReplaceResult::Close:
            return SystemError("Cannot write " + copied.File, copied.Error);
        case TReplaceResult::Rename:
            return SystemError("Cannot create " + target, copied.Error);
        }
    }
    const std::vector<std::string> copies = ArchiveBackups(archivePath);
    for (std::size_t i = static_cast<std::size_t>(keep); i < copies.size(); ++i)
        ::unlink(copies[i].c_str());
    return {};
}
