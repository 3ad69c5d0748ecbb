// The two 8-bit code pages the program lives in: windows-1252 ("ANSI"), in
// which the engine and the store hold all text, and CP437 ("OEM"), in which
// member names are stored inside archives. Qt's QString meets these bytes
// only at the GUI border, through the UTF-8 conversions here.
#pragma once

#include "platform/password.h"

#include <string>
#include <string_view>

// Unicode code point of an ANSI byte. The five bytes windows-1252 leaves
// undefined map to the C1 control of the same value, as the platform did.
char32_t AnsiToUnicode(unsigned char c);
// ANSI byte of a code point, or -1 when windows-1252 has none.
int UnicodeToAnsi(char32_t cp);
char32_t OemToUnicode(unsigned char c);
int UnicodeToOem(char32_t cp);

std::string AnsiToUtf8(const std::string& ansi);
// Characters without an ANSI code become "?". Invalid UTF-8 bytes too.
// `lossless`, when given, tells whether every character had a code.
std::string Utf8ToAnsi(const std::string& utf8, bool* lossless = nullptr);

// ANSI <-> OEM; characters the target page cannot hold become "?".
std::string AnsiToOem(const std::string& ansi);
std::string OemToAnsi(const std::string& oem);
// ANSI -> OEM -> ANSI: the name exactly as a later read of an archive gives it.
std::string AnsiOemRoundTrip(const std::string& ansi);

// The bytes a password typed in the GUI (UTF-8) is keyed with: windows-1252
// when every character has a code there, so archives written by the original
// program open; UTF-8 otherwise, so no character is lost to "?".
TPassword PasswordBytes(std::string_view utf8);

// Text held as windows-1252 where it can be and as UTF-8 where it cannot
// (passwords, profile names), so that files of the original read the same
// and no character typed here is lost to "?". The bytes of a text, and the
// text of such bytes: UTF-8 when they are valid UTF-8 holding a character
// windows-1252 lacks (only then were they written so), ANSI otherwise.
std::string AnsiOrUtf8Bytes(const std::string& utf8);
std::string AnsiOrUtf8Text(const std::string& bytes);

// Decodes one UTF-8 sequence at s[i]; advances i. Invalid input gives
// U+FFFD and advances by one byte.
char32_t DecodeUtf8(const std::string& s, std::size_t& i);
void AppendUtf8(std::string& out, char32_t cp);
// Valid UTF-8 (a replacement character counts only when it is spelled out).
bool IsUtf8(const std::string& bytes);
// The bytes as UTF-8 text: kept when they are valid UTF-8 (file names on
// Linux), else read as ANSI (member names, settings).
std::string Utf8OrAnsi(const std::string& bytes);
