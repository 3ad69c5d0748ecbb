#include "settings/settings.h"

#include "platform/ascii.h"
#include "platform/profile_file.h"
#include "platform/str_to_int.h"
#include "settings/password_scramble.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

// ---- reading ----

class TReader {
public:
    explicit TReader(const std::string& fileName, const char* section = SettingsSection)
        : file_(fileName), section_(section) {}
    std::string String(const std::string& key, const std::string& def) const {
        return GetPrivateProfileStringA(section_, key, def, file_);
    }
    int Integer(const std::string& key, int def) const {
        return ParseIniInteger(String(key, ""), def);
    }
    bool Bool(const std::string& key, bool def) const { return Integer(key, def ? 1 : 0) != 0; }
    TPassword Password(const std::string& key) const {
        const std::string stored = String(key, "");
        return stored.empty() ? TPassword() : UnscramblePassword(stored);
    }

private:
    std::string file_;
    const char* section_;
};

// ---- writing ----

class TWriter {
public:
    explicit TWriter(const std::string& fileName, const char* section = SettingsSection)
        : file_(fileName), section_(section) {}
    void String(const std::string& key, const std::string& value) const {
        if (!WritePrivateProfileStringA(section_, key, value, file_))
            throw EIniFileException("Unable to write to " + ProfileFilePath(file_));
    }
    void Integer(const std::string& key, int value) const { String(key, std::to_string(value)); }
    void Bool(const std::string& key, bool value) const { String(key, value ? "1" : "0"); }
    void Password(const std::string& key, const TPassword& value) const {
        String(key, value.empty() ? std::string() : ScramblePassword(value));
    }

private:
    std::string file_;
    const char* section_;
};

constexpr int MaxYearCount = 1000;

std::string UserKey(int n, const char* field) {
    return "User" + std::to_string(n) + field;
}

} // namespace

// ---- TYearList ----

int TYearList::IndexOf(const std::string& year) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (YearListCompare(items_[i], year) == 0) return static_cast<int>(i);
    return -1;
}

bool TYearList::Contains(const std::string& year) const {
    return IndexOf(year) >= 0;
}

bool TYearList::Add(const std::string& year) {
    auto it = std::lower_bound(
        items_.begin(), items_.end(), year,
        [](const std::string& a, const std::string& b) { return YearListCompare(a, b) < 0; });
    if (it != items_.end() && YearListCompare(*it, year) == 0) return false;
    items_.insert(it, year);
    return true;
}

// ---- values ----

int ParseIniInteger(const std::string& text, int def) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        unsigned long long v = 0;
        for (std::size_t i = 2; i < text.size(); ++i) {
            const char c = AsciiLower(text[i]);
            int d;
            if (c >= '0' && c <= '9')
                d = c - '0';
            else if (c >= 'a' && c <= 'f')
                d = c - 'a' + 10;
            else
                return def;
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFull) return def;
        }
        // Eight hex digits cover the whole 32-bit pattern, as in "0xFFFFFFFF" = -1.
        return static_cast<int>(static_cast<std::uint32_t>(v));
    }
    int value = 0;
    return TryStrToInt(text, value) ? value : def;
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

TCurrentProfile SelectProfile(const TSettings& settings, int number) {
    const TUserProject& p = settings.Project(number);
    TCurrentProfile c;
    c.CurrentPath = p.Path;
    c.CurrentPassword = p.Password;
    c.CurrentRO = number == 1 ? false : p.RO;
    c.CurrentProtect = p.Protect;
    c.CurrentProtection = p.Protection;
    return c;
}

int YearListCompare(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(AsciiLower(b[i]));
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

// ---- the file ----

std::string DefaultProfileName(int number) {
    return "User" + std::to_string(number);
}

std::string DefaultProfilePath(int number) {
    return number == 1 ? "Data\\" : "Data\\" + DefaultProfileName(number);
}

void LoadSettings(TSettings& s, int currentYear, const std::string& fileName) {
    const TReader r(fileName);
    s.Left = r.Integer("Left", 85);
    s.Top = r.Integer("Top", 50);
    s.Width = r.Integer("Width", 670);
    s.Height = r.Integer("Height", 505);
    s.ShowCalendar = r.Bool("ShowCalendar", true);
    s.ShowTabs = r.Bool("ShowTabs", true);
    s.ShowToolBar = r.Bool("ShowToolBar", true);
    s.ShowTreeView = r.Bool("ShowTreeView", true);
    s.StartProject = r.Integer("StartProject", 1);

    TUserProject& p1 = s.Project(1);
    p1.Name = r.String("User1Name", DefaultProfileName(1));
    p1.Path = r.String("User1Path", DefaultProfilePath(1));
    p1.Password = r.Password("User1Password");
    p1.Protect = r.Bool("User1Protect", false);
    p1.On = true;
    p1.RO = false;
    for (int n = 2; n <= ProfileCount; ++n) {
        TUserProject& p = s.Project(n);
        p.On = r.Bool(UserKey(n, "On"), false);
        p.Name = r.String(UserKey(n, "Name"), DefaultProfileName(n));
        p.Path = r.String(UserKey(n, "Path"), DefaultProfilePath(n));
        p.RO = r.Bool(UserKey(n, "RO"), true);
        p.Password = r.Password(UserKey(n, "Password"));
        p.Protect = r.Bool(UserKey(n, "Protect"), false);
    }

    const std::string thisYear = std::to_string(currentYear);
    // A corrupt count must not keep the start busy for hours: no list the
    // program writes comes near this many years.
    const int yearCount = std::min(r.Integer("YearCount", 0), MaxYearCount);
    for (int k = 1; k <= yearCount; ++k)
        s.YearList.Add(r.String("Year" + std::to_string(k), thisYear));
    // Today must always be reachable in the tree, whatever the file says
    // (this also covers YearCount 0 and a negative count).
    s.YearList.Add(thisYear);

    const TReader own(fileName, OwnSection);
    s.BackupCount = std::max(0, own.Integer("BackupCount", DefaultBackupCount));
    for (int n = 1; n <= ProfileCount; ++n) {
        const std::string cipher = own.String(UserKey(n, "Cipher"), "");
        s.Project(n).Protection = cipher == "AES-256"       ? TProtection::Aes256
                                  : cipher == "Traditional" ? TProtection::Traditional
                                                            : TProtection::Unset;
    }
    s.CheckSpelling = own.Bool("CheckSpelling", true);
    for (int n = 1; n <= ProfileCount; ++n)
        s.Project(n).SpellLanguage = own.String(UserKey(n, "SpellLanguage"), "");
}

void SaveSettings(const TSettings& s, const std::string& fileName) {
    const TWriter w(fileName);
    w.Integer("Left", s.Left);
    w.Integer("Top", s.Top);
    w.Integer("Width", s.Width);
    w.Integer("Height", s.Height);
    w.Bool("ShowCalendar", s.ShowCalendar);
    w.Bool("ShowTabs", s.ShowTabs);
    w.Bool("ShowToolBar", s.ShowToolBar);
    w.Bool("ShowTreeView", s.ShowTreeView);
    w.Integer("StartProject", s.StartProject);
    const TUserProject& p1 = s.Project(1);
    w.String("User1Name", p1.Name);
    w.String("User1Path", p1.Path);
    w.Password("User1Password", p1.Password);
    w.Bool("User1Protect", p1.Protect);
    for (int n = 2; n <= ProfileCount; ++n) {
        const TUserProject& p = s.Project(n);
        w.Bool(UserKey(n, "On"), p.On);
        w.String(UserKey(n, "Name"), p.Name);
        w.String(UserKey(n, "Path"), p.Path);
        w.Bool(UserKey(n, "RO"), p.RO);
        w.Password(UserKey(n, "Password"), p.Password);
        w.Bool(UserKey(n, "Protect"), p.Protect);
    }
    w.Integer("YearCount", s.YearList.Count());
    for (int k = 0; k < s.YearList.Count(); ++k)
        w.String("Year" + std::to_string(k + 1), s.YearList[k]);

    const TWriter own(fileName, OwnSection);
    own.Integer("BackupCount", s.BackupCount);
    // Unset stays unwritten: the profile's archive settles it when it is used.
    for (int n = 1; n <= ProfileCount; ++n)
        if (const TProtection p = s.Project(n).Protection; p != TProtection::Unset)
            own.String(UserKey(n, "Cipher"), p == TProtection::Aes256 ? "AES-256" : "Traditional");
    own.Bool("CheckSpelling", s.CheckSpelling);
    for (int n = 1; n <= ProfileCount; ++n)
        own.String(UserKey(n, "SpellLanguage"), s.Project(n).SpellLanguage);
}
