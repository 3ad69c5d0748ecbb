#include "platform/codepage.h"

#include <array>

namespace {

// windows-1252 0x80..0x9F; 0 marks the five undefined bytes.
constexpr char16_t kAnsiHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// CP437 0x80..0xFF.
constexpr char16_t kOemHigh[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

// Byte -> byte tables between the two pages, built once.
struct Tables {
    std::array<unsigned char, 256> ansiToOem{};
    std::array<unsigned char, 256> oemToAnsi{};
    Tables() {
        for (int c = 0; c < 256; ++c) {
            int o = UnicodeToOem(AnsiToUnicode(static_cast<unsigned char>(c)));
            ansiToOem[c] = static_cast<unsigned char>(o < 0 ? '?' : o);
            int a = UnicodeToAnsi(OemToUnicode(static_cast<unsigned char>(c)));
            oemToAnsi[c] = static_cast<unsigned char>(a < 0 ? '?' : a);
        }
    }
};

const Tables& GetTables() {
    static const Tables tables;
    return tables;
}

std::string MapBytes(const std::string& in, const std::array<unsigned char, 256>& map) {
    std::string out(in.size(), '\0');
    for (std::size_t i = 0; i < in.size(); ++i)
        out[i] = static_cast<char>(map[static_cast<unsigned char>(in[i])]);
    return out;
}

} // namespace

char32_t AnsiToUnicode(unsigned char c) {
    if (c >= 0x80 && c < 0xA0) {
        char16_t u = kAnsiHigh[c - 0x80];
        return u ? u : c;
    }
    return c;
}

int UnicodeToAnsi(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        char32_t u = kAnsiHigh[i] ? kAnsiHigh[i] : static_cast<char32_t>(0x80 + i);
        if (u == cp) return 0x80 + i;
    }
    return -1;
}

char32_t OemToUnicode(unsigned char c) {
    return c < 0x80 ? c : kOemHigh[c - 0x80];
}

int UnicodeToOem(char32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    for (int i = 0; i < 128; ++i)
        if (kOemHigh[i] == cp) return 0x80 + i;
    return -1;
}

char32_t DecodeUtf8(const std::string& s, std::size_t& i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b0 = byte(i);
    int len = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = len == 1 ? b0 : len == 2 ? (b0 & 0x1F) : len == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int k = 1; k < len; ++k) {
        unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += len;
    return cp;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string AnsiToUtf8(const std::string& ansi) {
    std::string out;
    out.reserve(ansi.size());
    for (unsigned char c : ansi)
        AppendUtf8(out, AnsiToUnicode(c));
    return out;
}

std::string Utf8ToAnsi(const std::string& utf8, bool* lossless) {
    std::string out;
    out.reserve(utf8.size());
    bool all = true;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t cp = DecodeUtf8(utf8, i);
        int a = cp == 0xFFFD ? -1 : UnicodeToAnsi(cp);
        if (a < 0) {
            all = false;
            out += '?';
        } else {
            out += static_cast<char>(a);
        }
    }
    if (lossless) *lossless = all;
    return out;
}

std::string AnsiToOem(const std::string& ansi) {
    return MapBytes(ansi, GetTables().ansiToOem);
}
std::string OemToAnsi(const std::string& oem) {
    return MapBytes(oem, GetTables().oemToAnsi);
}
std::string AnsiOemRoundTrip(const std::string& ansi) {
    return OemToAnsi(AnsiToOem(ansi));
}

TPassword PasswordBytes(std::string_view utf8) {
    std::string typed;
    typed.reserve(utf8.size() + 1); // one buffer, wiped below
    typed.assign(utf8);
    bool lossless = false;
    std::string ansi = Utf8ToAnsi(typed, &lossless);
    TPassword password(lossless ? std::string_view(ansi) : utf8);
    WipeString(ansi);
    WipeString(typed);
    return password;
}

std::string AnsiOrUtf8Bytes(const std::string& utf8) {
    bool lossless = false;
    std::string ansi = Utf8ToAnsi(utf8, &lossless);
    return lossless ? ansi : utf8;
}

std::string AnsiOrUtf8Text(const std::string& bytes) {
    if (IsUtf8(bytes)) {
        bool lossless = false;
        Utf8ToAnsi(bytes, &lossless);
        if (!lossless) return bytes;
    }
    return AnsiToUtf8(bytes);
}

bool IsUtf8(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t at = i;
        if (DecodeUtf8(bytes, i) == 0xFFFD && bytes.compare(at, 3, "\xEF\xBF\xBD") != 0)
            return false;
    }
    return true;
}

std::string Utf8OrAnsi(const std::string& bytes) {
    return IsUtf8(bytes) ? bytes : AnsiToUtf8(bytes);
}
