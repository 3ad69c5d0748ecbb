#include "zip/member_decoder.h"

#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/hooks.h"

bool DecodeMember(TUnZipWork& work, std::uint16_t method, std::uint16_t flags) {
    (void)flags; // the imploded method reads its window size and trees from the flags
    switch (method) {
    case 0: // stored
        UnStore(work);
        return true;
    case 8: // deflated
        Inflate(work);
        return true;
    // Shrunk (1), reduced (2-5, factor method - 1) and imploded (6) join
    // here, one line each, as their decoders arrive.
    default:
        ShowEngineMessage("Unknown Compression Method", "Zip Error");
        return false;
    }
}
