// Entries by kind: a leaf's fixed part (value, kind, extra bits) comes from
// a table per code kind, made once, and only its code bits are added per
// code.
#include "zip/codec/inflate_table.h"

#include "zip/codec/prefix_code.h"
#include "zip/hooks.h"

#include <array>

namespace inflate {

namespace {

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
// Marks a leaf template of a symbol that has no meaning (lengths 286-287,
// distances 30-31): its codes decode as invalid.
constexpr std::uint32_t kMeaningless = 0xFFFFFFFFu;

// Value, kind and extra bits of each symbol; a code adds its bits to the
// bits to drop and to the code bits.
using TLeaves = std::array<std::uint32_t, 288>;

constexpr TLeaves MakeLeaves(TCodeKind kind) {
    TLeaves t{};
    for (unsigned s = 0; s < 288; ++s) {
        std::uint32_t leaf = kMeaningless;
        if (kind == TCodeKind::CodeLength) {
            leaf = (s << 16) | kLiteral;
        } else if (kind == TCodeKind::LiteralLength) {
            if (s < 256)
                leaf = (s << 16) | kLiteral;
            else if (s == 256)
                leaf = (s << 16) | kSpecial | kEnd;
            else if (s - 257 < 29)
                leaf = (static_cast<std::uint32_t>(kLengthBase[s - 257]) << 16) |
                       kLengthExtra[s - 257];
        } else if (s < 30) {
            leaf = (static_cast<std::uint32_t>(kDistBase[s]) << 16) | kDistExtra[s];
        }
        t[s] = leaf;
    }
    return t;
}

constexpr TLeaves kLeaves[3] = {MakeLeaves(TCodeKind::LiteralLength),
                                MakeLeaves(TCodeKind::Distance), MakeLeaves(TCodeKind::CodeLength)};

// Sub-table starts are 16-bit values.
constexpr std::size_t kMaxEntries = 0xFFFF;

// Gives every first-level entry of a literal whose code leaves room for the
// code of a second literal both of them. The entry at i >> (first code bits)
// is that of the bits after the first code (with zeros above them), right
// when its code fits in those bits; it may already hold a pair, whose first
// literal is the one wanted.
void PairLiterals(std::uint32_t* t, unsigned rootBits) {
    // Without branches: which entries pair up follows no pattern a
    // processor could predict.
    const unsigned size = 1u << rootBits;
    for (unsigned i = 0; i < size; ++i) {
        const std::uint32_t first = t[i];
        const unsigned bits1 = CodeBits(first);
        const std::uint32_t second = t[i >> bits1];
        const unsigned bits2 = bits1 + CodeBits(second);
        const std::uint32_t pair = ((Value(first) | (Value(second) & 0xFF) << 8) << 16) | kLiteral |
                                   kPair | (bits1 << 8) | bits2;
        const bool both = (first & second & kLiteral) != 0 && bits2 <= rootBits;
        t[i] = both ? pair : first;
    }
}

// The share of first-level lookups that would find two literals, if the
// data followed the code's own lengths (a code of n bits standing for a
// share of 2^-n): below a tenth, a pass to pair them does not pay.
bool WorthPairing(const unsigned* lengths, unsigned count, unsigned rootBits) {
    double perLength[16] = {};
    for (unsigned s = 0; s < count && s < 256; ++s)
        if (lengths[s] != 0 && lengths[s] < rootBits) perLength[lengths[s]] += 1.0;
    double share = 0, upTo[16] = {};
    for (unsigned len = 1; len < 16; ++len)
        upTo[len] = upTo[len - 1] + perLength[len] / static_cast<double>(1u << len);
    for (unsigned len = 1; len < rootBits; ++len)
        share += perLength[len] / static_cast<double>(1u << len) * upTo[rootBits - len];
    return share >= 0.1;
}

} // namespace

int BuildInflateTable(const unsigned* lengths, unsigned count, TCodeKind kind, unsigned rootBits,
                      bool keepIncomplete, TInflateTable& table, bool pairs) {
    table.Bits = 0;
    prefix::TCanonicalCode code;
    const int result = prefix::MakeCanonicalCode(lengths, count, 15, code);
    if (result == prefix::kOverSubscribed || code.Used == 0) return result;
    if (result == prefix::kIncomplete && !keepIncomplete) return result;
    const TLeaves& leaves = kLeaves[static_cast<int>(kind)];
    try {
        prefix::FillPrefixTables(
            code, rootBits, kInvalid, kMaxEntries, table.Entries,
            [&](unsigned symbol, unsigned bits) {
                const std::uint32_t leaf = leaves[symbol];
                return leaf == kMeaningless ? kInvalid : leaf + (bits << 8) + bits;
            },
            [&](std::size_t start, unsigned subBits) {
                return (static_cast<std::uint32_t>(start) << 16) | kSpecial | kLink |
                       (subBits << 8) | rootBits;
            });
    } catch (const std::bad_alloc&) {
        std::vector<std::uint32_t>().swap(table.Entries);
        ShowEngineMessage("*** inflate out of memory ***", "Error");
        return prefix::kOutOfMemory;
    }
    if (pairs && kind == TCodeKind::LiteralLength && WorthPairing(lengths, count, rootBits))
        PairLiterals(table.Entries.data(), rootBits);
    table.Bits = rootBits;
    return result;
}

} // namespace inflate
