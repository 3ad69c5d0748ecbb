// Profile (INI) file functions with the semantics the settings rely on.
//
// A file named without a folder lives in the configuration folder. Section
// and key names compare case-insensitively (ASCII letters); the first
// matching section and, inside it, the first matching key win. A value has
// its surrounding blanks trimmed and at most 2047 characters of it are read.
// A missing file, section or key gives the default.
//
// A write changes exactly one line: the key's line when it exists, else a
// new line at the end of its section (section and file are created as
// needed). Every other byte of the file stays as it was: comments, foreign
// sections, CRLF line ends, a UTF-8 byte-order mark, lines we cannot read.
// The new file is written beside the old one, flushed to disk and renamed
// over it, so the file is never seen half-written.
#pragma once

#include <string>

// At most this many characters of a value are read (the buffer of 2048
// characters the settings code reads into, less the terminating zero).
constexpr std::size_t MaxProfileValue = 2047;

std::string GetPrivateProfileStringA(const std::string& section, const std::string& key,
                                     const std::string& defaultValue, const std::string& fileName);
// False when the file could not be written; the old file is then unchanged.
bool WritePrivateProfileStringA(const std::string& section, const std::string& key,
                                const std::string& value, const std::string& fileName);

// The full path a profile file name stands for.
std::string ProfileFilePath(const std::string& fileName);

// The file system as the profile functions see it; tests install their own to
// make writes fail.
class TProfileFileIO {
public:
    virtual ~TProfileFileIO() = default;
    // The whole file; false when it does not exist or cannot be read.
    virtual bool ReadAll(const std::string& path, std::string& bytes) = 0;
    // Puts `bytes` in place of the file, all or nothing.
    virtual bool ReplaceAll(const std::string& path, const std::string& bytes) = 0;
};

// The real file system: whole reads, atomic replacement.
TProfileFileIO& SystemProfileFileIO();
// Installs `io` (nullptr: the real file system); returns the previous one.
TProfileFileIO* SetProfileFileIO(TProfileFileIO* io);
