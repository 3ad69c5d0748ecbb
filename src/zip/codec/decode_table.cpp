// Building: count the codes of each length, check the count against the
// code space, give every symbol its canonical code (shorter codes first,
// symbols in order within one length), then write each code into the table
// at every index whose low bits are its bit-reversed code. Codes longer than
// a table's index bits are grouped by the bits that table consumes and go to
// a sub-table per group, sized for the longest code of the group but never
// larger than the first-level table; still longer codes nest further.
#include "zip/codec/decode_table.h"

#include "zip/hooks.h"

#include <algorithm>
#include <new>

namespace {

constexpr unsigned kMaxLength = 16;

struct Code {
    std::uint32_t rev; // code bits, first stream bit lowest
    unsigned len;      // bits of the code not yet consumed by tables above
    TDecodeEntry leaf; // the entry the code resolves to (b filled in on write)
};

std::uint32_t Reverse(std::uint32_t code, unsigned len) {
    std::uint32_t r = 0;
    for (unsigned i = 0; i < len; ++i) {
        r = (r << 1) | (code & 1u);
        code >>= 1;
    }
    return r;
}

class Builder {
public:
    Builder(std::vector<TDecodeEntry>& out, unsigned maxSubBits) : out_(out), maxSub_(maxSubBits) {}

    // Reserves a table of 2^bits entries at the end of the block, all invalid.
    std::size_t Allocate(unsigned bits) {
        std::size_t start = out_.size();
        // Links hold 16-bit indexes; with at most 288 symbols, code lengths
        // up to 16 and first-level tables of at most 9 bits as the decoders
        // ask, the block stays far below that. Anything larger is refused
        // like a failed allocation.
        if (start + (std::size_t{1} << bits) > 65535) throw std::bad_alloc();
        out_.resize(start + (std::size_t{1} << bits),
                    TDecodeEntry{kEntryInvalid, static_cast<std::uint8_t>(bits), 0});
        return start;
    }

    // Writes the codes into the table at `start` of 2^bits entries.
    void Fill(std::size_t start, unsigned bits, std::vector<Code>& codes) {
        const std::uint32_t mask = (std::uint32_t{1} << bits) - 1;
        std::vector<Code> longer;
        for (const Code& c : codes) {
            if (c.len <= bits) {
                TDecodeEntry e = c.leaf;
                e.b = static_cast<std::uint8_t>(c.len);
                for (std::uint32_t i = c.rev; i <= mask; i += std::uint32_t{1} << c.len)
                    out_[start + i] = e;
            } else {
                longer.push_back(c);
            }
        }
        // Group the longer codes by the bits this table consumes; codes of one
        // group are contiguous after a stable sort on those bits.
        std::stable_sort(longer.begin(), longer.end(), [mask](const Code& a, const Code& b) {
            return (a.rev & mask) < (b.rev & mask);
        });
        for (std::size_t i = 0; i < longer.size();) {
            std::uint32_t prefix = longer[i].rev & mask;
            std::size_t j = i;
            unsigned maxLen = 0;
            std::vector<Code> group;
            while (j < longer.size() && (longer[j].rev & mask) == prefix) {
                Code c = longer[j];
                c.rev >>= bits;
                c.len -= bits;
                maxLen = std::max(maxLen, c.len);
                group.push_back(c);
                ++j;
            }
            unsigned subBits = std::min(maxLen, maxSub_);
            std::size_t sub = Allocate(subBits);
            out_[start + prefix] =
                TDecodeEntry{static_cast<std::uint8_t>(16 + subBits),
                             static_cast<std::uint8_t>(bits), static_cast<std::uint16_t>(sub)};
            Fill(sub, subBits, group);
            i = j;
        }
    }

private:
    std::vector<TDecodeEntry>& out_;
    unsigned maxSub_;
};

} // namespace

int BuildDecodeTable(const unsigned* lengths, unsigned count, unsigned plainLimit,
                     const std::uint16_t* base, const std::uint8_t* extra, unsigned baseCount,
                     TDecodeTable& table, int& lookupBits) {
    FreeDecodeTables(table);

    unsigned perLength[kMaxLength + 1] = {};
    for (unsigned s = 0; s < count; ++s) {
        if (lengths[s] > kMaxLength)
            return 2; // no code of that length fits any code space we decode
        ++perLength[lengths[s]];
    }
    if (perLength[0] == count) {
        lookupBits = 0;
        table.Bits = 0;
        return 0;
    }
    unsigned shortest = 1, longest = kMaxLength;
    while (perLength[shortest] == 0)
        ++shortest;
    while (perLength[longest] == 0)
        --longest;
    lookupBits = std::clamp<int>(lookupBits, static_cast<int>(shortest), static_cast<int>(longest));

    // The code space: 2^shortest codes of the shortest length, each free code
    // splitting in two at the next length.
    std::int64_t free = std::int64_t{1} << shortest;
    for (unsigned len = shortest; len <= longest; ++len) {
        free -= perLength[len];
        if (free < 0) return 2;
        if (len < longest) free <<= 1;
    }
    const bool incomplete = free > 0 && longest != 1;

    // Canonical codes: first code of each length, then symbols in order.
    std::uint32_t next[kMaxLength + 1] = {};
    std::uint32_t code = 0;
    for (unsigned len = 2; len <= kMaxLength; ++len) {
        code = (code + perLength[len - 1]) << 1;
        next[len] = code;
    }

    std::vector<Code> codes;
    try {
        codes.reserve(count);
        for (unsigned s = 0; s < count; ++s) {
            unsigned len = lengths[s];
            if (len == 0) continue;
            TDecodeEntry leaf{kEntryInvalid, 0, 0};
            if (s < plainLimit) {
                leaf.e = s < 256 ? kEntryLiteral : kEntryEndOfBlock;
                leaf.v = static_cast<std::uint16_t>(s);
            } else if (unsigned i = s - plainLimit; i < baseCount && i < 288) {
                leaf.e = extra[i];
                leaf.v = base[i];
            }
            codes.push_back(Code{Reverse(next[len]++, len), len, leaf});
        }
        Builder builder(table.Entries, static_cast<unsigned>(lookupBits));
        std::size_t first = builder.Allocate(static_cast<unsigned>(lookupBits));
        builder.Fill(first, static_cast<unsigned>(lookupBits), codes);
    } catch (const std::bad_alloc&) {
        FreeDecodeTables(table);
        ShowEngineMessage("*** inflate out of memory ***", "Error");
        return 3;
    }
    table.Bits = lookupBits;
    return incomplete ? 1 : 0;
}

void FreeDecodeTables(TDecodeTable& table) {
    std::vector<TDecodeEntry>().swap(table.Entries);
    table.Bits = 0;
}
