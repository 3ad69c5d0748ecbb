#include "platform/file_replace.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

int TFileOps::CreateTemp(std::string& name) {
    return ::mkostemp(name.data(), O_CLOEXEC);
}

bool TFileOps::WriteAll(int fd, const char* data, std::size_t size) {
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TFileOps::CopyAll(int in, int out) {
    for (;;) {
        const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (n == 0) return true;
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
        if (n == 0) return true;
        if (!WriteAll(out, buffer, static_cast<std::size_t>(n))) return false;
    }
}

bool TFileOps::Sync(int fd) {
    return ::fsync(fd) == 0;
}

int TFileOps::Rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool TFileOps::SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

namespace {
TFileOps* g_ops = nullptr;
} // namespace

TFileOps& FileOps() {
    static TFileOps system;
    return g_ops ? *g_ops : system;
}

TFileOps* SetFileOps(TFileOps* ops) {
    TFileOps* old = g_ops;
    g_ops = ops;
    return old;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

namespace {

TReplaceResult Failed(TReplaceResult::TStep step, int error, std::string file) {
    return TReplaceResult{step, error, std::move(file)};
}

// The file a path names, through symbolic links; the path itself for a file
// that does not exist yet.
std::string RealTarget(const std::string& path) {
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    return target;
}

// The sequence both replacements share: `fill` writes the temporary file.
// `privateMode`: the file gets 0600 whatever the old one had.
TReplaceResult WriteBeside(const std::string& path, unsigned newMode, bool privateMode,
                           const std::function<bool(TFileOps&, int)>& fill) {
    TFileOps& ops = FileOps();
    const std::string target = RealTarget(path);
    std::string temp = target + ".XXXXXX";
    const int fd = ops.CreateTemp(temp);
    if (fd < 0) return Failed(TReplaceResult::Create, errno, FolderOf(target));
    struct stat st {};
    mode_t mode = 0;
    if (privateMode) {
        mode = PrivateFileMode;
    } else if (::stat(target.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(022);
        ::umask(mask);
        mode = static_cast<mode_t>(newMode) & ~mask;
    }
    TReplaceResult result;
    if (::fchmod(fd, mode) != 0 || !fill(ops, fd) || !ops.Sync(fd))
        result = Failed(TReplaceResult::Write, errno, target);
    if (::close(fd) != 0 && result) result = Failed(TReplaceResult::Close, errno, temp);
    if (result)
        if (const int error = ops.Rename(temp, target); error != 0)
            result = Failed(TReplaceResult::Rename, error, target);
    if (!result) {
        ::unlink(temp.c_str());
        return result;
    }
    ops.SyncFolder(FolderOf(target));
    return result;
}

} // namespace

TReplaceResult ReplaceFileWhole(const std::string& path, std::string_view bytes, unsigned newMode) {
    return WriteBeside(path, newMode, false, [bytes](TFileOps& ops, int fd) {
        return ops.WriteAll(fd, bytes.data(), bytes.size());
    });
}

TReplaceResult ReplacePrivateFileWhole(const std::string& path, std::string_view bytes) {
    return WriteBeside(path, PrivateFileMode, true, [bytes](TFileOps& ops, int fd) {
        return ops.WriteAll(fd, bytes.data(), bytes.size());
    });
}

bool PreparePrivateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, PrivateFileMode);
    if (fd < 0) return false;
    const bool ok = ::fchmod(fd, PrivateFileMode) == 0;
    ::close(fd);
    return ok;
}

TReplaceResult CopyFileWhole(const std::string& from, const std::string& to, unsigned newMode) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return Failed(TReplaceResult::Read, errno, from);
    TReplaceResult result = WriteBeside(
        to, newMode, false, [in](TFileOps& ops, int fd) { return ops.CopyAll(in, fd); });
    ::close(in);
    return result;
}
