#include "settings/password_scramble.h"

#include <array>
#include <cstdint>
#include <utility>

namespace {

// The scrambling key: key byte i is the XOR of the i-th digit pairs of these
// two constants. Settings files written with other constants do not
// unscramble, so these must never change.
constexpr const char* ScrambleConstantA = "5A3C9E17D24B6F80";
constexpr const char* ScrambleConstantB = "C7E1284FB39D06A5";

std::array<std::uint8_t, 8> ScrambleKey() {
    std::array<std::uint8_t, 8> key{};
    const std::string a = ScrambleConstantA, b = ScrambleConstantB;
    for (std::size_t i = 0; i < key.size(); ++i)
        key[i] =
            static_cast<std::uint8_t>(HexValue(a.substr(2 * i, 2)) ^ HexValue(b.substr(2 * i, 2)));
    return key;
}

void XorBlock(std::string& block) {
    static const std::array<std::uint8_t, 8> key = ScrambleKey();
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>(static_cast<std::uint8_t>(block[i]) ^ key[i]);
}

void SwapEnds(std::string& block) {
    if (block.size() > 1) std::swap(block.front(), block.back());
}

} // namespace

unsigned HexValue(const std::string& digits) {
    unsigned value = 0;
    for (char ch : digits) {
        int d = static_cast<unsigned char>(ch) - 48;
        if (d > 9) d -= 7;
        if (d > 15) d -= 32;
        value = value * 16u + static_cast<unsigned>(d);
    }
    return value;
}

std::string TextToHex(const std::string& text) {
    static const char* digits = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(text.size() * 2);
    for (char ch : text) {
        const auto b = static_cast<unsigned char>(ch);
        hex += digits[b >> 4];
        hex += digits[b & 15];
    }
    return hex;
}

std::string HexToText(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        text += static_cast<char>(HexValue(hex.substr(i, 2)) & 0xFF);
    return text;
}

// The working copies are wiped: the scrambled form is no secret, but the
// bytes on the way to and from it are the password.
std::string ScramblePassword(std::string_view password) {
    std::string out, block;
    out.reserve(password.size());
    block.reserve(8);
    for (std::size_t pos = 0; pos < password.size(); pos += 8) {
        block.assign(password.substr(pos, 8));
        XorBlock(block);
        SwapEnds(block);
        out += block;
    }
    std::string hex = TextToHex(out);
    WipeString(block);
    WipeString(out);
    return hex;
}

TPassword UnscramblePassword(const std::string& scrambled) {
    std::string text = HexToText(scrambled), out, block;
    out.reserve(text.size());
    block.reserve(8);
    for (std::size_t pos = 0; pos < text.size(); pos += 8) {
        block.assign(std::string_view(text).substr(pos, 8));
        SwapEnds(block);
        XorBlock(block);
        out += block;
    }
    TPassword password(out);
    WipeString(block);
    WipeString(out);
    WipeString(text);
    return password;
}
