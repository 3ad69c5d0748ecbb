// The deflate matcher: finds repeated strings in the window and hands
// literals and matches to the block writer (deflate_trees.cpp).
//
// Levels 1-3 take the longest match at each position at once (DeflateFast);
// levels 4-9 evaluate lazily (DeflateLazy): a match found at one position is
// only emitted when the next position does not offer a longer one, otherwise
// a literal is emitted and the longer match becomes the candidate. The level
// table bounds the work: the chain limit caps candidates, a quarter of it when
// the previous match is already "good", the search stops at a "nice" length,
// and the lazy limit skips searching after a long enough match.
//
// LongestMatch compares the two bytes that would extend the best match and
// the first two bytes before anything else; the third byte needs no check,
// because the 15-bit hash of three bytes together with the first two bytes
// fixes it. The comparison then runs eight bytes at a time and finds the
// first differing byte, giving the same length as a byte-by-byte comparison.
//
// The answer of a search is fixed: among the candidates of the three-byte
// chain, newest first, as many as the budget allows and within reach, the
// first one that is longer than every one before it and the previous match,
// stopping at the nice length. Most of the time goes into walking that chain
// link by link, a memory load each, past candidates that cannot win. Levels
// with long chains (6 to 9) therefore keep keyed chains over the first 5, 8
// and 16 bytes, and number every string within its three-byte chain. Once
// the best match has seven bytes, only a candidate sharing eight can still
// win; the search follows the eight-byte chain, which holds exactly those
// (and a few other strings with the same hash, skipped) in the same order,
// and stops at the first whose number lies beyond the budget. It compares
// the same winning candidates and gives the same answer, several times
// faster. On a keyed chain most candidates fail at the two bytes that would
// extend the best match, so those are looked at first, and the key and the
// number only where they pass, or on every eighth candidate (a walk runs at
// most that many candidates past the budget, and none of them can win
// unchecked). The budget seldom ends a walk at level 9: most go to the
// reach, and their length in links is what the level costs.
#include "zip/codec/deflate.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "platform/exception.h"
#include "zip/codec/deflate_state.h"

using namespace deflate;

namespace {

struct TLevelConfig {
    unsigned goodLength;
    unsigned maxLazy;
    unsigned niceLength;
    unsigned maxChain;
};

// Levels whose chain limit is at least this keep the second chains.
constexpr unsigned kLongChainsFrom = 128;

constexpr TLevelConfig kConfigTable[10] = {
    {0, 0, 0, 0},         {4, 4, 8, 4},        {4, 5, 16, 8},     {4, 6, 32, 32},
    {4, 4, 16, 16},       {8, 16, 32, 32},     {8, 16, 128, 128}, {8, 32, 128, 256},
    {32, 128, 258, 1024}, {32, 258, 258, 4096}};

inline std::uint16_t Load16(const std::uint8_t* p) {
    std::uint16_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Length of the common prefix of scan and match, at most 258, given that the
// first `from` bytes agree (the three of the chain, or a key). Reads up to
// 259 bytes from each.
inline unsigned MatchLength(const std::uint8_t* scan, const std::uint8_t* match,
                            unsigned from = kMinMatch) {
    unsigned len = from;
    while (len < kMaxMatch) {
        std::uint64_t diff = Load64(scan + len) ^ Load64(match + len);
        if (diff != 0) {
            if constexpr (std::endian::native == std::endian::little)
                len += static_cast<unsigned>(std::countr_zero(diff)) / 8;
            else
                len += static_cast<unsigned>(std::countl_zero(diff)) / 8;
            return std::min(len, kMaxMatch);
        }
        len += 8;
    }
    return kMaxMatch;
}

// See WalkKeyed.
constexpr unsigned kBudgetStride = 8;

} // namespace

TDeflater::TDeflater()
    : tables_(std::make_unique<TDeflateTables>()), buffers_(std::make_unique<TDeflateBuffers>()) {}

TDeflater::~TDeflater() = default;

std::uint32_t TDeflater::Deflate(TDeflateIO& io, int level, std::uint16_t& flags,
                                 std::uint16_t& method, std::uint16_t& internalAttributes) {
    if (level < 1 || level > 9)
        throw Exception("Invalid deflate level " + std::to_string(level) +
                        ": the encoder takes levels 1 to 9 (level 0 stores)");
    flags = static_cast<std::uint16_t>(flags & ~6u);
    if (level <= 2)
        flags |= 4;
    else if (level >= 8)
        flags |= 2;
    method = 8;
    internalAttributes = 2; // text or binary: decided by the first block
    auto state = std::make_unique<TDeflateState>(io, *tables_, *buffers_, level, method,
                                                 internalAttributes, PlainSearch);
    return static_cast<std::uint32_t>(state->Run());
}

TDeflateState::TDeflateState(TDeflateIO& io, const TDeflateTables& tables, TDeflateBuffers& buffers,
                             int level, std::uint16_t& method, std::uint16_t& internalAttributes,
                             bool plainSearch)
    : io_(io), tables_(tables), bits_(io), window_(buffers.window.data()),
      head_(buffers.head.data()), prev_(buffers.prev.data()), rank_(buffers.rank.data()),
      litBuf_(buffers.litBuf.data()), distBuf_(buffers.distBuf.data()), method_(method),
      internalAttributes_(internalAttributes), level_(level) {
    for (unsigned k = 0; k < kKeyedChains; ++k) {
        keyHead_[k] = buffers.keyHead[k].data();
        keyPrev_[k] = buffers.keyPrev[k].data();
    }
    lDesc_ = {dynLTree_, tables_.staticLTree, kExtraLBits, kLiterals + 1, kLCodes, kMaxBits, 0};
    dDesc_ = {dynDTree_, tables_.staticDTree, kExtraDBits, 0, kDCodes, kMaxBits, 0};
    blDesc_ = {blTree_, nullptr, kExtraBlBits, 0, kBlCodes, kMaxBlBits, 0};
    const TLevelConfig& config = kConfigTable[level];
    goodMatch_ = config.goodLength;
    maxLazy_ = config.maxLazy;
    niceMatch_ = config.niceLength;
    maxChain_ = config.maxChain;
    longChains_ = !plainSearch && maxChain_ >= kLongChainsFrom;
}

std::uint64_t TDeflateState::Run() {
    // However the call ends, the window is wiped: no member's bytes linger in
    // memory, and the next member starts from a clean window.
    struct TWindowWipe {
        std::uint8_t* window;
        ~TWindowWipe() { std::memset(window, 0, kWindowSize + kWindowSlack); }
    } wipe{window_};
    InitBlock();
    std::memset(head_, 0, kHashSize * sizeof *head_);
    if (longChains_)
        for (unsigned k = 0; k < kKeyedChains; ++k)
            std::memset(keyHead_[k], 0, kKeyHashSize * sizeof *keyHead_[k]);
    strstart_ = 0;
    blockStart_ = 0;
    lookahead_ = ReadInput(window_, kWSize);
    if (lookahead_ == 0) {
        eofile_ = true;
    } else {
        eofile_ = false;
        if (lookahead_ < kMinLookahead) FillWindow();
    }
    if (level_ <= 3) return DeflateFast();
    return longChains_ ? DeflateLazy<true>() : DeflateLazy<false>();
}

unsigned TDeflateState::ReadInput(std::uint8_t* buffer, unsigned count) {
    unsigned n = io_.ReadInput(buffer, count);
    if (n > count) throw Exception("Deflate input delivered more bytes than requested");
    return n;
}

// One keyed chain's part of a search (see LongestMatch); true when the
// search is over, false when it goes on at the next chain.
template <unsigned L>
__attribute__((always_inline)) inline bool TDeflateState::WalkKeyed(TKeyedWalk& w) {
    static_assert(L < kKeyedChains);
    const std::uint8_t* const window = window_;
    const std::uint8_t* const scan = window + strstart_;
    constexpr unsigned next = L + 1 < kKeyedChains ? L + 1 : L;
    const bool last = L + 1 == w.usable;
    const unsigned nextKey = last ? kMaxMatch + 2 : kChainKey[next];
    const unsigned nextReach = last ? 0 : strstart_ - ChainLag(kChainKey[next]);
    const bool ready = w.bestLen >= nextKey - 1;
    if (ready && w.newFrom <= nextReach + 1) return false;
    const TKey key = KeyOf<L>(scan);
    const std::uint16_t* const links = keyPrev_[L];
    const std::uint16_t* const rank = rank_;
    // Where the best candidate of this search has the key (and is old enough
    // to be on this chain), it is on this chain, and what lies between it and
    // newFrom has been seen.
    unsigned c =
        w.found && w.bestLen >= kChainKey[L] && w.bestStart <= strstart_ - ChainLag(kChainKey[L])
            ? links[w.bestStart & kWMask]
            : keyHead_[L][KeyHash<L>(key)];
    // Candidates seen before come first, and none of them hands over.
    for (; c >= w.newFrom; c = links[c & kWMask])
        if (c <= w.limit) return true;
    // Most candidates cannot win: they fail at the bytes that would extend the
    // best match, and only those that pass are checked for the key. Ranks
    // fall along the chain, so the budget is checked there and on every
    // kBudgetStride-th candidate, which ends the walk at most that many
    // candidates late, before any of them could win.
    unsigned reach = ready ? nextReach : 0; // candidates at or below go to the next chain
    unsigned untilBudget = kBudgetStride;
    for (; c > w.limit; c = links[c & kWMask]) {
        if (c <= reach) {
            w.newFrom = c + 1;
            return false;
        }
        const bool extends = Load16(window + c + w.bestLen - 1) == w.scanEnd;
        if (!extends && --untilBudget != 0) continue;
        untilBudget = kBudgetStride;
        if (!SameKey<L>(KeyOf<L>(window + c), key)) continue; // another key, same hash
        if (static_cast<std::int16_t>(rank[c & kWMask] - w.lastRank) < 0)
            return true; // past the budget
        if (!extends) continue;
        const unsigned len = MatchLength(scan, window + c, kChainKey[L]);
        if (len > w.bestLen) {
            w.bestStart = c;
            w.bestLen = len;
            w.found = true;
            if (len >= w.niceMatch) return true;
            w.scanEnd = Load16(scan + w.bestLen - 1);
            if (w.bestLen >= nextKey - 1) reach = nextReach;
        }
    }
    return true;
}

template <bool Long> unsigned TDeflateState::LongestMatch(unsigned curMatch) {
    // Locals instead of members: the chain walk is the encoder's hot loop.
    const std::uint8_t* const window = window_;
    const std::uint16_t* const prev = prev_;
    unsigned chainLength = maxChain_;
    const std::uint8_t* const scan = window + strstart_;
    TKeyedWalk w;
    w.bestLen = prevLength_;
    w.bestStart = matchStart_;
    // Near the end of the input the search stops at the first candidate that
    // reaches the end: what follows in the window is not input, and letting it
    // pick among equally good candidates would make the output depend on
    // bytes left from earlier data.
    w.niceMatch = std::min(niceMatch_, lookahead_);
    w.limit = strstart_ > kMaxDist ? strstart_ - kMaxDist : 0;
    const std::uint16_t scanStart = Load16(scan);
    w.scanEnd = Load16(scan + w.bestLen - 1);
    if (prevLength_ >= goodMatch_) chainLength >>= 2;
    // The number of the last string of this chain that the budget reaches.
    w.lastRank =
        Long ? static_cast<std::uint16_t>(rank_[curMatch & kWMask] - (chainLength - 1)) : 0;
    w.newFrom = strstart_;
    // The keyed chains whose keys the scan has: near the end of the input
    // the keys of the last strings hold bytes that are not input.
    w.usable = 0;
    if constexpr (Long)
        while (w.usable < kKeyedChains && lookahead_ >= kChainKey[w.usable])
            ++w.usable;
    const unsigned keyedFrom = w.usable > 0 ? kChainKey[0] - 1 : kMaxMatch + 1;

    // The chain of three-byte hashes, as long as a candidate of three bytes
    // could still be the best.
    while (w.bestLen < keyedFrom) {
        if (Load16(window + curMatch + w.bestLen - 1) == w.scanEnd &&
            Load16(window + curMatch) == scanStart) {
            const unsigned len = MatchLength(scan, window + curMatch);
            if (len > w.bestLen) {
                w.bestStart = curMatch;
                w.bestLen = len;
                w.found = true;
                if (len >= w.niceMatch) goto done;
                w.scanEnd = Load16(scan + w.bestLen - 1);
            }
        }
        w.newFrom = curMatch;
        curMatch = prev[curMatch & kWMask];
        if (curMatch <= w.limit || --chainLength == 0) goto done;
    }

    // Only a candidate that shares the first kChainKey[level] bytes can be
    // longer now. Those are on that keyed chain, in the same order; the ones
    // the walk so far has not reached, within the budget (by their number in
    // the three-byte chain) and the reach, are the candidates it would have
    // compared, and the rest of that chain could not have won. Once the best
    // match is a byte short of the next chain's key, the walk goes on there,
    // as soon as it has passed the strings too recent to be on that chain.
    if constexpr (Long) {
        // Each walk ends the search or hands it to the next chain.
        [&]<unsigned... L>(std::integer_sequence<unsigned, L...>) {
            static_cast<void>(((L < w.usable && !WalkKeyed<L>(w)) && ...));
        }
        (std::make_integer_sequence<unsigned, kKeyedChains>());
    }
done:
    matchStart_ = w.bestStart;
    return w.bestLen;
}

void TDeflateState::FillWindow() {
    while (lookahead_ < kMinLookahead && !eofile_) {
        unsigned more = kWindowSize - lookahead_ - strstart_;
        if (more == 0xFFFF) {
            --more;
        } else if (strstart_ >= kWSize + kMaxDist) {
            std::memcpy(window_, window_ + kWSize, kWSize);
            matchStart_ -= kWSize;
            strstart_ -= kWSize;
            blockStart_ -= kWSize;
            for (unsigned n = 0; n < kHashSize; ++n)
                head_[n].latest = static_cast<std::uint16_t>(
                    head_[n].latest >= kWSize ? head_[n].latest - kWSize : 0);
            for (unsigned n = 0; n < kWSize; ++n)
                prev_[n] = static_cast<std::uint16_t>(prev_[n] >= kWSize ? prev_[n] - kWSize : 0);
            if (longChains_) {
                for (unsigned k = 0; k < kKeyedChains; ++k) {
                    for (unsigned n = 0; n < kKeyHashSize; ++n)
                        keyHead_[k][n] = static_cast<std::uint16_t>(
                            keyHead_[k][n] >= kWSize ? keyHead_[k][n] - kWSize : 0);
                    for (unsigned n = 0; n < kWSize; ++n)
                        keyPrev_[k][n] = static_cast<std::uint16_t>(
                            keyPrev_[k][n] >= kWSize ? keyPrev_[k][n] - kWSize : 0);
                }
            }
            more += kWSize;
        }
        unsigned n = ReadInput(window_ + strstart_ + lookahead_, more);
        if (n == 0)
            eofile_ = true;
        else
            lookahead_ += n;
    }
}

std::uint64_t TDeflateState::FlushBlockHere(bool last) {
    const std::uint8_t* buf = blockStart_ >= 0 ? window_ + blockStart_ : nullptr;
    return FlushBlock(buf, static_cast<std::uint64_t>(strstart_ - blockStart_), last);
}

std::uint64_t TDeflateState::DeflateFast() {
    unsigned hashHead = 0;
    unsigned matchLength = 0;
    prevLength_ = kMinMatch - 1;
    while (lookahead_ != 0) {
        if (lookahead_ >= kMinMatch) hashHead = InsertString<false>(strstart_);
        if (hashHead != 0 && strstart_ - hashHead <= kMaxDist) {
            matchLength = std::min(LongestMatch<false>(hashHead), lookahead_);
        }
        bool flush;
        if (matchLength >= kMinMatch) {
            flush = TallyMatch(strstart_ - matchStart_, matchLength - kMinMatch);
            lookahead_ -= matchLength;
            if (matchLength <= maxLazy_) {
                // Short match: every string inside it goes into the chains.
                --matchLength;
                do {
                    ++strstart_;
                    hashHead = InsertString<false>(strstart_);
                } while (--matchLength != 0);
                ++strstart_;
            } else {
                strstart_ += matchLength;
                matchLength = 0;
            }
        } else {
            flush = TallyLiteral(window_[strstart_]);
            --lookahead_;
            ++strstart_;
        }
        if (flush) {
            FlushBlockHere(false);
            blockStart_ = strstart_;
        }
        if (lookahead_ < kMinLookahead) FillWindow();
    }
    return FlushBlockHere(true);
}

template <bool Long> std::uint64_t TDeflateState::DeflateLazy() {
    unsigned hashHead = 0;
    bool matchAvailable = false;
    unsigned matchLength = kMinMatch - 1;
    while (lookahead_ != 0) {
        if (lookahead_ >= kMinMatch) hashHead = InsertString<Long>(strstart_);
        prevLength_ = matchLength;
        const unsigned prevMatch = matchStart_;
        matchLength = kMinMatch - 1;

        if (hashHead != 0 && prevLength_ < maxLazy_ && strstart_ - hashHead <= kMaxDist) {
            matchLength = std::min(LongestMatch<Long>(hashHead), lookahead_);
            if (matchLength == kMinMatch && strstart_ - matchStart_ > kTooFar)
                matchLength = kMinMatch - 1;
        }
        if (prevLength_ >= kMinMatch && matchLength <= prevLength_) {
            // The match found one position back is at least as good: emit it.
            bool flush = TallyMatch(strstart_ - 1 - prevMatch, prevLength_ - kMinMatch);
            lookahead_ -= prevLength_ - 1;
            unsigned inserts = prevLength_ - 2;
            do {
                ++strstart_;
                hashHead = InsertString<Long>(strstart_);
            } while (--inserts != 0);
            matchAvailable = false;
            matchLength = kMinMatch - 1;
            ++strstart_;
            if (flush) {
                FlushBlockHere(false);
                blockStart_ = strstart_;
            }
        } else if (matchAvailable) {
            // The byte before is not the start of a useful match: a literal.
            if (TallyLiteral(window_[strstart_ - 1])) {
                FlushBlockHere(false);
                blockStart_ = strstart_;
            }
            ++strstart_;
            --lookahead_;
        } else {
            matchAvailable = true;
            ++strstart_;
            --lookahead_;
        }
        if (lookahead_ < kMinLookahead) FillWindow();
    }
    if (matchAvailable) TallyLiteral(window_[strstart_ - 1]);
    return FlushBlockHere(true);
}
