// Unshrink over arbitrary bits: bytes 0-1 give the uncompressed size / 4,
// the rest is the member's data.
#include "legacy_fuzz_common.h"
#include "zip/codec/legacy.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzLegacy(data, size, 0, [](TUnZipWork& g, const std::uint8_t*) { UnShrink(g); });
    return 0;
}
