// Shared body of the legacy decoders' fuzz targets: the input's first bytes
// choose the member's parameters, the rest is the member's compressed data,
// decoded through a frame over memory streams; the output is discarded.
#pragma once

#include "zip/codec/unzip_work.h"
#include "zip/exceptions.h"
#include "zip/stream.h"

#include <cstddef>
#include <cstdint>
#include <string>

template <class Decode>
void FuzzLegacy(const std::uint8_t* data, std::size_t size, std::size_t header, Decode decode) {
    if (size < header + 2) return;
    // Uncompressed size: up to 256 KiB, enough to wrap every window a few
    // times while keeping each run short.
    std::int64_t uncompressed = (data[0] | data[1] << 8) * 4;
    std::string bytes(reinterpret_cast<const char*>(data) + header + 2, size - header - 2);
    static TUnZipWork work; // shared across runs, as a reader shares it across members
    TMemoryStream in(bytes), out;
    work.StartMember(in, out, static_cast<std::int64_t>(bytes.size()), uncompressed);
    try {
        decode(work, data + 2);
    } catch (const EBiggerThanUncompressed&) {
        // Output past the member's size: the reader counts the member as failed.
    }
}
