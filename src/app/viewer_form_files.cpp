#include "app/viewer_form_files.h"

#include <sys/stat.h>

#ifndef DAYSCRIB_DATA_FROM_BIN
#define DAYSCRIB_DATA_FROM_BIN "../share/dayscrib"
#endif

namespace {

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

std::string InstalledDataFromBin() {
    return DAYSCRIB_DATA_FROM_BIN;
}

std::vector<std::string> ProgramFileCandidates(const std::string& name,
                                               const std::string& executableFolder,
                                               const std::string& currentFolder) {
    std::vector<std::string> candidates;
    if (!executableFolder.empty()) {
        candidates.push_back(Join(Join(executableFolder, InstalledDataFromBin()), name));
        candidates.push_back(Join(executableFolder, name));
    }
    candidates.push_back(Join(currentFolder, name));
    return candidates;
}

std::string FindProgramFile(const std::string& name, const std::string& executableFolder,
                            const std::string& currentFolder) {
    for (const std::string& path : ProgramFileCandidates(name, executableFolder, currentFolder))
        if (IsFile(path)) return path;
    return {};
}

std::vector<std::string> TextLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}
