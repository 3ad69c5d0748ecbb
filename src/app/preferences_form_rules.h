// The Preferences dialog's rules that need no widget: the years it offers,
// the year lists' order, the paths it hands back, the two password checks
// and the text conversions between the settings' bytes and the edit boxes.
#pragma once

#include <string>
#include <utility>
#include <vector>

// The first year the dialog offers; the last is the current year + 10.
constexpr int FirstAvailableYear = 1990;
constexpr int YearsAhead = 10;

// "1990" up to the current year + 10, ascending.
std::vector<std::string> AvailableYears(int currentYear);

// For each included string, in order, deletes the first equal string (exact
// text) of `available`, if any.
void RemoveIncludedYears(std::vector<std::string>& available,
                         const std::vector<std::string>& included);

// Where `text` goes into a list sorted as text with letter case ignored (the
// year list's order): after the strings that compare equal.
int SortedInsertPosition(const std::vector<std::string>& sorted, const std::string& text);

// The index a list box selects for a wanted one: -1 becomes 0 and an index
// past the end the last one; -1 when the list is empty.
int ClampSelection(int index, int count);

// A data path as the dialog hands it back: "\" appended unless it ends in
// one (an empty path becomes "\"). A final "/" counts as one too: on the
// file system every "\" of a data path is "/".
std::string WithFinalSeparator(const std::string& path);

// The folder the data path typed in the dialog resolves to, as UTF-8 text:
// where its archive lies once OK has given the path its final "\".
std::string ResolvedFolderText(const std::string& pathText);

// The folder a data path names, as the archive's place says it (relative
// paths below `programFolder`), with "." and ".." and linked folders
// resolved as far as they exist; with a final "/".
std::string CanonicalDataFolder(const std::string& dataPath, const std::string& programFolder);

// Two diaries in one archive would mix: the first profile in `paths`
// (indexed by profile number - 1) that is on and names the data folder of an
// earlier one that is on, as {that profile, the earlier one}; {0, 0} when
// every folder is its own.
std::pair<int, int> SharedDataFolder(const std::vector<std::string>& paths,
                                     const std::vector<bool>& on, const std::string& programFolder);

// What the path box shows for a folder chosen with the folder button: a
// folder below `programFolder` relative to it, as the defaults are written
// ("Data\User2\"), any other whole, both with a final separator.
std::string DataPathForFolder(const std::string& folder, const std::string& programFolder);

// The text without the blanks (spaces and control characters) at its ends.
std::string TrimBlanks(const std::string& text);

// Profile 2 to 5's password may be set only once profile 1 has one.
bool ProfileOnePasswordMissing(const std::string& profileOnePassword);

// Profile 1 must have a password when any of `others` (profiles 2 to 5) has
// one; blanks at the ends do not count.
bool ProfileOneNeedsPassword(const std::string& profileOnePassword,
                             const std::vector<std::string>& others);

// ---- settings bytes <-> edit box text (UTF-8) ----
// Names and passwords are windows-1252 when every character has a code
// there, UTF-8 otherwise (AnsiOrUtf8Bytes; the entry store keys passwords
// the same way), so a name is kept as typed.
std::string NameText(const std::string& bytes);
std::string NameBytes(const std::string& utf8);
// Paths are file-system bytes: UTF-8, or ANSI in a settings file written
// elsewhere.
std::string PathText(const std::string& bytes);
std::string PathBytes(const std::string& utf8);
// Passwords as names are.
std::string PasswordText(const std::string& bytes);
std::string PasswordFieldBytes(const std::string& utf8);

// The bytes an edit box hands back: the original bytes when its text is
// still what was shown for them (so a value that no conversion gives back
// survives untouched; also when OK only appended the final "\" of a path),
// else `convert` of the new text.
std::string EditedBytes(const std::string& text, const std::string& shownText,
                        const std::string& originalBytes,
                        std::string (*convert)(const std::string&));
