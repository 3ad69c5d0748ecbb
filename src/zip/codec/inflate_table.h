// Decoding tables of the inflater, packed for its hot loop.
//
// Each entry is one 32-bit word, so that a single lookup gives everything a
// symbol needs: how many bits to drop (the code's bits together with the
// extra bits of a length or distance, so one shift consumes both), how many
// of them are code bits (the extra value sits just above those), the kind,
// and a 16-bit value (the literal, the base length or distance, or where a
// sub-table starts).
//
//   bits  0-7   bits to drop
//   bits  8-11  code bits (a link: the sub-table's index bits)
//   bits 12-15  kind: kLiteral, with kPair for two literals; kSpecial with
//               kEnd (end of block) or kLink (a sub-table); kSpecial alone
//               for a bit pattern no symbol has; none of them for a length
//               or distance
//   bits 16-31  value
//
// A literal/length table's first level may hold two literals in one entry
// where the codes of both fit in its bits: value = first | second << 8,
// bits to drop = both codes, code bits = the first code alone, so a reader
// that wants one symbol at a time takes the first literal and drops its code
// bits only.
//
// The first-level table has a fixed 2^bits entries, whatever the code's
// lengths, so the hot loop indexes it with a constant mask; with 11 bits for
// literals and lengths and 8 for distances nearly every code is one lookup.
// The longer codes that share their first `bits` bits go to one sub-table,
// sized for the longest of them, so no code takes more than two lookups.
// The tables are written by the shared prefix-code builder (prefix_code.h).
//
// BuildInflateTable checks the code like BuildDecodeTable and gives the same
// results (0 complete, 1 incomplete, 2 over-subscribed, 3 out of memory).
#pragma once

#include <cstdint>
#include <vector>

namespace inflate {

constexpr std::uint32_t kLiteral = 0x8000;
constexpr std::uint32_t kSpecial = 0x4000;
constexpr std::uint32_t kLink = 0x2000;
constexpr std::uint32_t kEnd = 0x1000;
constexpr std::uint32_t kPair = 0x1000; // with kLiteral

inline unsigned DropBits(std::uint32_t e) {
    return e & 0xFF;
}
inline unsigned CodeBits(std::uint32_t e) {
    return (e >> 8) & 0xF;
}
inline unsigned Value(std::uint32_t e) {
    return e >> 16;
}

enum class TCodeKind {
    LiteralLength, // literals, end of block, lengths (symbols 286 and 287 have no meaning)
    Distance,      // distances (symbols 30 and 31 have no meaning)
    CodeLength     // the 19 symbols of the code-length code, as literals
};

// First-level bits of the inflater's tables.
constexpr unsigned kLiteralBits = 11;
constexpr unsigned kDistanceBits = 8;
constexpr unsigned kCodeLengthBits = 7; // the code-length code's codes are at most 7 bits

struct TInflateTable {
    std::vector<std::uint32_t> Entries; // empty for a code of no symbols
    unsigned Bits = 0;                  // index bits of the first-level table
    bool Empty() const { return Bits == 0; }
    std::size_t Size() const { return Bits == 0 ? 0 : Entries.size(); }
};

// Builds the table of the code whose lengths (0 = unused, at most 15) are
// given for symbols 0 to count - 1, with a first-level table of 2^rootBits
// entries. An incomplete code (result 1) is built only when keepIncomplete is
// set; otherwise the table is left empty, since the caller gives up anyway.
// The entries' storage is kept from one build to the next. With `pairs` a
// literal/length table gets entries of two literals where they fit (see
// above); that takes a pass over the first level, worth it for a block that
// goes on for a while.
int BuildInflateTable(const unsigned* lengths, unsigned count, TCodeKind kind, unsigned rootBits,
                      bool keepIncomplete, TInflateTable& table, bool pairs = false);

} // namespace inflate
