#include "zip/archive_files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "platform/exception.h"
#include "zip/archive_lock.h"
#include "zip/exceptions.h"
#include "zip/file_stream.h"
#include "zip/zip_utils.h"

std::unique_ptr<TStream> TArchiveFileOps::CreateFile(const std::string& name) {
    return std::make_unique<TFileStream>(name, fmCreate);
}

bool TArchiveFileOps::Commit(TStream& file) {
    auto* f = dynamic_cast<TFileStream*>(&file);
    return f != nullptr && f->Commit();
}

void TArchiveFileOps::StartWriteback(TStream& file) {
    if (auto* f = dynamic_cast<TFileStream*>(&file))
        ::sync_file_range(f->Handle(), 0, 0, SYNC_FILE_RANGE_WRITE);
}

bool TArchiveFileOps::CopyRange(int in, std::int64_t from, TStream& out, std::int64_t count) {
    if (auto* file = dynamic_cast<TFileStream*>(&out)) {
        loff_t at = from;
        while (count > 0) {
            const ssize_t n = ::copy_file_range(
                in, &at, file->Handle(), nullptr,
                static_cast<std::size_t>(std::min<std::int64_t>(count, 1 << 30)), 0);
            if (n > 0) {
                count -= n;
                continue;
            }
            if (n == 0) throw EStreamError("Stream read error"); // the old archive ends early
            if (errno == EINTR) continue;
            if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) return false;
            // Refused (another file system, a kernel or file system without
            // it: EXDEV, EINVAL, ENOSYS, EOPNOTSUPP ...): the buffer does it,
            // and meets any real fault itself.
            break;
        }
        if (count == 0) return true;
        from = at;
    }
    return CopyRangeThroughBuffer(in, from, out, count);
}

std::unique_ptr<TFileMap> TArchiveFileOps::MapFile(int fd) {
    return std::make_unique<TFileMap>(fd);
}

bool CopyRangeThroughBuffer(int in, std::int64_t from, TStream& out, std::int64_t count) {
    constexpr std::int64_t kPiece = 256 * 1024;
    std::unique_ptr<char[]> buffer(new char[static_cast<std::size_t>(std::min(count, kPiece))]);
    while (count > 0) {
        const ssize_t n =
            ::pread(in, buffer.get(), static_cast<std::size_t>(std::min(count, kPiece)), from);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw EStreamError("Stream read error");
        if (out.Write(buffer.get(), n) != n) return false;
        from += n;
        count -= n;
    }
    return true;
}

namespace {

// The permission bits a new archive gets: the old archive's (its owner may
// have shared it on purpose), or read and write for the owner alone for a
// new one, whatever the umask: an archive holds a diary.
void TakeOverMode(const std::string& temp, const std::string& target) {
    struct stat st {};
    const mode_t mode = ::stat(target.c_str(), &st) == 0 ? st.st_mode & 07777 : NewArchiveMode;
    ::chmod(temp.c_str(), mode);
}

// Copies `from` into the committed file `to` through the ops.
void CopyThrough(TArchiveFileOps& ops, const std::string& from, const std::string& to) {
    TFileStream in(from, fmOpenRead);
    std::unique_ptr<TStream> out = ops.CreateFile(to);
    std::vector<char> buffer(1 << 16);
    for (;;) {
        std::int64_t n = in.Read(buffer.data(), static_cast<std::int64_t>(buffer.size()));
        if (n < 0) throw EStreamError("Stream read error");
        if (n == 0) break;
        if (out->Write(buffer.data(), n) != n)
            throw ENotEnoughRoom("Not enough room to write archive");
    }
    if (!ops.Commit(*out)) throw ENotEnoughRoom("Not enough room to write archive");
}

} // namespace

void InstallArchive(TArchiveFileOps& ops, const std::string& temp, const std::string& target) {
    TakeOverMode(temp, target);
    int err = ops.Rename(temp, target);
    const bool copied = err == EXDEV;
    if (copied) {
        // Another file system: a second copy beside the target, then rename that.
        std::unique_ptr<TTempArchiveFile> beside;
        try {
            beside = std::make_unique<TTempArchiveFile>(FolderOf(target), target);
            TakeOverMode(beside->Name(), target);
            CopyThrough(ops, temp, beside->Name());
        } catch (...) {
            if (beside) ::unlink(beside->Name().c_str());
            ::unlink(temp.c_str());
            throw;
        }
        err = ops.Rename(beside->Name(), target);
        if (err != 0) ::unlink(beside->Name().c_str());
    }
    // The target now holds the new archive, or (err != 0) still the old one.
    // After a rename in place `temp` is gone already; after a copy beside
    // the target it is a spare copy.
    if (err != 0 || copied) ::unlink(temp.c_str());
    if (err != 0) throw MakeCreateError(target, err);
    // A folder that cannot be flushed (some file systems refuse) leaves the
    // rename to the system's own write-back; the new archive is in place.
    ops.SyncFolder(FolderOf(target));
}
