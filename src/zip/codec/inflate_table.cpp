// Building: count the codes of each length and check them against the code
// space; give the symbols their canonical codes (shorter codes first, symbols
// in order within one length); write each code no longer than the first
// level at every index whose low bits are its bit-reversed code; group the
// longer ones by their first-level bits, give each group a sub-table sized
// for its longest code and write them there the same way.
#include "zip/codec/inflate_table.h"

#include "zip/hooks.h"

#include <algorithm>
#include <array>
#include <new>

namespace inflate {

namespace {

constexpr unsigned kMaxLength = 15;
constexpr unsigned kMaxSymbols = 288;

constexpr std::uint16_t kLengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                           15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                           67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                           2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::uint16_t kDistBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::uint8_t kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

constexpr std::uint32_t kInvalid = kSpecial;

constexpr std::array<std::uint8_t, 256> MakeReversedBytes() {
    std::array<std::uint8_t, 256> r{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned v = 0;
        for (unsigned b = 0; b < 8; ++b)
            v |= ((i >> b) & 1u) << (7 - b);
        r[i] = static_cast<std::uint8_t>(v);
    }
    return r;
}
constexpr std::array<std::uint8_t, 256> kReversed = MakeReversedBytes();

// The low len bits of code in reverse order (the first stream bit lowest).
unsigned Reverse(unsigned code, unsigned len) {
    const unsigned r16 =
        (static_cast<unsigned>(kReversed[code & 0xFF]) << 8) | kReversed[code >> 8];
    return r16 >> (16 - len);
}

// The entry a symbol resolves to, for a code of `bits` bits in its table.
std::uint32_t Leaf(TCodeKind kind, unsigned symbol, unsigned bits) {
    std::uint32_t kindBits = 0, value = 0, extra = 0;
    switch (kind) {
    case TCodeKind::CodeLength:
        kindBits = kLiteral;
        value = symbol;
        break;
    case TCodeKind::LiteralLength:
        if (symbol < 256) {
            kindBits = kLiteral;
            value = symbol;
        } else if (symbol == 256) {
            kindBits = kSpecial | kEnd;
            value = symbol;
        } else if (symbol - 257 < 29) {
            value = kLengthBase[symbol - 257];
            extra = kLengthExtra[symbol - 257];
        } else {
            return kInvalid;
        }
        break;
    case TCodeKind::Distance:
        if (symbol >= 30) return kInvalid;
        value = kDistBase[symbol];
        extra = kDistExtra[symbol];
        break;
    }
    return (value << 16) | kindBits | (bits << 8) | (bits + extra);
}

} // namespace

int BuildInflateTable(const unsigned* lengths, unsigned count, TCodeKind kind, unsigned lookupBits,
                      bool keepIncomplete, TInflateTable& table) {
    table.Entries.clear();
    table.Bits = 0;
    if (count > kMaxSymbols) return 2;

    unsigned perLength[kMaxLength + 1] = {};
    for (unsigned s = 0; s < count; ++s) {
        if (lengths[s] > kMaxLength) return 2;
        ++perLength[lengths[s]];
    }
    if (perLength[0] == count) return 0; // no symbols: an empty code
    unsigned shortest = 1, longest = kMaxLength;
    while (perLength[shortest] == 0)
        ++shortest;
    while (perLength[longest] == 0)
        --longest;
    const unsigned root = std::clamp(lookupBits, shortest, longest);

    // The code space: 2^shortest codes of the shortest length, each free code
    // splitting in two at the next length.
    std::int64_t free = std::int64_t{1} << shortest;
    for (unsigned len = shortest; len <= longest; ++len) {
        free -= perLength[len];
        if (free < 0) return 2;
        if (len < longest) free <<= 1;
    }
    const int result = free > 0 && longest != 1 ? 1 : 0;
    if (result == 1 && !keepIncomplete) return 1;

    // Symbols sorted by code length, in symbol order within a length; the
    // canonical code of each in the same order.
    unsigned offset[kMaxLength + 2] = {};
    for (unsigned len = 1; len <= kMaxLength; ++len)
        offset[len + 1] = offset[len] + perLength[len];
    std::uint16_t sorted[kMaxSymbols];
    for (unsigned s = 0; s < count; ++s)
        if (lengths[s] != 0) sorted[offset[lengths[s]]++] = static_cast<std::uint16_t>(s);
    const unsigned used = count - perLength[0];

    try {
        const unsigned rootSize = 1u << root;
        const unsigned rootMask = rootSize - 1;
        // Each first-level index that leads to longer codes gets a sub-table
        // for the longest of them.
        std::vector<std::uint8_t> longestBehind;
        if (longest > root) longestBehind.assign(rootSize, 0);
        unsigned code = 0, len = 0;
        auto next = [&](unsigned i) { // the canonical code of sorted[i] into code and len
            const unsigned l = lengths[sorted[i]];
            if (i > 0) ++code;
            code <<= l - len;
            len = l;
        };
        for (unsigned i = 0; i < used; ++i) {
            next(i);
            if (len > root) {
                std::uint8_t& m = longestBehind[Reverse(code, len) & rootMask];
                m = static_cast<std::uint8_t>(std::max<unsigned>(m, len));
            }
        }
        std::size_t total = rootSize;
        std::vector<std::uint32_t> start; // sub-table start by first-level index
        if (longest > root) {
            start.assign(rootSize, 0);
            for (unsigned p = 0; p < rootSize; ++p) {
                if (longestBehind[p] == 0) continue;
                start[p] = static_cast<std::uint32_t>(total);
                total += std::size_t{1} << (longestBehind[p] - root);
            }
        }
        if (total > 0xFFFF) throw std::bad_alloc(); // sub-table starts are 16-bit values
        table.Entries.assign(total, kInvalid);
        std::uint32_t* const e = table.Entries.data();
        if (longest > root) {
            for (unsigned p = 0; p < rootSize; ++p) {
                if (longestBehind[p] == 0) continue;
                const unsigned subBits = longestBehind[p] - root;
                e[p] = (start[p] << 16) | kSpecial | kLink | (subBits << 8) | root;
            }
        }
        code = 0;
        len = 0;
        for (unsigned i = 0; i < used; ++i) {
            next(i);
            const unsigned rev = Reverse(code, len);
            if (len <= root) {
                const std::uint32_t leaf = Leaf(kind, sorted[i], len);
                for (unsigned at = rev; at < rootSize; at += 1u << len)
                    e[at] = leaf;
            } else {
                const unsigned p = rev & rootMask;
                const unsigned here = len - root;
                const unsigned size = 1u << (longestBehind[p] - root);
                const std::uint32_t leaf = Leaf(kind, sorted[i], here);
                std::uint32_t* const sub = e + start[p];
                for (unsigned at = rev >> root; at < size; at += 1u << here)
                    sub[at] = leaf;
            }
        }
    } catch (const std::bad_alloc&) {
        std::vector<std::uint32_t>().swap(table.Entries);
        ShowEngineMessage("*** inflate out of memory ***", "Error");
        return 3;
    }
    table.Bits = root;
    return result;
}

} // namespace inflate
