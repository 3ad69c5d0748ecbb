// ASCII letter case, the same in every locale: names in archives, profile
// files and the year list compare this way, never by the C library's
// locale-dependent tolower.
#pragma once

#include <string>
#include <string_view>

constexpr char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
// `s` with its ASCII capitals made small; every other byte as it is.
std::string AsciiLower(std::string_view s);
// Whether `a` and `b` are equal once their ASCII letters are made small.
bool AsciiSameText(std::string_view a, std::string_view b);
