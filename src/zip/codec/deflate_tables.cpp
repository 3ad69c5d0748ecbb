#include "zip/codec/deflate_tables.h"

namespace deflate {

void AssignCanonicalCodes(TTreeNode* tree, int maxCode, const std::uint16_t* count) {
    std::uint16_t nextCode[kMaxBits + 1];
    unsigned code = 0;
    nextCode[0] = 0;
    for (int bits = 1; bits <= kMaxBits; ++bits) {
        code = (code + count[bits - 1]) << 1;
        nextCode[bits] = static_cast<std::uint16_t>(code);
    }
    for (int n = 0; n <= maxCode; ++n) {
        int len = tree[n].len;
        if (len == 0) continue;
        tree[n].code = static_cast<std::uint16_t>(ReverseBits(nextCode[len]++, len));
    }
}

} // namespace deflate

using namespace deflate;

TDeflateTables::TDeflateTables() {
    int length = 0;
    int code = 0;
    for (code = 0; code < kLengthCodes - 1; ++code) {
        baseLength[code] = static_cast<std::uint16_t>(length);
        for (int n = 0; n < (1 << kExtraLBits[code]); ++n)
            lengthCode[length++] = static_cast<std::uint8_t>(code);
    }
    // Length 258 has a code of its own (28) instead of the last value of 27.
    lengthCode[length - 1] = static_cast<std::uint8_t>(code);
    baseLength[kLengthCodes - 1] = 255;

    int dist = 0;
    for (code = 0; code < 16; ++code) {
        baseDist[code] = static_cast<std::uint16_t>(dist);
        for (int n = 0; n < (1 << kExtraDBits[code]); ++n)
            distCode[dist++] = static_cast<std::uint8_t>(code);
    }
    dist >>= 7; // from here on, distances are counted in steps of 128
    for (; code < kDCodes; ++code) {
        baseDist[code] = static_cast<std::uint16_t>(dist << 7);
        for (int n = 0; n < (1 << (kExtraDBits[code] - 7)); ++n)
            distCode[256 + dist++] = static_cast<std::uint8_t>(code);
    }

    std::uint16_t count[kMaxBits + 1] = {};
    for (int n = 0; n < kLCodes + 2; ++n) {
        int len = n <= 143 ? 8 : n <= 255 ? 9 : n <= 279 ? 7 : 8;
        staticLTree[n].len = static_cast<std::uint16_t>(len);
        ++count[len];
    }
    AssignCanonicalCodes(staticLTree, kLCodes + 1, count);
    for (int n = 0; n < kDCodes; ++n) {
        staticDTree[n].len = 5;
        staticDTree[n].code = static_cast<std::uint16_t>(ReverseBits(static_cast<unsigned>(n), 5));
    }
}
