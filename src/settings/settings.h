// The program's settings and the five user/project profiles, as held in
// memory and as stored in section "Main" of "Dayscrib.INI". No widgets here:
// the main window applies these values to its controls and collects them
// back before saving.
#pragma once

#include "platform/exception.h"
#include "platform/password.h"

#include <array>
#include <string>
#include <vector>

constexpr const char* SettingsFileName = "Dayscrib.INI";
constexpr const char* SettingsSection = "Main";
constexpr int ProfileCount = 5;
// The keys of our own that the classic settings do not have live in a section
// of their own, so that "Main" stays exactly as it always was.
constexpr const char* OwnSection = "Dayscrib";
constexpr int DefaultBackupCount = 30;

// How a profile encrypts the entries it stores with a password ([Dayscrib]
// User<n>Cipher). Unset: not chosen yet; the store settles it by the
// profile's archive (protection_choice.h).
enum class TProtection { Unset, Aes256, Traditional };

// One user or project: a diary of its own, with its archive in `Path`.
// Strings are ANSI (windows-1252) bytes.
struct TUserProject {
    std::string Name;
    std::string Path;     // data folder, normally ending in "\"
    TPassword Password;   // default password, plain; empty: none
    bool Protect = false; // new entries get the default password
    bool On = false;      // has a tab (profile 1 always)
    bool RO = false;      // entries shown read-only (profile 1 never)
    TProtection Protection = TProtection::Unset;
    // The spelling dictionary's language ("en_US"); empty: the system's
    // ([Dayscrib] User<N>SpellLanguage).
    std::string SpellLanguage;
};

// Text order with ASCII letter case ignored: the order the year list keeps.
int YearListCompare(const std::string& a, const std::string& b);

// The years the date tree offers: sorted as text, ignoring letter case, each
// string once.
class TYearList {
public:
    // Adds `year` at its sorted place; false when it was already there.
    bool Add(const std::string& year);
    bool Contains(const std::string& year) const;
    int IndexOf(const std::string& year) const;
    void Clear() { items_.clear(); }
    int Count() const { return static_cast<int>(items_.size()); }
    const std::string& operator[](int i) const { return items_.at(static_cast<std::size_t>(i)); }
    const std::vector<std::string>& Strings() const { return items_; }

private:
    std::vector<std::string> items_;
};

struct TSettings {
    int Left = 85, Top = 50, Width = 670, Height = 505;
    bool ShowCalendar = true, ShowTabs = true, ShowToolBar = true, ShowTreeView = true;
    int StartProject = 1;
    std::array<TUserProject, ProfileCount> Projects; // [0] is profile 1
    TYearList YearList;
    // Daily copies of an archive kept before its first store of the day; 0:
    // none ([Dayscrib] BackupCount).
    int BackupCount = DefaultBackupCount;
    // View > "Check Spelling" ([Dayscrib] CheckSpelling).
    bool CheckSpelling = true;

    // Profile `number` (1 to 5).
    TUserProject& Project(int number) { return Projects.at(static_cast<std::size_t>(number - 1)); }
    const TUserProject& Project(int number) const {
        return Projects.at(static_cast<std::size_t>(number - 1));
    }
};

// The four values of the selected profile that every entry operation uses.
struct TCurrentProfile {
    std::string CurrentPath;
    TPassword CurrentPassword;
    bool CurrentRO = false;
    bool CurrentProtect = false;
    TProtection CurrentProtection = TProtection::Unset;
};

// Copies profile `number` into the current profile (profile 1 is never
// read-only).
TCurrentProfile SelectProfile(const TSettings& settings, int number);

// A settings file that could not be written: "Unable to write to <file>".
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};

// A profile's name and data path when the settings give none: "User2",
// "Data\User2" ("Data\" for profile 1).
std::string DefaultProfileName(int number);
std::string DefaultProfilePath(int number);

// Reads every key; a missing file or a missing or malformed key gives the
// default. `currentYear` is the year added when the file lists none, and also
// when the list lacks it, so that today can always be opened.
void LoadSettings(TSettings& settings, int currentYear,
                  const std::string& fileName = SettingsFileName);
// Writes every key in the file's order. Throws EIniFileException at the
// first key that cannot be written; the later keys are not written.
void SaveSettings(const TSettings& settings, const std::string& fileName = SettingsFileName);

// The integer reading of a value: decimal with an optional sign, or "0x"/"0X"
// followed by hex digits; anything else (or an overflow) gives `def`.
int ParseIniInteger(const std::string& text, int def);
// The current year from the system clock (local time).
int CurrentYear();
