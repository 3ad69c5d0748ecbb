// The codes are checked and their tables written by the shared prefix-code
// builder (prefix_code.h); here only the entries: a literal, end of block or
// base value with extra bits per symbol, and the link to a sub-table.
#include "zip/codec/decode_table.h"

#include "zip/codec/prefix_code.h"
#include "zip/hooks.h"

#include <algorithm>

int BuildDecodeTable(const unsigned* lengths, unsigned count, unsigned plainLimit,
                     const std::uint16_t* base, const std::uint8_t* extra, unsigned baseCount,
                     TDecodeTable& table, int& lookupBits) {
    FreeDecodeTables(table);
    prefix::TCanonicalCode code;
    const int result = prefix::MakeCanonicalCode(lengths, count, prefix::kMaxLength, code);
    if (result == prefix::kOverSubscribed) return result;
    if (code.Used == 0) {
        lookupBits = 0;
        return result;
    }
    lookupBits = std::clamp<int>(lookupBits, static_cast<int>(code.Shortest),
                                 static_cast<int>(code.Longest));
    const auto rootBits = static_cast<unsigned>(lookupBits);
    try {
        prefix::FillPrefixTables(
            code, rootBits, TDecodeEntry{kEntryInvalid, 0, 0}, 65535, table.Entries,
            [&](unsigned s, unsigned bits) {
                TDecodeEntry leaf{kEntryInvalid, static_cast<std::uint8_t>(bits), 0};
                if (s < plainLimit) {
                    leaf.e = s < 256 ? kEntryLiteral : kEntryEndOfBlock;
                    leaf.v = static_cast<std::uint16_t>(s);
                } else if (const unsigned i = s - plainLimit; i < baseCount) {
                    leaf.e = extra[i];
                    leaf.v = base[i];
                }
                return leaf;
            },
            [&](std::size_t start, unsigned subBits) {
                return TDecodeEntry{static_cast<std::uint8_t>(16 + subBits),
                                    static_cast<std::uint8_t>(rootBits),
                                    static_cast<std::uint16_t>(start)};
            });
    } catch (const std::bad_alloc&) {
        FreeDecodeTables(table);
        ShowEngineMessage("*** inflate out of memory ***", "Error");
        return prefix::kOutOfMemory;
    }
    table.Bits = lookupBits;
    return result;
}

void FreeDecodeTables(TDecodeTable& table) {
    std::vector<TDecodeEntry>().swap(table.Entries);
    table.Bits = 0;
}
