// Lookup tables for prefix codes read least-significant bit first (the
// canonical codes of deflate, and the trees of the imploded method).
//
// A table is indexed by the next stream bits: the first-level table by
// `lookup bits` bits, so a code no longer than that is found with one
// lookup. Longer codes continue in a sub-table: the first-level entry links
// to it (e = 16 + its index bits), and it is indexed by the bits after the
// parent's, sized for the longest code behind that link. All tables of one
// code live in one block (`Entries`), the first-level table at its start; a
// link holds the index of its sub-table in that block. Freeing the block
// frees the whole code. The shared prefix-code builder (prefix_code.h)
// checks the code and writes the tables.
//
// The entry kinds (e): 0-14 a length or distance with that many extra bits
// and v its base value; 15 end of block; 16 a literal, v its value; 17-32 a
// link; 99 an invalid code (a bit pattern no symbol has). b is the number of
// bits the entry stands for below the tables above it.
#pragma once

#include <cstdint>
#include <vector>

struct TDecodeEntry {
    std::uint8_t e;
    std::uint8_t b;
    std::uint16_t v;
};

struct TDecodeTable {
    std::vector<TDecodeEntry> Entries; // empty for a code of no symbols
    int Bits = 0;                      // index bits of the first-level table
    bool Empty() const { return Entries.empty(); }
};

constexpr std::uint8_t kEntryEndOfBlock = 15;
constexpr std::uint8_t kEntryLiteral = 16;
constexpr std::uint8_t kEntryInvalid = 99;

// Builds the table of the code whose lengths (0 = unused, at most 16) are
// given for symbols 0 to count - 1. Symbols below plainLimit become literals
// (or end of block from 256 up); a symbol s at or above it takes its base
// value and extra bits from base[s - plainLimit] and extra[s - plainLimit],
// and is invalid when that index is not below baseCount. lookupBits is the
// wished first-level size; it comes back raised to the shortest length
// present and lowered to the longest.
//
// Result 0: done. 1: the code is incomplete (codes were left free) and its
// longest length is not 1; the table is built and usable. 2: the code is
// over-subscribed; nothing built. 3: out of memory; nothing kept, the message
// box "*** inflate out of memory ***" was shown.
int BuildDecodeTable(const unsigned* lengths, unsigned count, unsigned plainLimit,
                     const std::uint16_t* base, const std::uint8_t* extra, unsigned baseCount,
                     TDecodeTable& table, int& lookupBits);

void FreeDecodeTables(TDecodeTable& table);
