// Canonical prefix codes and their lookup tables: the one builder behind the
// inflater's packed tables (inflate_table.h) and the general decode tables
// of the older methods (decode_table.h).
//
// A code is given as a code length per symbol (0: no code). MakeCanonicalCode
// counts the codes of each length, checks them against the code space and
// lists the symbols in code order (shorter codes first, symbols in order
// within one length); each symbol's canonical code (RFC 1951 section 3.2.2)
// then follows from its place in that list.
//
// FillPrefixTables writes the tables of a checked code, indexed by the next
// stream bits (the first code bit lowest, so a code's index is its
// bit-reversed value). The first-level table has 2^rootBits entries; a code
// no longer than that fills every index whose low bits are its reversed
// code. It is filled length by length: the codes of the shortest length
// first, then the table is doubled by copying it onto its upper half, which
// repeats every code placed so far at its new indexes, then the codes of the
// next length, and so on up to rootBits. Longer codes share their first
// rootBits bits with a group of others, which in code order lie together;
// each group gets a sub-table after the first-level table, sized for the
// longest code of the group, and the first-level entry of the group links to
// it. Indexes no code reaches (an incomplete code) hold the invalid entry.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

namespace prefix {

constexpr unsigned kMaxLength = 16; // the older methods' trees go to 16 bits, deflate to 15
constexpr unsigned kMaxSymbols = 288;

struct TCanonicalCode {
    unsigned PerLength[kMaxLength + 1] = {}; // codes of each length (index 0: symbols without)
    std::uint16_t Sorted[kMaxSymbols];       // the symbols with a code, in code order
    std::uint8_t Length[kMaxSymbols];        // Length[i]: the code length of Sorted[i]
    unsigned Used = 0;                       // symbols with a code
    unsigned Shortest = 0, Longest = 0;      // 0 when no symbol has a code
};

// Results of the check, as the decoders know them.
constexpr int kComplete = 0;
constexpr int kIncomplete = 1;     // codes left free, and the longest length is not 1
constexpr int kOverSubscribed = 2; // more codes than the code space holds; also a length
                                   // above maxLength or more than kMaxSymbols symbols
constexpr int kOutOfMemory = 3;

// Counts, checks and sorts; `code` is filled for kComplete and kIncomplete.
// A single code of length 1 counts as complete. No symbols: kComplete with
// Used 0.
int MakeCanonicalCode(const unsigned* lengths, unsigned count, unsigned maxLength,
                      TCanonicalCode& code);

// The low len bits of v in reverse order.
inline unsigned ReverseBits(unsigned v, unsigned len) {
    static constexpr std::array<std::uint8_t, 256> kReversed = [] {
        std::array<std::uint8_t, 256> r{};
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned b = 0; b < 8; ++b)
                r[i] = static_cast<std::uint8_t>(r[i] | (((i >> b) & 1u) << (7 - b)));
        return r;
    }();
    const unsigned r16 =
        (static_cast<unsigned>(kReversed[v & 0xFF]) << 8) | kReversed[(v >> 8) & 0xFF];
    return r16 >> (16 - len);
}

// Writes the tables of `code` into `out` (resized to the first-level table
// and its sub-tables): leaf(symbol, bits) gives a symbol's entry, where bits
// are the code bits its table consumes; link(start, subBits) the first-level
// entry of a sub-table at `start` indexed by subBits further bits. Raises
// std::bad_alloc when the tables would need more than maxEntries entries.
template <class Entry, class Leaf, class Link>
void FillPrefixTables(const TCanonicalCode& code, unsigned rootBits, Entry invalid,
                      std::size_t maxEntries, std::vector<Entry>& out, Leaf&& leaf, Link&& link) {
    const unsigned rootSize = 1u << rootBits;
    // Canonical code of Sorted[i] into value, advanced from that of i - 1.
    unsigned value = 0, valueLen = code.Length[0];
    auto advance = [&](unsigned i) {
        if (i == 0) return;
        ++value;
        value <<= code.Length[i] - valueLen;
        valueLen = code.Length[i];
    };
    unsigned firstLong = 0; // place in Sorted of the first code longer than rootBits
    for (unsigned len = 1; len <= rootBits; ++len)
        firstLong += code.PerLength[len];

    // Group the longer codes by their first rootBits bits, and size the
    // sub-tables: the last code of a group is its longest.
    struct TGroup {
        unsigned first, prefix, subBits;
    };
    TGroup groups[kMaxSymbols];
    unsigned groupCount = 0;
    std::size_t total = rootSize;
    {
        unsigned v = value, vl = valueLen;
        for (unsigned i = 1; i <= firstLong && i < code.Used; ++i) {
            ++v;
            v <<= code.Length[i] - vl;
            vl = code.Length[i];
        }
        for (unsigned i = firstLong; i < code.Used; ++i) {
            if (i > firstLong) {
                ++v;
                v <<= code.Length[i] - vl;
                vl = code.Length[i];
            }
            const unsigned prefix = v >> (vl - rootBits);
            if (groupCount == 0 || groups[groupCount - 1].prefix != prefix)
                groups[groupCount++] = TGroup{i, prefix, 0};
            groups[groupCount - 1].subBits = vl - rootBits;
        }
        for (unsigned g = 0; g < groupCount; ++g)
            total += std::size_t{1} << groups[g].subBits;
    }
    if (total > maxEntries) throw std::bad_alloc();
    out.resize(total);
    Entry* const t = out.data();

    // The first level, doubled length by length.
    const unsigned firstLen = std::min(rootBits, code.Shortest);
    unsigned size = 1u << firstLen;
    std::fill(t, t + size, invalid);
    unsigned i = 0;
    for (unsigned len = firstLen; len <= rootBits; ++len) {
        for (unsigned n = code.PerLength[len]; n > 0; --n, ++i) {
            advance(i);
            t[ReverseBits(value, len)] = leaf(code.Sorted[i], len);
        }
        if (len < rootBits) {
            std::memcpy(t + size, t, size * sizeof(Entry));
            size *= 2;
        }
    }
    // The sub-tables, one group after the other.
    std::size_t at = rootSize;
    for (unsigned g = 0; g < groupCount; ++g) {
        const unsigned subBits = groups[g].subBits;
        const unsigned subSize = 1u << subBits;
        Entry* const sub = t + at;
        std::fill(sub, sub + subSize, invalid);
        const unsigned end = g + 1 < groupCount ? groups[g + 1].first : code.Used;
        for (; i < end; ++i) {
            advance(i);
            const unsigned len = code.Length[i];
            const unsigned rev = ReverseBits(value, len);
            const unsigned here = len - rootBits;
            const Entry e = leaf(code.Sorted[i], here);
            for (unsigned k = rev >> rootBits; k < subSize; k += 1u << here)
                sub[k] = e;
        }
        t[ReverseBits(groups[g].prefix, rootBits)] = link(at, subBits);
        at += subSize;
    }
}

} // namespace prefix
