// Small path, percentage, folder and file helpers of the engine.
#pragma once

#include <cstdint>
#include <string>

// "\" -> "/" (names written to headers) and "/" -> "\" (names read from them).
std::string SlashesToZip(std::string name);
std::string SlashesToDos(std::string name);
// The first or last n characters; fewer when s is shorter, none for n <= 0.
std::string LeftStr(const std::string& s, long long n);
std::string RightStr(const std::string& s, long long n);
// Whether s holds any of "*", "?", "<", ">", "|".
bool HasWildcard(const std::string& s);

// done * 100 / total rounded to nearest (ties to even), capped at 100; 0
// when total <= 0.
int CalcPercent(std::int32_t total, std::int32_t done);
int CalcPercent64(std::int64_t total, std::int64_t done);

// Creates a folder with all its missing parents; true when it exists after.
bool ForceDirectories(const std::string& folder);
// Whether a file that is not a folder exists there.
bool FileExists(const std::string& name);
bool DirectoryExists(const std::string& name);

// A new, empty, uniquely named file "ZQX??????" in folder (the system's
// temporary folder when folder is empty); returns its name. Raises
// EFCreateError when no file can be created there.
std::string TempFileName(const std::string& folder);

// Creates dest and copies all of source into it, then commits dest to disk.
// On failure shows "Could not copy from <source> -> <dest>" (caption
// "Error") through the engine's message hook, removes the incomplete dest
// and returns false. An empty source copies as an empty file.
bool CopyFileTo(const std::string& source, const std::string& dest);

// ANSI -> OEM -> ANSI, so the name is what a later read of an archive gives.
std::string OemRoundTrip(const std::string& name);
// Whether a member of this name, unpacked by any zip program, would land
// outside the folder it is unpacked into: a name that starts at a root or a
// drive, or that climbs with a ".." part ("\" and "/" both separate). The
// writer never writes one.
bool NameEscapesFolder(const std::string& name);
// Short (8.3) and long names do not exist on Linux: the path is returned as given.
std::string ConvertPathNames(const std::string& path, int longNames);
// Volume labels do not exist on Linux: both report failure.
bool ReadVolumeLabel(const std::string& root, std::string& label);
bool WriteVolumeLabel(const std::string& root, const std::string& label);
