#include "zip/dos_time.h"

#include <cmath>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Days from 1970-01-01 of a proleptic Gregorian date, and back
// (era-based arithmetic, valid for every year an int holds).
long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153LL * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& y, int& m, int& d) {
    z += 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

constexpr long long kEpochOffset = 25569; // days from 1899-12-30 to 1970-01-01

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

std::uint32_t DosFromTm(const std::tm& t) {
    return PackDosDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                           t.tm_sec);
}

} // namespace

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec,
                       TDateTime& result) {
    result = 0;
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    double days = static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset);
    double time = (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
    result = days + time;
    return true;
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute,
                    int& second, int& msec) {
    // Work in whole milliseconds so that 23:59:59.9996 does not come out as 24:00.
    long long ms = std::llround(value * 86400000.0);
    long long days = ms / 86400000;
    long long rest = ms % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    CivilFromDays(days - kEpochOffset, year, month, day);
    hour = static_cast<int>(rest / 3600000);
    minute = static_cast<int>(rest / 60000 % 60);
    second = static_cast<int>(rest / 1000 % 60);
    msec = static_cast<int>(rest % 1000);
}

std::uint32_t PackDosDateTime(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1980 || year > 2099) return 0;
    std::uint32_t time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    std::uint32_t date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    return (date << 16) | (time & 0xFFFF);
}

std::uint32_t ClampDosDateTime(std::uint32_t value) {
    unsigned sec2 = value & 0x1F;
    unsigned minute = (value >> 5) & 0x3F;
    unsigned hour = (value >> 11) & 0x1F;
    unsigned day = (value >> 16) & 0x1F;
    unsigned month = (value >> 21) & 0x0F;
    unsigned year = (value >> 25) & 0x7F;
    if (hour < 24 && minute < 60 && sec2 < 30 && year < 120 && day != 0 && month >= 1 &&
        month <= 12)
        return value;
    if (month == 0)
        month = 1;
    else if (month > 12)
        month = 12;
    if (day == 0) day = 1;
    if (year >= 120) year = 119;
    if (sec2 >= 30) sec2 = 29;
    if (minute >= 60) minute = 59;
    if (hour >= 24) hour = 23;
    return (year << 25) | (month << 21) | (day << 16) | (hour << 11) | (minute << 5) | sec2;
}

TDateTime DosDateTimeToDateTime(std::uint32_t value, bool& ok) {
    int sec = static_cast<int>(value & 0x1F) * 2;
    int minute = static_cast<int>((value >> 5) & 0x3F);
    int hour = static_cast<int>((value >> 11) & 0x1F);
    int day = static_cast<int>((value >> 16) & 0x1F);
    int month = static_cast<int>((value >> 21) & 0x0F);
    int year = static_cast<int>((value >> 25) & 0x7F) + 1980;
    TDateTime result;
    ok = TryEncodeDateTime(year, month, day, hour, minute, sec, 0, result);
    return result;
}

std::uint32_t DateTimeToDosDateTime(TDateTime value) {
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    return PackDosDateTime(y, mo, d, h, mi, s);
}

TDateTime Now() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    std::tm t{};
    ::localtime_r(&ts.tv_sec, &t);
    TDateTime result;
    TryEncodeDateTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                      t.tm_sec > 59 ? 59 : t.tm_sec, static_cast<int>(ts.tv_nsec / 1000000),
                      result);
    return result;
}

std::uint32_t NowDosDateTime() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    ::localtime_r(&now, &t);
    return DosFromTm(t);
}

std::uint32_t FileDosDateTime(const std::string& fileName) {
    struct stat st {};
    std::tm t{};
    if (::stat(fileName.c_str(), &st) != 0 || !::localtime_r(&st.st_mtime, &t))
        return NowDosDateTime();
    // Times the format cannot hold become its nearest end.
    if (t.tm_year + 1900 < 1980) return ClampDosDateTime(0);
    if (t.tm_year + 1900 > 2099) return PackDosDateTime(2099, 12, 31, 23, 59, 58);
    return ClampDosDateTime(DosFromTm(t));
}

TDateTime FileDateTime(const std::string& fileName) {
    bool ok = false;
    TDateTime result = DosDateTimeToDateTime(FileDosDateTime(fileName), ok);
    return ok ? result : Now();
}

bool SetFileDosDateTime(const std::string& fileName, std::uint32_t value) {
    value = ClampDosDateTime(value);
    std::tm t{};
    t.tm_sec = static_cast<int>(value & 0x1F) * 2;
    t.tm_min = static_cast<int>((value >> 5) & 0x3F);
    t.tm_hour = static_cast<int>((value >> 11) & 0x1F);
    t.tm_mday = static_cast<int>((value >> 16) & 0x1F);
    t.tm_mon = static_cast<int>((value >> 21) & 0x0F) - 1;
    t.tm_year = static_cast<int>((value >> 25) & 0x7F) + 80;
    t.tm_isdst = -1;
    std::time_t when = std::mktime(&t);
    if (when == static_cast<std::time_t>(-1)) return false;
    timespec times[2] = {{when, 0}, {when, 0}};
    return ::utimensat(AT_FDCWD, fileName.c_str(), times, 0) == 0;
}
