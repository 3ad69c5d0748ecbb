// The block writer of the deflate encoder: collects literals and matches,
// decides where a block ends and how it is coded, builds its Huffman trees
// and sends it.
//
// A block ends when its symbol buffers are full, or (levels 3 and up) when a
// rough estimate every 4,096 symbols says it already compresses to less than
// half, so that the next block can adapt its codes. Each block is then sent
// in the cheapest of four forms: the whole member stored when it is one block
// that does not shrink; a stored block while its bytes are still in the
// window; fixed codes; or dynamic codes with their description.
//
// Trees are built so that their exact shape, and with it the output, is
// fixed: a heap ordered by frequency and then depth (so that ties favour
// shallow subtrees), merged two nodes at a time into a list. Lengths are read
// from the list root first; lengths beyond the limit (15, or 7 for the
// code-length tree) are repaired by moving codes down from shorter lengths
// and redistributing the lengths over the symbols in merge order. Codes are
// canonical and bit-reversed for sending. The bit estimates of the block
// (dynamic and fixed) are kept exact, since the stored/fixed/dynamic choice
// and the returned size depend on them.
#include <algorithm>
#include <cstring>

#include "zip/codec/deflate_state.h"

using namespace deflate;

void TDeflateState::InitBlock() {
    for (int n = 0; n < kLCodes; ++n)
        dynLTree_[n].freq = 0;
    for (int n = 0; n < kDCodes; ++n)
        dynDTree_[n].freq = 0;
    for (int n = 0; n < kBlCodes; ++n)
        blTree_[n].freq = 0;
    dynLTree_[kEndBlock].freq = 1;
    optLen_ = staticLen_ = 0;
    lastLit_ = lastDist_ = 0;
}

// Every 4,096 symbols (levels 3 and up): mostly literals that already
// halve the input end the block early.
bool TDeflateState::WorthEndingEarly() const {
    std::uint64_t outLength = static_cast<std::uint64_t>(lastLit_) * 8;
    const std::uint64_t inLength = static_cast<std::uint64_t>(strstart_ - blockStart_);
    for (int dcode = 0; dcode < kDCodes; ++dcode)
        outLength += static_cast<std::uint64_t>(dynDTree_[dcode].freq) * (5 + kExtraDBits[dcode]);
    outLength >>= 3;
    return lastDist_ < lastLit_ / 2 && outLength < inLength / 2;
}

void TDeflateState::SetFileType() {
    unsigned binFreq = 0;
    unsigned asciiFreq = 0;
    int n = 0;
    while (n < 7)
        binFreq += dynLTree_[n++].freq;
    while (n < 128)
        asciiFreq += dynLTree_[n++].freq;
    while (n < kLiterals)
        binFreq += dynLTree_[n++].freq;
    internalAttributes_ = binFreq > (asciiFreq >> 2) ? 0 : 1;
}

void TDeflateState::DownHeap(const TTreeNode* tree, int k) {
    auto smaller = [&](int n, int m) {
        return tree[n].freq < tree[m].freq ||
               (tree[n].freq == tree[m].freq && depth_[n] <= depth_[m]);
    };
    const int v = heap_[k];
    int j = k << 1;
    while (j <= heapLen_) {
        if (j < heapLen_ && smaller(heap_[j + 1], heap_[j])) ++j;
        if (smaller(v, heap_[j])) break;
        heap_[k] = heap_[j];
        k = j;
        j <<= 1;
    }
    heap_[k] = v;
}

void TDeflateState::BuildTree(TTreeDesc& desc) {
    TTreeNode* tree = desc.dynTree;
    const TTreeNode* stree = desc.staticTree;
    const int elems = desc.elems;
    int maxCode = -1;
    int node = elems; // internal nodes are numbered from here

    heapLen_ = 0;
    heapMax_ = kHeapSize;
    for (int n = 0; n < elems; ++n) {
        if (tree[n].freq != 0) {
            heap_[++heapLen_] = maxCode = n;
            depth_[n] = 0;
        } else {
            tree[n].len = 0;
        }
    }
    // A code needs two symbols; force in dummies that are never sent.
    while (heapLen_ < 2) {
        const int added = heap_[++heapLen_] = maxCode < 2 ? ++maxCode : 0;
        tree[added].freq = 1;
        depth_[added] = 0;
        --optLen_;
        if (stree) staticLen_ -= stree[added].len;
    }
    desc.maxCode = maxCode;

    for (int n = heapLen_ / 2; n >= 1; --n)
        DownHeap(tree, n);

    // Merge the two rarest nodes until one is left; the merge list grows
    // downwards from the top of the heap array.
    do {
        const int n = heap_[1];
        heap_[1] = heap_[heapLen_--];
        DownHeap(tree, 1);
        const int m = heap_[1];
        heap_[--heapMax_] = n;
        heap_[--heapMax_] = m;
        tree[node].freq = static_cast<std::uint16_t>(tree[n].freq + tree[m].freq);
        depth_[node] = static_cast<std::uint8_t>(std::max(depth_[n], depth_[m]) + 1);
        tree[n].dad = tree[m].dad = static_cast<std::uint16_t>(node);
        heap_[1] = node++;
        DownHeap(tree, 1);
    } while (heapLen_ >= 2);
    heap_[--heapMax_] = heap_[1];

    GenBitLengths(desc);
    AssignCanonicalCodes(tree, maxCode, blCount_);
}

void TDeflateState::GenBitLengths(TTreeDesc& desc) {
    TTreeNode* tree = desc.dynTree;
    const TTreeNode* stree = desc.staticTree;
    const int maxCode = desc.maxCode;
    const int maxLength = desc.maxLength;
    int overflow = 0;

    for (int bits = 0; bits <= kMaxBits; ++bits)
        blCount_[bits] = 0;
    // Parents come before their children in the merge list read from the root.
    tree[heap_[heapMax_]].len = 0;
    int h;
    for (h = heapMax_ + 1; h < kHeapSize; ++h) {
        const int n = heap_[h];
        int bits = tree[tree[n].dad].len + 1;
        if (bits > maxLength) {
            bits = maxLength;
            ++overflow;
        }
        tree[n].len = static_cast<std::uint16_t>(bits);
        if (n > maxCode) continue; // an internal node
        ++blCount_[bits];
        const int xbits = n >= desc.extraBase ? desc.extraBits[n - desc.extraBase] : 0;
        const std::int64_t f = tree[n].freq;
        optLen_ += f * (bits + xbits);
        if (stree) staticLen_ += f * (stree[n].len + xbits);
    }
    if (overflow == 0) return;

    // Each round moves a code from the deepest non-full length one level
    // down, making room for two overflowed codes.
    do {
        int bits = maxLength - 1;
        while (blCount_[bits] == 0)
            --bits;
        --blCount_[bits];
        blCount_[bits + 1] = static_cast<std::uint16_t>(blCount_[bits + 1] + 2);
        --blCount_[maxLength];
        overflow -= 2;
    } while (overflow > 0);

    // Hand the lengths out again, longest first, in merge order (rarest first).
    for (int bits = maxLength; bits != 0; --bits) {
        int n = blCount_[bits];
        while (n != 0) {
            const int m = heap_[--h];
            if (m > maxCode) continue;
            if (tree[m].len != bits) {
                optLen_ += (static_cast<std::int64_t>(bits) - tree[m].len) * tree[m].freq;
                tree[m].len = static_cast<std::uint16_t>(bits);
            }
            --n;
        }
    }
}

// Runs of code lengths, shared by ScanTree (counting) and SendTree (sending).
// The limits of a run depend on its length and on the run before it.
namespace {

template <class Emit> void WalkLengths(const TTreeNode* tree, int maxCode, Emit emit) {
    int prevLen = -1;
    int nextLen = tree[0].len;
    int count = 0;
    int maxCount = 7;
    int minCount = 4;
    if (nextLen == 0) {
        maxCount = 138;
        minCount = 3;
    }
    for (int n = 0; n <= maxCode; ++n) {
        const int curLen = nextLen;
        nextLen = n + 1 <= maxCode ? tree[n + 1].len : 0xFFFF; // the sentinel matches nothing
        if (++count < maxCount && curLen == nextLen) continue;
        emit(curLen, count, prevLen, minCount);
        count = 0;
        prevLen = curLen;
        if (nextLen == 0) {
            maxCount = 138;
            minCount = 3;
        } else if (curLen == nextLen) {
            maxCount = 6;
            minCount = 3;
        } else {
            maxCount = 7;
            minCount = 4;
        }
    }
}

} // namespace

void TDeflateState::ScanTree(const TTreeNode* tree, int maxCode) {
    WalkLengths(tree, maxCode, [&](int curLen, int count, int prevLen, int minCount) {
        if (count < minCount) {
            blTree_[curLen].freq = static_cast<std::uint16_t>(blTree_[curLen].freq + count);
        } else if (curLen != 0) {
            if (curLen != prevLen) ++blTree_[curLen].freq;
            ++blTree_[kRep3To6].freq;
        } else if (count <= 10) {
            ++blTree_[kRepZero3To10].freq;
        } else {
            ++blTree_[kRepZero11To138].freq;
        }
    });
}

void TDeflateState::SendTree(const TTreeNode* tree, int maxCode) {
    WalkLengths(tree, maxCode, [&](int curLen, int count, int prevLen, int minCount) {
        if (count < minCount) {
            do {
                SendCode(curLen, blTree_);
            } while (--count != 0);
        } else if (curLen != 0) {
            if (curLen != prevLen) {
                SendCode(curLen, blTree_);
                --count;
            }
            SendCode(kRep3To6, blTree_);
            bits_.SendBits(static_cast<unsigned>(count - 3), 2);
        } else if (count <= 10) {
            SendCode(kRepZero3To10, blTree_);
            bits_.SendBits(static_cast<unsigned>(count - 3), 3);
        } else {
            SendCode(kRepZero11To138, blTree_);
            bits_.SendBits(static_cast<unsigned>(count - 11), 7);
        }
    });
}

int TDeflateState::BuildBlTree() {
    ScanTree(dynLTree_, lDesc_.maxCode);
    ScanTree(dynDTree_, dDesc_.maxCode);
    BuildTree(blDesc_);
    // At least 4 code-length codes are sent; trailing zero lengths are cut.
    int maxBlIndex;
    for (maxBlIndex = kBlCodes - 1; maxBlIndex >= 3; --maxBlIndex) {
        if (blTree_[kBlOrder[maxBlIndex]].len != 0) break;
    }
    optLen_ += 3 * (maxBlIndex + 1) + 5 + 5 + 4;
    return maxBlIndex;
}

void TDeflateState::SendAllTrees(int lcodes, int dcodes, int blcodes) {
    bits_.SendBits(static_cast<unsigned>(lcodes - 257), 5);
    bits_.SendBits(static_cast<unsigned>(dcodes - 1), 5);
    bits_.SendBits(static_cast<unsigned>(blcodes - 4), 4);
    for (int rank = 0; rank < blcodes; ++rank)
        bits_.SendBits(blTree_[kBlOrder[rank]].len, 3);
    SendTree(dynLTree_, lcodes - 1);
    SendTree(dynDTree_, dcodes - 1);
}

void TDeflateState::CompressBlock(const TTreeNode* ltree, const TTreeNode* dtree) {
    for (unsigned lx = 0; lx < lastLit_; ++lx) {
        const unsigned lc = litBuf_[lx];
        if (distBuf_[lx] == 0) {
            SendCode(static_cast<int>(lc), ltree);
        } else {
            // Each code goes out together with its extra bits.
            unsigned code = tables_.lengthCode[lc];
            const TTreeNode& l = ltree[code + kLiterals + 1];
            bits_.SendBits(l.code |
                               (static_cast<std::uint64_t>(lc - tables_.baseLength[code]) << l.len),
                           l.len + kExtraLBits[code]);
            const unsigned dist = distBuf_[lx] - 1u;
            code = tables_.DistCode(dist);
            const TTreeNode& d = dtree[code];
            bits_.SendBits(d.code |
                               (static_cast<std::uint64_t>(dist - tables_.baseDist[code]) << d.len),
                           d.len + kExtraDBits[code]);
        }
    }
    SendCode(kEndBlock, ltree);
}

void TDeflateState::CopyBlock(const std::uint8_t* buf, unsigned len, bool header) {
    bits_.Windup();
    if (header) {
        bits_.PutShort(len & 0xFFFF);
        bits_.PutShort(~len & 0xFFFF);
        bits_.Flush();
    }
    bits_.WriteDirect(buf, len);
}

std::uint64_t TDeflateState::FlushBlock(const std::uint8_t* buf, std::uint64_t storedLen,
                                        bool last) {
    if (internalAttributes_ == 2) SetFileType();

    BuildTree(lDesc_);
    BuildTree(dDesc_);
    const int maxBlIndex = BuildBlTree();

    std::uint64_t optLenBytes = static_cast<std::uint64_t>(optLen_ + 3 + 7) >> 3;
    const std::uint64_t staticLenBytes = static_cast<std::uint64_t>(staticLen_ + 3 + 7) >> 3;
    inputLen_ += storedLen;
    if (staticLenBytes <= optLenBytes) optLenBytes = staticLenBytes;

    // A stored block's length field has 16 bits; the window never holds a
    // longer block, but the check keeps that an invariant of this code.
    const bool inWindow = buf != nullptr && storedLen <= 0xFFFF;
    if (storedLen <= optLenBytes && last && compressedLen_ == 0 && inWindow) {
        // The whole member in one block that does not shrink: store it.
        CopyBlock(buf, static_cast<unsigned>(storedLen), false);
        compressedLen_ = storedLen << 3;
        method_ = 0;
    } else if (storedLen + 4 <= optLenBytes && inWindow) {
        bits_.SendBits(last ? 1 : 0, 3);
        compressedLen_ = (compressedLen_ + 3 + 7) & ~std::uint64_t{7};
        compressedLen_ += (storedLen + 4) << 3;
        CopyBlock(buf, static_cast<unsigned>(storedLen), true);
    } else if (staticLenBytes == optLenBytes) {
        bits_.SendBits((1 << 1) + (last ? 1 : 0), 3);
        CompressBlock(tables_.staticLTree, tables_.staticDTree);
        compressedLen_ += 3 + static_cast<std::uint64_t>(staticLen_);
    } else {
        bits_.SendBits((2 << 1) + (last ? 1 : 0), 3);
        SendAllTrees(lDesc_.maxCode + 1, dDesc_.maxCode + 1, maxBlIndex + 1);
        CompressBlock(dynLTree_, dynDTree_);
        compressedLen_ += 3 + static_cast<std::uint64_t>(optLen_);
    }
    InitBlock();

    if (last) {
        bits_.Windup();
        compressedLen_ += 7;
    }
    return compressedLen_ >> 3;
}
