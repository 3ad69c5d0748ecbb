#include "platform/profile_file.h"

#include "platform/ascii.h"
#include "platform/file_replace.h"
#include "platform/user_folders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// ---- the real file system ----

class TSystemIO : public TProfileFileIO {
public:
    bool ReadAll(const std::string& path, std::string& bytes) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return false;
        bytes.clear();
        char buf[65536];
        bool ok = true;
        for (;;) {
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ok = false;
            if (n <= 0) break;
            bytes.append(buf, static_cast<std::size_t>(n));
        }
        ::close(fd);
        return ok;
    }

    bool ReplaceAll(const std::string& path, const std::string& bytes) override {
        // A new settings file holds passwords, scrambled or not: only its owner reads it.
        return static_cast<bool>(ReplaceFileWhole(path, bytes, 0600));
    }
};

TProfileFileIO* g_io = nullptr;

TProfileFileIO& IO() {
    return g_io ? *g_io : SystemProfileFileIO();
}

// ---- parsing ----

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && (IsBlank(s[e - 1]) || s[e - 1] == '\r'))
        --e;
    return s.substr(b, e - b);
}

// One line of the file: its text without the line end, and the line end as
// it was ("\r\n", "\n" or nothing for a last line without one).
struct TLine {
    std::string text;
    std::string end;
};

struct TParsedFile {
    std::string bom;
    std::vector<TLine> lines;
};

TParsedFile Split(const std::string& bytes) {
    TParsedFile f;
    std::size_t pos = 0;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        f.bom = bytes.substr(0, 3);
        pos = 3;
    }
    while (pos < bytes.size()) {
        std::size_t nl = bytes.find('\n', pos);
        TLine line;
        if (nl == std::string::npos) {
            line.text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            std::size_t end = nl;
            if (end > pos && bytes[end - 1] == '\r') --end;
            line.text = bytes.substr(pos, end - pos);
            line.end = bytes.substr(end, nl + 1 - end);
            pos = nl + 1;
        }
        f.lines.push_back(std::move(line));
    }
    return f;
}

std::string Join(const TParsedFile& f) {
    std::string out = f.bom;
    for (const TLine& l : f.lines)
        out += l.text + l.end;
    return out;
}

// "[name]" with optional blanks around; the name is what lies between the
// brackets. Lines that are not section headers give false.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return false;
    const std::size_t close = t.find(']');
    name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// "key=value": false for comments, blank lines and lines without "=".
bool KeyLine(const std::string& line, std::string& key, std::string& value) {
    const std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return false;
    const std::size_t eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(t.substr(0, eq));
    value = Trim(t.substr(eq + 1));
    return true;
}

// Index range [first, last) of the lines inside the first section of that
// name (the header excluded); false when the section is not there.
bool FindSection(const TParsedFile& f, const std::string& section, std::size_t& first,
                 std::size_t& last) {
    std::string name;
    for (std::size_t i = 0; i < f.lines.size(); ++i) {
        if (!SectionName(f.lines[i].text, name) || !AsciiSameText(name, section)) continue;
        first = i + 1;
        last = first;
        while (last < f.lines.size() && !SectionName(f.lines[last].text, name))
            ++last;
        return true;
    }
    return false;
}

std::string Truncated(std::string s) {
    if (s.size() > MaxProfileValue) s.resize(MaxProfileValue);
    return s;
}

} // namespace

TProfileFileIO& SystemProfileFileIO() {
    static TSystemIO io;
    return io;
}

TProfileFileIO* SetProfileFileIO(TProfileFileIO* io) {
    TProfileFileIO* old = g_io;
    g_io = io;
    return old;
}

std::string ProfileFilePath(const std::string& fileName) {
    if (fileName.find('/') != std::string::npos) return fileName;
    return ConfigFolder() + fileName;
}

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, const std::string& fileName) {
    std::string bytes;
    if (fileName.empty() || !IO().ReadAll(ProfileFilePath(fileName), bytes))
        return Truncated(Trim(defaultValue));
    const TParsedFile f = Split(bytes);
    std::size_t first = 0, last = 0;
    if (!FindSection(f, section, first, last)) return Truncated(Trim(defaultValue));
    std::string k, v;
    for (std::size_t i = first; i < last; ++i)
        if (KeyLine(f.lines[i].text, k, v) && AsciiSameText(k, key)) return Truncated(v);
    return Truncated(Trim(defaultValue));
}

bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& fileName) {
    if (fileName.empty() || Trim(section).empty() || Trim(key).empty()) return false;
    // A line break in a name or value would split the line and corrupt the file.
    for (const std::string* s : {&section, &key, &value})
        if (s->find_first_of("\r\n") != std::string::npos) return false;
    const std::string path = ProfileFilePath(fileName);
    std::string bytes;
    if (!IO().ReadAll(path, bytes)) bytes.clear();
    TParsedFile f = Split(bytes);
    // New lines end the way the file's first line does; a new file uses "\n".
    std::string eol = "\n";
    if (!f.lines.empty() && !f.lines.front().end.empty()) eol = f.lines.front().end;
    const TLine newLine{key + "=" + value, eol};

    std::size_t first = 0, last = 0;
    if (FindSection(f, section, first, last)) {
        std::string k, v;
        std::size_t insertAt = first;
        bool replaced = false;
        for (std::size_t i = first; i < last; ++i) {
            if (KeyLine(f.lines[i].text, k, v) && AsciiSameText(k, key)) {
                f.lines[i].text = newLine.text;
                if (f.lines[i].end.empty()) f.lines[i].end = eol;
                replaced = true;
                break;
            }
            if (!Trim(f.lines[i].text).empty())
                insertAt = i + 1; // after the section's last non-blank line
        }
        if (!replaced) {
            if (insertAt > 0 && f.lines[insertAt - 1].end.empty()) f.lines[insertAt - 1].end = eol;
            f.lines.insert(f.lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
        }
    } else {
        if (!f.lines.empty() && f.lines.back().end.empty()) f.lines.back().end = eol;
        f.lines.push_back(TLine{"[" + section + "]", eol});
        f.lines.push_back(newLine);
    }
    return IO().ReplaceAll(path, Join(f));
}
