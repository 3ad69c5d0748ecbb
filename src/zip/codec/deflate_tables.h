// Fixed facts of the deflate format and the tables derived from them once per
// encoder: the code of every match length and distance, the base value of
// every code, and the fixed Huffman codes. Codes are stored bit-reversed,
// ready to be sent least significant bit first.
//
// A distance below 256 finds its code directly; above, (distance - 1) >> 7
// indexes the upper half of the table, because every code from 16 on covers a
// multiple of 128 distances.
#pragma once

#include <cstdint>

namespace deflate {

constexpr int kMaxBits = 15;     // longest literal/length or distance code
constexpr int kMaxBlBits = 7;    // longest code-length code
constexpr int kLengthCodes = 29; // length codes 257..285
constexpr int kLiterals = 256;
constexpr int kEndBlock = 256;
constexpr int kLCodes = kLiterals + 1 + kLengthCodes; // 286
constexpr int kDCodes = 30;
constexpr int kBlCodes = 19;
constexpr int kHeapSize = 2 * kLCodes + 1; // 573
constexpr int kRep3To6 = 16;               // repeat the previous length 3-6 times
constexpr int kRepZero3To10 = 17;          // 3-10 zero lengths
constexpr int kRepZero11To138 = 18;        // 11-138 zero lengths

constexpr std::uint8_t kExtraLBits[kLengthCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                    2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint8_t kExtraDBits[kDCodes] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
constexpr std::uint8_t kExtraBlBits[kBlCodes] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                 0, 0, 0, 0, 0, 0, 2, 3, 7};
constexpr std::uint8_t kBlOrder[kBlCodes] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                             11, 4,  12, 3, 13, 2, 14, 1, 15};

// One node of a code tree. While a tree is built, freq counts the symbol and
// dad links it to its parent; afterwards len and code describe its code.
struct TTreeNode {
    std::uint16_t freq = 0;
    std::uint16_t code = 0;
    std::uint16_t dad = 0;
    std::uint16_t len = 0;
};

// Reverses the low `len` bits of code.
inline unsigned ReverseBits(unsigned code, int len) {
    unsigned result = 0;
    for (int i = 0; i < len; ++i) {
        result = (result << 1) | (code & 1);
        code >>= 1;
    }
    return result;
}

// Gives every symbol 0..maxCode with a non-zero length its canonical code
// (shorter codes first, then by symbol), bit-reversed. count[b] is the number
// of codes of length b.
void AssignCanonicalCodes(TTreeNode* tree, int maxCode, const std::uint16_t* count);

} // namespace deflate

struct TDeflateTables {
    TDeflateTables();

    std::uint8_t lengthCode[256]; // match length - 3 -> length code 0..28
    std::uint8_t distCode[512];   // see DistCode
    std::uint16_t baseLength[deflate::kLengthCodes];
    std::uint16_t baseDist[deflate::kDCodes];
    deflate::TTreeNode staticLTree[deflate::kLCodes + 2];
    deflate::TTreeNode staticDTree[deflate::kDCodes];

    // Distance code of a match distance - 1 (0..32767).
    unsigned DistCode(unsigned dist) const {
        return dist < 256 ? distCode[dist] : distCode[256 + (dist >> 7)];
    }
};
