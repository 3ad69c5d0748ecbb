#include "platform/user_folders.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') path += '/';
    return path;
}

// An XDG variable counts only when it holds an absolute path.
std::string XdgFolder(const char* variable, const char* fallbackUnderHome) {
    const char* v = std::getenv(variable);
    if (v && v[0] == '/') return v;
    return HomeFolder() + "/" + fallbackUnderHome;
}

std::string OwnFolder(const char* variable, const char* fallbackUnderHome) {
    std::string folder = WithSlash(XdgFolder(variable, fallbackUnderHome)) + "Dayscrib/";
    ForceFolders(folder);
    return folder;
}

} // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

bool ForceFolders(const std::string& path) {
    if (path.empty()) return false;
    std::string partial;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t next = path.find('/', pos);
        if (next == std::string::npos) next = path.size();
        partial = path.substr(0, next);
        if (!partial.empty() && !IsFolder(partial)) {
            if (mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
        }
        pos = next + 1;
    }
    return IsFolder(path);
}

std::string ConfigFolder() {
    return OwnFolder("XDG_CONFIG_HOME", ".config");
}

std::string ProgramFolder() {
    return OwnFolder("XDG_DATA_HOME", ".local/share");
}

std::string DocumentsFolder() {
    // user-dirs.dirs holds lines like XDG_DOCUMENTS_DIR="$HOME/Documents".
    const std::string home = HomeFolder();
    std::ifstream in(WithSlash(XdgFolder("XDG_CONFIG_HOME", ".config")) + "user-dirs.dirs");
    std::string line;
    const std::string tag = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.compare(0, tag.size(), tag) != 0) continue;
        std::string value = line.substr(tag.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/' && IsFolder(value)) return WithSlash(value);
        break;
    }
    return WithSlash(home);
}
