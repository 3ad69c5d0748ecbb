#include "app/preferences_form_rules.h"

#include "platform/codepage.h"
#include "settings/settings.h"
#include "store/entry_key.h"

#include <algorithm>

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Valid UTF-8 (a replacement character counts only when it is spelled out).
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
    return PasswordBytes(utf8);
}

std::string EditedBytes(const std::string& text, const std::string& shownText,
                        const std::string& originalBytes,
                        std::string (*convert)(const std::string&)) {
    if (text == shownText) return originalBytes;
    if (text == shownText + "\\") return originalBytes + "\\";
    return convert(text);
}
