// The match copy shared by unreduce and explode: `len` bytes from `dist`
// bytes behind the write position `w` of a sliding window of `size` bytes
// (a power of two), handing the window on whenever it fills.
//
// Until the window has been handed on once, the bytes behind the member's
// first byte do not belong to this member: a piece whose source lies at or
// after the write position then reads as zeros, never as bytes an earlier
// member left in the buffer.
#pragma once

#include "zip/codec/unzip_work.h"

#include <cstring>

namespace legacy {

inline void CopyMatch(TUnZipWork& g, std::uint8_t* s, unsigned size, unsigned& w, unsigned dist,
                      unsigned len, bool& flushed) {
    const unsigned mask = size - 1;
    unsigned d = (w - dist) & mask;
    while (len > 0) {
        unsigned piece = size - (d > w ? d : w);
        if (piece > len) piece = len;
        len -= piece;
        if (!flushed && d >= w) {
            std::memset(s + w, 0, piece);
        } else if (d > w || w - d >= piece) {
            // Source ahead of the target, or far enough behind it: a forward
            // byte copy and a block move give the same bytes.
            std::memmove(s + w, s + d, piece);
        } else {
            // The target catches up with its source: bytes repeat.
            for (unsigned i = 0; i < piece; ++i)
                s[w + i] = s[d + i];
        }
        w += piece;
        d = (d + piece) & mask;
        if (w == size) {
            g.FlushWindow(size);
            w = 0;
            flushed = true;
        }
    }
}

} // namespace legacy
