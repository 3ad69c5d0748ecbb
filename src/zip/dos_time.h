// Dates and times of the engine. Archive headers hold MS-DOS date/time
// values: one 32-bit number, the time in the low 16 bits (hour * 2048 +
// minute * 32 + second / 2) and the date in the high 16 bits ((year - 1980) *
// 512 + month * 32 + day). In memory a point in time is a TDateTime: days
// since 1899-12-30, the fraction being the time of day.
#pragma once

#include <cstdint>
#include <string>

using TDateTime = double;

// Builds a TDateTime; false (and 0) for an invalid calendar date or time.
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                       TDateTime& result);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& msec);

// Packs fields as a DOS value; 0 when the year is outside 1980..2099.
std::uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second);
// Brings each field into range: month 0 -> 1, above 12 -> 12; day 0 -> 1;
// year beyond 2099 -> 2099; second / 2 beyond 29 -> 29; minute beyond 59 ->
// 59; hour beyond 23 -> 23. A day beyond its month's end is left alone.
std::uint32_t ClampDosDateTime(std::uint32_t value);
// The value as a TDateTime; ok false (result 0) when it is no valid date.
TDateTime DosDateTimeToDateTime(std::uint32_t value, bool& ok);
// 0 for years outside 1980..2099.
std::uint32_t DateTimeToDosDateTime(TDateTime value);
// The current local date and time.
TDateTime Now();
std::uint32_t NowDosDateTime();
// A file's modification time (local time) put through ClampDosDateTime; the
// current local date and time when the file has none or it does not convert.
TDateTime FileDateTime(const std::string& fileName);
std::uint32_t FileDosDateTime(const std::string& fileName);
// Sets a file's modification time from a DOS value taken as local time.
bool SetFileDosDateTime(const std::string& fileName, std::uint32_t value);
