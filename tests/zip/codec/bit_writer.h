// A tiny deflate bit writer for hand-made test streams: bits go out first
// bit lowest, Huffman codes highest code bit first, as the format wants.
#pragma once

#include <algorithm>
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

// A dynamic block header with the given literal/length and distance code
// lengths. The code-length code gives all 19 symbols a length (13 of 4 bits,
// 6 of 5 bits: a complete code), so any sequence can be sent; the lengths go
// out one symbol each, except that `leadingZeros` (3-6) zeros are sent first
// as symbol 16 repeating the initial "previous length" of 0.
inline void DynamicHeader(BitWriter& w, bool final, const std::vector<unsigned>& lit,
                          const std::vector<unsigned>& dist, unsigned leadingZeros = 0) {
    static const unsigned order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                       11, 4,  12, 3, 13, 2, 14, 1, 15};
    std::vector<unsigned> clLen(19);
    for (unsigned s = 0; s < 19; ++s)
        clLen[s] = s < 13 ? 4 : 5;
    auto clCode = CanonicalCodes(clLen);
    w.Bits(final ? 1 : 0, 1);                                // BFINAL
    w.Bits(2, 2);                                            // BTYPE 10: dynamic
    w.Bits(static_cast<std::uint32_t>(lit.size() - 257), 5); // HLIT
    w.Bits(static_cast<std::uint32_t>(dist.size() - 1), 5);  // HDIST
    w.Bits(15, 4);                                           // HCLEN: all 19
    for (unsigned i = 0; i < 19; ++i)
        w.Bits(clLen[order[i]], 3);
    std::vector<unsigned> all(lit);
    all.insert(all.end(), dist.begin(), dist.end());
    std::size_t i = 0;
    if (leadingZeros) {
        w.Code(clCode[16], clLen[16]); // 16: repeat previous (0) 3 + 2 bits times
        w.Bits(leadingZeros - 3, 2);
        i = leadingZeros;
    }
    for (; i < all.size(); ++i)
        w.Code(clCode[all[i]], clLen[all[i]]);
}

// The base values and extra bits of the length codes 257-285 and the
// distance codes 0-29 (the format's tables, written out here for the tests).
inline constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
inline constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
inline constexpr std::uint16_t kDistBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
inline constexpr std::uint8_t kDistExtra[30] = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// Code lengths (at most maxLength) of a complete prefix code of n symbols:
// leaves split at random until there are n, then shuffled.
template <class Rng>
std::vector<unsigned> CompleteLengths(Rng& rng, unsigned n, unsigned maxLength) {
    std::vector<unsigned> leaves{0};
    while (leaves.size() < n) {
        const std::size_t i = rng() % leaves.size();
        if (leaves[i] >= maxLength) continue;
        ++leaves[i];
        leaves.push_back(leaves[i]);
    }
    std::shuffle(leaves.begin(), leaves.end(), rng);
    return leaves;
}

} // namespace codectest
