// A tiny deflate bit writer for hand-made test streams: bits go out first
// bit lowest, Huffman codes highest code bit first, as the format wants.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace codectest {

class BitWriter {
public:
    // Writes the low n bits of v, lowest first (header fields, extra bits).
    void Bits(std::uint32_t v, unsigned n) {
        for (unsigned i = 0; i < n; ++i)
            Bit((v >> i) & 1u);
    }
    // Writes an n-bit Huffman code, its highest bit first.
    void Code(std::uint32_t code, unsigned n) {
        for (unsigned i = n; i-- > 0;)
            Bit((code >> i) & 1u);
    }
    void AlignToByte() {
        while (count_ != 0)
            Bit(0);
    }
    void Byte(std::uint8_t b) { Bits(b, 8); }
    std::string Take() {
        AlignToByte();
        return bytes_;
    }

private:
    void Bit(unsigned b) {
        cur_ |= static_cast<std::uint8_t>(b << count_);
        if (++count_ == 8) {
            bytes_.push_back(static_cast<char>(cur_));
            cur_ = 0;
            count_ = 0;
        }
    }
    std::string bytes_;
    std::uint8_t cur_ = 0;
    unsigned count_ = 0;
};

// Canonical codes for the given lengths (the test's own, independent of the
// decoder's table builder).
inline std::vector<std::uint32_t> CanonicalCodes(const std::vector<unsigned>& lengths) {
    unsigned maxLen = 0;
    for (unsigned l : lengths)
        maxLen = l > maxLen ? l : maxLen;
    std::vector<unsigned> count(maxLen + 2, 0);
    for (unsigned l : lengths)
        if (l) ++count[l];
    std::vector<std::uint32_t> next(maxLen + 2, 0);
    std::uint32_t code = 0;
    for (unsigned len = 1; len <= maxLen; ++len) {
        code = (code + (len > 1 ? count[len - 1] : 0)) << 1;
        next[len] = code;
    }
    std::vector<std::uint32_t> codes(lengths.size(), 0);
    for (std::size_t s = 0; s < lengths.size(); ++s)
        if (lengths[s]) codes[s] = next[lengths[s]]++;
    return codes;
}

// Fixed-code literal/length symbol.
inline void FixedSymbol(BitWriter& w, unsigned sym) {
    if (sym < 144)
        w.Code(0x30 + sym, 8);
    else if (sym < 256)
        w.Code(0x190 + (sym - 144), 9);
    else if (sym < 280)
        w.Code(sym - 256, 7);
    else
        w.Code(0xC0 + (sym - 280), 8);
}

} // namespace codectest
