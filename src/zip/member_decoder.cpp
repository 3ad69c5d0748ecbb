#include "zip/member_decoder.h"

#include "zip/codec/inflate.h"
#include "zip/codec/legacy.h"
#include "zip/codec/unzip_work.h"

bool DecodeMember(TUnZipWork& work, std::uint16_t method, std::uint16_t flags) {
    switch (method) {
    case 0: // stored
        UnStore(work);
        return true;
    case 8: // deflated
        Inflate(work);
        return true;
    case 1: // shrunk
        UnShrink(work);
        return true;
    case 2: // reduced with compression factors 1 to 4
    case 3:
    case 4:
    case 5:
        UnReduce(work, method - 1);
        return true;
    case 6: // imploded: window size and trees come from the flags
        Explode(work, flags);
        return true;
    default: // the caller says so, as it reports its members' faults
        return false;
    }
}
