// The state of one deflate call, shared by the matcher (deflate.cpp) and the
// block writer (deflate_trees.cpp). Internal to the encoder.
//
// The window holds 64 KiB of input: the current position moves through it and
// when it reaches the last 262 bytes of the upper half with input remaining,
// the upper half slides down and every stored position drops by 32 KiB.
// Matches reach back at most 32,506 bytes so that the lookahead of 262 bytes
// (longest match + shortest match + 1) is never cut by a slide.
//
// Strings of three bytes are found through 32,768 hash chains: the head of a
// chain is the latest position with that hash, and the link of a position
// (indexed by position & 0x7FFF) is the previous one with the same hash.
// Position 0 doubles as "end of chain", so the very first position is never
// a match candidate. Levels 6 to 9 also keep keyed chains over the first
// 5, 8 and 16 bytes (see deflate.cpp), with the number of every string
// within its three-byte chain.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "zip/codec/deflate.h"
#include "zip/codec/deflate_bits.h"
#include "zip/codec/deflate_tables.h"

namespace deflate {

constexpr unsigned kWSize = 32768;
constexpr unsigned kWMask = kWSize - 1;
constexpr unsigned kWindowSize = 2 * kWSize;
constexpr unsigned kHashSize = 32768;
constexpr unsigned kHashMask = kHashSize - 1;
constexpr unsigned kHashShift = 5;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 258;
constexpr unsigned kMinLookahead = kMaxMatch + kMinMatch + 1; // 262
constexpr unsigned kMaxDist = kWSize - kMinLookahead;         // 32,506
constexpr unsigned kTooFar = 4096; // a 3-byte match further back is not worth it
constexpr unsigned kLitBufSize = 32768;
constexpr unsigned kDistBufSize = 32768;
// The matcher compares words past the end of the data near the top of the
// window; the slack keeps those reads inside the buffer (they never count,
// because a match is cut to the lookahead).
constexpr unsigned kWindowSlack = 512;
// The keyed chains link positions whose first kChainKey[k] bytes hash alike.
constexpr unsigned kKeyedChains = 3;
constexpr unsigned kChainKey[kKeyedChains] = {5, 8, 16};
constexpr unsigned kKeyHashBits = 15;
constexpr unsigned kKeyHashSize = 1u << kKeyHashBits;
// Inserting a position guarantees the bytes up to kKeyReach after it are in
// the window (the lookahead kept, less the longest match, and the three
// bytes of its own key). A position goes on a keyed chain when the position
// kChainLag later is inserted, so that its key bytes are all there by then;
// the strings more recent than that are on the chains of shorter keys.
constexpr unsigned kKeyReach = kMinLookahead - kMaxMatch + kMinMatch - 1;
constexpr unsigned ChainLag(unsigned key) {
    return key <= kKeyReach + 1 ? 1 : key - kKeyReach;
}
constexpr unsigned kMaxKey = 32;
constexpr bool KeysRise() {
    for (unsigned k = 0; k < kKeyedChains; ++k)
        if (kChainKey[k] <= (k == 0 ? kMinMatch : kChainKey[k - 1]) || kChainKey[k] > kMaxKey)
            return false;
    return true;
}
static_assert(KeysRise());

// A three-byte chain's head and the number of strings put on it so far (the
// second counted modulo 2^16; levels with long chains only). Together, so
// that an insertion touches one cache line for both.
struct THashHead {
    std::uint16_t latest;
    std::uint16_t count;
};

// The three-byte hash of the string at p.
inline unsigned Hash3(const std::uint8_t* p) {
    return ((unsigned{p[0]} << (2 * kHashShift)) ^ (unsigned{p[1]} << kHashShift) ^ p[2]) &
           kHashMask;
}

// The first bytes of a string, up to kMaxKey, as a key: whole words, the
// bytes past the key's length zero.
struct TKey {
    std::uint64_t w[kMaxKey / 8];
};

} // namespace deflate

struct TDeflateBuffers {
    TDeflateBuffers()
        : window(deflate::kWindowSize + deflate::kWindowSlack, 0),
          head(deflate::kHashSize, deflate::THashHead{0, 0}), prev(deflate::kWSize, 0),
          rank(deflate::kWSize, 0), litBuf(deflate::kLitBufSize, 0),
          distBuf(deflate::kDistBufSize, 0) {
        for (unsigned k = 0; k < deflate::kKeyedChains; ++k) {
            keyHead[k].assign(deflate::kKeyHashSize, 0);
            keyPrev[k].assign(deflate::kWSize, 0);
        }
    }
    std::vector<std::uint8_t> window;
    std::vector<deflate::THashHead> head;                      // chain heads by hash
    std::vector<std::uint16_t> prev;                           // chain links by position & 0x7FFF
    std::vector<std::uint16_t> keyHead[deflate::kKeyedChains]; // keyed chains' heads by hash
    std::vector<std::uint16_t> keyPrev[deflate::kKeyedChains]; // their links by position & 0x7FFF
    // By position & 0x7FFF: its number in its chain, counted modulo 2^16 (two
    // strings within reach of each other are less than 2^15 apart in it).
    std::vector<std::uint16_t> rank;
    std::vector<std::uint8_t> litBuf;   // a literal, or a match length - 3
    std::vector<std::uint16_t> distBuf; // by litBuf entry: the match distance, 0 for a literal
};

struct TTreeDesc {
    deflate::TTreeNode* dynTree;
    const deflate::TTreeNode* staticTree; // null for the code-length tree
    const std::uint8_t* extraBits;
    int extraBase; // first symbol with extra bits
    int elems;
    int maxLength;
    int maxCode; // largest symbol with a non-zero frequency, set by BuildTree
};

class TDeflateState {
public:
    TDeflateState(TDeflateIO& io, const TDeflateTables& tables, TDeflateBuffers& buffers, int level,
                  std::uint16_t& method, std::uint16_t& internalAttributes, bool plainSearch);
    // Compresses the whole input; returns the compressed size in bytes.
    std::uint64_t Run();

private:
    // deflate.cpp: matching
    // Puts the string at pos on its chains; returns the previous head of its
    // three-byte chain. Long: the keyed chains are kept as well.
    template <bool Long> __attribute__((always_inline)) unsigned InsertString(unsigned pos) {
        deflate::THashHead& slot = head_[deflate::Hash3(window_ + pos)];
        const unsigned hashHead = slot.latest;
        prev_[pos & deflate::kWMask] = static_cast<std::uint16_t>(hashHead);
        slot.latest = static_cast<std::uint16_t>(pos);
        if constexpr (Long) {
            rank_[pos & deflate::kWMask] = ++slot.count;
            // Earlier positions go on the keyed chains now (see kChainLag).
            [&]<unsigned... L>(std::integer_sequence<unsigned, L...>) {
                (InsertKeyed<L>(pos), ...);
            }
            (std::make_integer_sequence<unsigned, deflate::kKeyedChains>());
        }
        return hashHead;
    }
    template <unsigned L> static deflate::TKey KeyOf(const std::uint8_t* p) {
        constexpr unsigned n = deflate::kChainKey[L];
        constexpr unsigned words = (n + 7) / 8;
        deflate::TKey key;
        std::memcpy(key.w, p, 8 * words);
        if constexpr (n % 8 != 0) key.w[words - 1] <<= 64 - 8 * (n % 8);
        return key;
    }
    template <unsigned L> static bool SameKey(const deflate::TKey& a, const deflate::TKey& b) {
        constexpr unsigned words = (deflate::kChainKey[L] + 7) / 8;
        bool same = a.w[0] == b.w[0];
        for (unsigned i = 1; i < words; ++i)
            same = same && a.w[i] == b.w[i];
        return same;
    }
    // Keys past 16 bytes hash by their last 16 (the rest only adds strings
    // that the comparison of the whole key turns away).
    template <unsigned L> static unsigned KeyHash(const deflate::TKey& key) {
        constexpr unsigned words = (deflate::kChainKey[L] + 7) / 8;
        const std::uint64_t a = key.w[words - 1], b = words > 1 ? key.w[words - 2] : 0;
        const std::uint64_t mixed = a * 0x9E3779B97F4A7C15ull ^ b * 0xC2B2AE3D27D4EB4Full;
        return static_cast<unsigned>(mixed >> (64 - deflate::kKeyHashBits));
    }
    template <unsigned L> __attribute__((always_inline)) void InsertKeyed(unsigned pos) {
        constexpr unsigned lag = deflate::ChainLag(deflate::kChainKey[L]);
        if (pos < lag) return;
        const unsigned at = pos - lag;
        const unsigned h = KeyHash<L>(KeyOf<L>(window_ + at));
        keyPrev_[L][at & deflate::kWMask] = keyHead_[L][h];
        keyHead_[L][h] = static_cast<std::uint16_t>(at);
    }
    // What a search keeps while it walks the keyed chains.
    struct TKeyedWalk {
        unsigned bestLen, bestStart;
        unsigned newFrom;   // candidates below this are not seen yet
        bool found = false; // bestStart is a candidate of this search
        std::uint16_t scanEnd;
        std::uint16_t lastRank;
        unsigned limit, niceMatch;
        unsigned usable; // keyed chains the search may take
    };
    template <unsigned L> bool WalkKeyed(TKeyedWalk& w);
    template <bool Long> unsigned LongestMatch(unsigned curMatch);
    void FillWindow();
    unsigned ReadInput(std::uint8_t* buffer, unsigned count);
    std::uint64_t DeflateFast();
    template <bool Long> std::uint64_t DeflateLazy();
    std::uint64_t FlushBlockHere(bool last);

    // deflate_trees.cpp: symbols, trees and blocks
    // Record a literal, or a match (distance 1..32768, length - 3); true when
    // the block should end here.
    bool TallyLiteral(unsigned c) {
        litBuf_[lastLit_] = static_cast<std::uint8_t>(c);
        distBuf_[lastLit_] = 0;
        ++lastLit_;
        ++dynLTree_[c].freq;
        return BlockFull();
    }
    bool TallyMatch(unsigned dist, unsigned lc) {
        litBuf_[lastLit_] = static_cast<std::uint8_t>(lc);
        distBuf_[lastLit_] = static_cast<std::uint16_t>(dist);
        ++lastLit_;
        ++lastDist_;
        ++dynLTree_[tables_.lengthCode[lc] + deflate::kLiterals + 1].freq;
        ++dynDTree_[tables_.DistCode(dist - 1)].freq;
        return BlockFull();
    }
    bool BlockFull() {
        if ((lastLit_ & 0xFFF) == 0 && level_ > 2 && WorthEndingEarly()) return true;
        return lastLit_ == deflate::kLitBufSize - 1 || lastDist_ == deflate::kDistBufSize;
    }
    bool WorthEndingEarly() const;
    std::uint64_t FlushBlock(const std::uint8_t* buf, std::uint64_t storedLen, bool last);
    void InitBlock();
    void SetFileType();
    void DownHeap(const deflate::TTreeNode* tree, int k);
    void BuildTree(TTreeDesc& desc);
    void GenBitLengths(TTreeDesc& desc);
    int BuildBlTree();
    void ScanTree(const deflate::TTreeNode* tree, int maxCode);
    void SendTree(const deflate::TTreeNode* tree, int maxCode);
    void SendAllTrees(int lcodes, int dcodes, int blcodes);
    void CompressBlock(const deflate::TTreeNode* ltree, const deflate::TTreeNode* dtree);
    void SendCode(int c, const deflate::TTreeNode* tree) {
        bits_.SendBits(tree[c].code, tree[c].len);
    }
    void CopyBlock(const std::uint8_t* buf, unsigned len, bool header);

    TDeflateIO& io_;
    const TDeflateTables& tables_;
    TBitOutput bits_;
    std::uint8_t* window_;
    deflate::THashHead* head_;
    std::uint16_t* prev_;
    std::uint16_t* keyHead_[deflate::kKeyedChains];
    std::uint16_t* keyPrev_[deflate::kKeyedChains];
    std::uint16_t* rank_;
    std::uint8_t* litBuf_;
    std::uint16_t* distBuf_;
    std::uint16_t& method_;
    std::uint16_t& internalAttributes_;
    int level_;

    // level configuration
    unsigned goodMatch_ = 0;
    unsigned maxLazy_ = 0; // levels 1-3: longest match whose strings are all inserted
    unsigned niceMatch_ = 0;
    unsigned maxChain_ = 0;

    // matcher
    unsigned strstart_ = 0;
    unsigned lookahead_ = 0;
    unsigned matchStart_ = 0;
    unsigned prevLength_ = deflate::kMinMatch - 1;
    bool longChains_ = false;     // keep the second chains (levels with long chains)
    std::int64_t blockStart_ = 0; // negative once the block's start has slid out
    bool eofile_ = false;

    // block
    deflate::TTreeNode dynLTree_[deflate::kHeapSize];
    deflate::TTreeNode dynDTree_[2 * deflate::kDCodes + 1];
    deflate::TTreeNode blTree_[2 * deflate::kBlCodes + 1];
    TTreeDesc lDesc_;
    TTreeDesc dDesc_;
    TTreeDesc blDesc_;
    int heap_[deflate::kHeapSize];
    int heapLen_ = 0;
    int heapMax_ = 0;
    std::uint8_t depth_[deflate::kHeapSize];
    std::uint16_t blCount_[deflate::kMaxBits + 1];
    unsigned lastLit_ = 0;
    unsigned lastDist_ = 0;
    std::int64_t optLen_ = 0;         // bits of the block with dynamic trees
    std::int64_t staticLen_ = 0;      // bits of the block with the fixed trees
    std::uint64_t compressedLen_ = 0; // bits output so far
    std::uint64_t inputLen_ = 0;
};
