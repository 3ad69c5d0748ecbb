// Raw deflate streams of any content through the decode frame: the decoder
// must stay inside its buffers and tables, stop, and never hang.
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/exceptions.h"
#include "zip/stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TUnZipWork work; // one frame for many members, as in an extraction run
    std::string bytes(reinterpret_cast<const char*>(data), size);
    TMemoryStream in(bytes), out;
    // The first byte picks the claimed sizes, so the size check and the
    // filler past a short member are exercised too.
    std::int64_t compressed = static_cast<std::int64_t>(size);
    std::int64_t uncompressed = 1 << 22;
    if (size > 0) {
        if (data[0] & 1) compressed = static_cast<std::int64_t>(size) / 2;
        if (data[0] & 2) uncompressed = data[0] * 64;
        if (data[0] & 4)
            compressed = static_cast<std::int64_t>(size) + 100; // archive shorter than the member
    }
    work.StartMember(in, out, compressed, uncompressed);
    try {
        Inflate(work);
    } catch (const Exception&) {
        // Premature end or size check at a block header or the final flush.
    }
    return 0;
}
