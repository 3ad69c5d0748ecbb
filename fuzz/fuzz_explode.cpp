// Explode over arbitrary bits: bytes 0-1 give the uncompressed size / 4,
// byte 2 the member's flags (bits 1 and 2 matter), the rest is the member's
// data.
#include "legacy_fuzz_common.h"
#include "zip/codec/legacy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzLegacy(data, size, 1, [](TUnZipWork& g, const std::uint8_t* p) { Explode(g, p[0] & 6u); });
    return 0;
}
