#include "printable.h"

#include "platform/codepage.h"

#include <cstdio>

namespace tool {

namespace {

bool Escaped(char32_t c) {
    return c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029 ||
           c == 0x200E || c == 0x200F || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

} // namespace

std::string Printable(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    char escape[16];
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t at = i;
        const char32_t c = DecodeUtf8(utf8, i);
        const bool invalid = c == 0xFFFD && utf8.compare(at, 3, "\xEF\xBF\xBD") != 0;
        if (invalid || c < 0x80) {
            const auto byte = static_cast<unsigned char>(utf8[at]);
            if (invalid || Escaped(byte)) {
                std::snprintf(escape, sizeof escape, "\\x%02X", byte);
                out += escape;
            } else {
                out += static_cast<char>(byte);
            }
            i = at + 1;
        } else if (Escaped(c)) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.append(utf8, at, i - at);
        }
    }
    return out;
}

} // namespace tool
