#include "app/preferences_form_rules.h"

#include "platform/codepage.h"
#include "settings/settings.h"
#include "store/entry_key.h"

#include <algorithm>
#include <filesystem>

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::vector<std::string> AvailableYears(int currentYear) {
    std::vector<std::string> years;
    for (int y = FirstAvailableYear; y <= currentYear + YearsAhead; ++y)
        years.push_back(std::to_string(y));
    return years;
}

void RemoveIncludedYears(std::vector<std::string>& available,
                         const std::vector<std::string>& included) {
    for (const std::string& year : included) {
        const auto it = std::find(available.begin(), available.end(), year);
        if (it != available.end()) available.erase(it);
    }
}

int SortedInsertPosition(const std::vector<std::string>& sorted, const std::string& text) {
    const auto it = std::upper_bound(
        sorted.begin(), sorted.end(), text,
        [](const std::string& a, const std::string& b) { return YearListCompare(a, b) < 0; });
    return static_cast<int>(it - sorted.begin());
}

int ClampSelection(int index, int count) {
    if (count <= 0) return -1;
    if (index < 0) return 0;
    return std::min(index, count - 1);
}

std::string WithFinalSeparator(const std::string& path) {
    if (!path.empty() && (path.back() == '\\' || path.back() == '/')) return path;
    return path + "\\";
}

std::string ResolvedFolderText(const std::string& pathText) {
    return PathText(DataFolder(WithFinalSeparator(PathBytes(pathText))));
}

std::string CanonicalDataFolder(const std::string& dataPath, const std::string& programFolder) {
    namespace fs = std::filesystem;
    const std::string named = DataFolder(WithFinalSeparator(dataPath), programFolder);
    std::error_code error;
    fs::path folder = fs::weakly_canonical(fs::path(named), error);
    if (error) folder = fs::path(named).lexically_normal();
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') text += '/';
    return text;
}

std::pair<int, int> SharedDataFolder(const std::vector<std::string>& paths,
                                     const std::vector<bool>& on,
                                     const std::string& programFolder) {
    std::vector<std::string> folders(paths.size());
    for (std::size_t n = 0; n < paths.size(); ++n) {
        if (!on[n]) continue;
        folders[n] = CanonicalDataFolder(paths[n], programFolder);
        for (std::size_t earlier = 0; earlier < n; ++earlier)
            if (on[earlier] && folders[earlier] == folders[n])
                return {static_cast<int>(n) + 1, static_cast<int>(earlier) + 1};
    }
    return {0, 0};
}

std::string DataPathForFolder(const std::string& folder, const std::string& programFolder) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') path += '/';
    if (path.size() > programFolder.size() &&
        path.compare(0, programFolder.size(), programFolder) == 0) {
        path.erase(0, programFolder.size());
        std::replace(path.begin(), path.end(), '/', '\\');
    }
    return path;
}

std::string TrimBlanks(const std::string& text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool ProfileOnePasswordMissing(const std::string& profileOnePassword) {
    return TrimBlanks(profileOnePassword).empty();
}

bool ProfileOneNeedsPassword(const std::string& profileOnePassword,
                             const std::vector<std::string>& others) {
    if (!ProfileOnePasswordMissing(profileOnePassword)) return false;
    return std::any_of(others.begin(), others.end(),
                       [](const std::string& p) { return !TrimBlanks(p).empty(); });
}

std::string NameText(const std::string& bytes) {
    return AnsiOrUtf8Text(bytes);
}
std::string NameBytes(const std::string& utf8) {
    return AnsiOrUtf8Bytes(utf8);
}
std::string PathText(const std::string& bytes) {
    return Utf8OrAnsi(bytes);
}
std::string PathBytes(const std::string& utf8) {
    return utf8;
}
std::string PasswordText(const std::string& bytes) {
    return AnsiOrUtf8Text(bytes);
}
std::string PasswordFieldBytes(const std::string& utf8) {
    return std::string(PasswordBytes(utf8).View());
}

std::string EditedBytes(const std::string& text, const std::string& shownText,
                        const std::string& originalBytes,
                        std::string (*convert)(const std::string&)) {
    if (text == shownText) return originalBytes;
    if (text == shownText + "\\") return originalBytes + "\\";
    return convert(text);
}
