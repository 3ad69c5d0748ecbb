#include "zip/zip_utils.h"

#include "platform/codepage.h"
#include "platform/exception.h"
#include "zip/hooks.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

std::string SlashesToZip(std::string name) {
    for (char& c : name)
        if (c == '\\') c = '/';
    return name;
}

std::string SlashesToDos(std::string name) {
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

std::string LeftStr(const std::string& s, long long n) {
    if (n <= 0) return {};
    return s.substr(0, static_cast<std::size_t>(n));
}

std::string RightStr(const std::string& s, long long n) {
    if (n <= 0) return {};
    if (static_cast<unsigned long long>(n) >= s.size()) return s;
    return s.substr(s.size() - static_cast<std::size_t>(n));
}

bool HasWildcard(const std::string& s) {
    return s.find_first_of("*?<>|") != std::string::npos;
}

namespace {
__extension__ using Int128 = __int128; // a compiler extension; -Wpedantic knows it is wanted
} // namespace

int CalcPercent64(std::int64_t total, std::int64_t done) {
    if (total <= 0) return 0;
    // Exact integer arithmetic gives what an exact division rounded half to
    // even would; 128 bits keep done * 100 from overflowing.
    Int128 num = static_cast<Int128>(done) * 100;
    Int128 q = num / total;
    Int128 r = num % total;
    if (r < 0) { // floor for negative done
        r += total;
        --q;
    }
    if (2 * r > total || (2 * r == total && (q & 1) != 0)) ++q;
    if (q > 100) return 100;
    return static_cast<int>(q);
}

int CalcPercent(std::int32_t total, std::int32_t done) {
    return CalcPercent64(total, done);
}

bool DirectoryExists(const std::string& name) {
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& name) {
    struct stat st {};
    return !name.empty() && ::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool ForceDirectories(const std::string& folder) {
    if (folder.empty()) return false;
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    if (DirectoryExists(path)) return true;
    std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !ForceDirectories(path.substr(0, slash)))
        return false;
    return ::mkdir(path.c_str(), 0777) == 0 || (errno == EEXIST && DirectoryExists(path));
}

std::string TempFileName(const std::string& folder) {
    std::string dir = folder;
    if (dir.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        dir = tmp && *tmp ? tmp : "/tmp";
    }
    if (dir.back() != '/') dir += '/';
    std::string tmpl = dir + "ZQXXXXXXXX"; // "ZQX" and six characters mkstemp fills in
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) throw MakeCreateError(tmpl, errno);
    ::close(fd);
    return buf.data();
}

namespace {

bool CopyContents(int in, int out) {
    std::vector<char> buf(65536);
    for (;;) {
        ssize_t n = ::read(in, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return ::fsync(out) == 0;
        ssize_t done = 0;
        while (done < n) {
            ssize_t w = ::write(out, buf.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return false;
            done += w;
        }
    }
}

} // namespace

bool CopyFileTo(const std::string& source, const std::string& dest) {
    bool ok = false;
    int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in >= 0) {
        int out = ::open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (out >= 0) {
            ok = CopyContents(in, out);
            ok = (::close(out) == 0) && ok;
            if (!ok) ::unlink(dest.c_str());
        }
        ::close(in);
    }
    if (!ok) ShowEngineMessage("Could not copy from " + source + " -> " + dest, "Error");
    return ok;
}

std::string OemRoundTrip(const std::string& name) {
    return AnsiOemRoundTrip(name);
}

bool NameEscapesFolder(const std::string& name) {
    if (!name.empty() && (name[0] == '\\' || name[0] == '/')) return true;
    if (name.size() >= 2 && name[1] == ':') return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = name.find_first_of("\\/", start);
        if (name.compare(start, end == std::string::npos ? std::string::npos : end - start, "..") ==
            0)
            return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}

std::string ConvertPathNames(const std::string& path, int) {
    return path;
}

bool ReadVolumeLabel(const std::string&, std::string& label) {
    label.clear();
    return false;
}

bool WriteVolumeLabel(const std::string&, const std::string&) {
    return false;
}
