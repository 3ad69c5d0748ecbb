#include "store/backups.h"

#include "platform/user_folders.h"
#include "zip/archive_files.h"
#include "zip/zip_utils.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
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

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Copies the whole file by the kernel where it can (copy_file_range may even
// share the blocks), else through a buffer; then flushes it.
bool CopyContents(int in, int out) {
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0) return ::fsync(out) == 0;
        if (n > 0) continue;
        if (errno == EINTR) continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        break; // refused here: the buffer does it, from where the kernel stopped
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return ::fsync(out) == 0;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
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
        if (!ForceFolders(folder)) return SystemError("Cannot create the folder " + folder);
        const int in = ::open(archivePath.c_str(), O_RDONLY | O_CLOEXEC);
        if (in < 0) return SystemError("Cannot read " + archivePath);
        std::string temp = target + ".XXXXXX";
        const int out = ::mkstemp(temp.data());
        if (out < 0) {
            const std::string error = SystemError("Cannot create a file in " + folder);
            ::close(in);
            return error;
        }
        bool ok = CopyContents(in, out);
        std::string error = ok ? std::string() : SystemError("Cannot copy " + archivePath);
        ::close(in);
        if (::close(out) != 0 && ok) {
            ok = false;
            error = SystemError("Cannot write " + temp);
        }
        if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
            ok = false;
            error = SystemError("Cannot create " + target);
        }
        if (!ok) {
            ::unlink(temp.c_str());
            return error;
        }
        if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
    }
    const std::vector<std::string> copies = ArchiveBackups(archivePath);
    for (std::size_t i = static_cast<std::size_t>(keep); i < copies.size(); ++i)
        ::unlink(copies[i].c_str());
    return {};
}
