// Writes a large test archive quickly for the benchmarks: every member is
// deflated once and written one after the other, the directory at the end.
// Adding thousands of members one save at a time would rewrite the archive
// as many times.
#pragma once

#include "zip/codec/crc32.h"
#include "zip/codec/deflate_string_io.h"
#include "zip/file_stream.h"
#include "zip/zip_header.h"

#include <functional>
#include <string>
#include <vector>

// `member(i, name, body)` fills the name (in memory form, "\" separators)
// and the bytes of member i. Returns the sum of the members' sizes.
inline std::uint64_t
WriteBenchArchive(const std::string& path, int members, int level,
                  const std::function<void(int, std::string&, std::string&)>& member) {
    TFileStream out(path, fmCreate);
    std::vector<TZipHeaderInfo> headers;
    TDeflater deflater;
    std::uint64_t total = 0;
    for (int i = 0; i < members; ++i) {
        std::string name, body;
        member(i, name, body);
        total += body.size();
        TStringDeflateIO io(body);
        TZipHeaderInfo h;
        h.SetName(name);
        h.DateTime = 0x5A8C6000u;
        deflater.Deflate(io, level, h.Flags, h.Method, h.InternalAttributes);
        h.CRC = Crc32Of(body.data(), body.size());
        h.UncompressedSize = static_cast<std::int32_t>(body.size());
        h.CompressedSize = static_cast<std::int32_t>(io.Output.size());
        h.WriteLocal(out);
        out.WriteBuffer(io.Output.data(), static_cast<std::int64_t>(io.Output.size()));
        headers.push_back(h);
    }
    TEndCentral end;
    end.CentralStart = static_cast<std::uint32_t>(out.Position());
    for (const TZipHeaderInfo& h : headers)
        h.WriteCentral(out);
    end.CentralSize = static_cast<std::uint32_t>(out.Position() - end.CentralStart);
    end.EntriesThisDisk = end.TotalEntries = static_cast<std::uint16_t>(members);
    end.Write(out);
    out.Commit();
    return total;
}
