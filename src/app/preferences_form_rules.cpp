#include "app/preferences_form_rules.h"

#include "platform/codepage.h"

#include <algorithm>

namespace {

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Text order with ASCII letter case ignored, the order the year list keeps.
int CompareText(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(Lower(a[i]));
        const auto cb = static_cast<unsigned char>(Lower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

// Valid UTF-8 (a replacement character counts only when it is spelled out).
bool IsUtf8(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t at = i;
        if (DecodeUtf8(bytes, i) == 0xFFFD && bytes.compare(at, 3, "\xEF\xBF\xBD") != 0)
            return false;
    }
    return true;
}

std::string Utf8OrAnsiText(const std::string& bytes) {
    return IsUtf8(bytes) ? bytes : AnsiToUtf8(bytes);
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
        [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
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

std::string NameText(const std::string& ansi) {
    return AnsiToUtf8(ansi);
}
std::string NameBytes(const std::string& utf8) {
    return Utf8ToAnsi(utf8);
}
std::string PathText(const std::string& bytes) {
    return Utf8OrAnsiText(bytes);
}
std::string PathBytes(const std::string& utf8) {
    return utf8;
}
std::string PasswordText(const std::string& bytes) {
    return Utf8OrAnsiText(bytes);
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
