#include "zip/codec/prefix_code.h"

namespace prefix {

int MakeCanonicalCode(const unsigned* lengths, unsigned count, unsigned maxLength,
                      TCanonicalCode& code) {
    if (count > kMaxSymbols || maxLength > kMaxLength) return kOverSubscribed;
    // Four counts side by side: runs of equal lengths then do not wait on
    // the count they just stored.
    unsigned counts[4][32] = {};
    bool tooLong = false;
    for (unsigned s = 0; s < count; ++s) {
        const unsigned len = lengths[s];
        tooLong |= len > maxLength;
        ++counts[s & 3][len & 31];
    }
    if (tooLong) return kOverSubscribed; // no code space has room for it
    unsigned perLength[kMaxLength + 1];
    for (unsigned len = 0; len <= kMaxLength; ++len)
        perLength[len] = counts[0][len] + counts[1][len] + counts[2][len] + counts[3][len];
    std::copy(perLength, perLength + kMaxLength + 1, code.PerLength);
    code.Used = count - perLength[0];
    if (code.Used == 0) {
        code.Shortest = code.Longest = 0;
        return kComplete;
    }
    unsigned shortest = 1, longest = kMaxLength;
    while (perLength[shortest] == 0)
        ++shortest;
    while (perLength[longest] == 0)
        --longest;
    code.Shortest = shortest;
    code.Longest = longest;

    // The code space: 2^shortest codes of the shortest length, each free code
    // splitting in two at the next length.
    std::int64_t free = std::int64_t{1} << shortest;
    for (unsigned len = shortest; len <= longest; ++len) {
        free -= perLength[len];
        if (free < 0) return kOverSubscribed;
        if (len < longest) free <<= 1;
    }

    // Symbols in code order: by length, then by symbol.
    unsigned offset[kMaxLength + 1];
    offset[shortest] = 0;
    for (unsigned len = shortest; len < longest; ++len)
        offset[len + 1] = offset[len] + perLength[len];
    for (unsigned s = 0; s < count; ++s) {
        const unsigned len = lengths[s];
        if (len == 0) continue;
        const unsigned at = offset[len]++;
        code.Sorted[at] = static_cast<std::uint16_t>(s);
        code.Length[at] = static_cast<std::uint8_t>(len);
    }
    return free > 0 && longest != 1 ? kIncomplete : kComplete;
}

} // namespace prefix
