// Any bytes as an archive: find the end record, read every central header it
// announces with its comment, and the local header each one points at, all
// through the 8 KiB buffer. Nothing may read outside its buffers or crash.
#include "zip/buffer_stream.h"
#include "zip/sorted_zip.h"
#include "zip/zip_header.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TMemoryStream file(std::string(reinterpret_cast<const char*>(data), size));
    TS_BufferStream s(file);
    TEndCentral end;
    if (!end.Locate(s)) return 0;
    end.LoadComment(s);
    s.Seek(end.CentralStart, soBeginning);
    TSortedZip byName(ByName, 1, true);
    for (int i = 0; i < end.TotalEntries; ++i) {
        auto h = std::make_unique<TZipHeaderInfo>();
        if (!h->ReadCentral(s)) break;
        std::int64_t next = s.Position();
        h->LoadComment(s);
        s.Seek(h->LocalOffset, soBeginning);
        TZipHeaderInfo local;
        local.ReadLocal(s);
        s.Seek(next, soBeginning);
        byName.Add(h.release());
    }
    TMemoryStream out;
    for (TZipHeaderInfo* h : byName) {
        h->WriteLocal(out);
        h->WriteCentral(out);
    }
    end.Write(out);
    return 0;
}
