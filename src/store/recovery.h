// The recovery file: while the open entry has changes that are not stored
// yet, its text is kept in a file of the configuration folder, so that a
// crash or a power cut loses at most the last few seconds of typing. This is
// its form: a few header lines naming the entry, then the entry's RTF.
//
//   Dayscrib recovery 1
//   Profile=2
//   ProfileName=User2
//   DataPath=Data\User2\ (a data path ends in a backslash)
//   Member=2000\3\Week3\15.rtf
//   <empty line>
//   {\rtf1 ...
#pragma once

#include <optional>
#include <string>

constexpr const char* RecoveryFileName = "Recovery.dayscrib";
// The first line's start.
constexpr const char* RecoveryMagic = "Dayscrib recovery ";

struct TRecovery {
    int Profile = 1;         // the profile number, 1 to 5
    std::string ProfileName; // as the settings hold it (windows-1252, else UTF-8)
    std::string DataPath;    // the profile's data path then (ANSI)
    std::string Member;      // "2000\3\Week3\15.rtf"
    std::string Rtf;         // the entry's text
};

std::string FormatRecovery(const TRecovery& recovery);
// Nothing for bytes that are not a recovery file (a damaged one included).
std::optional<TRecovery> ParseRecovery(const std::string& bytes);
