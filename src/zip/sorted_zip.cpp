#include "zip/sorted_zip.h"

#include "zip/dos_time.h"
#include "zip/zip_utils.h"

#include <algorithm>

namespace {

unsigned char Upper(char c) {
    auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 'a' + 'A') : u;
}

TDateTime DateOf(const TZipHeaderInfo& h) {
    bool ok = false;
    TDateTime t = DosDateTimeToDateTime(h.DateTime, ok);
    return ok ? t : 0;
}

// Largest first, a new item (key2) after equal ones: never 0.
template <class V> int Descending(V existing, V added) {
    return existing >= added ? -1 : 1;
}

// Folder + file name as one text, without building it.
int CompareNames(const TZipHeaderInfo& a, const TZipHeaderInfo& b) {
    const std::string &da = a.Directory(), &fa = a.FileName();
    const std::string &db = b.Directory(), &fb = b.FileName();
    std::size_t la = da.size() + fa.size(), lb = db.size() + fb.size();
    for (std::size_t i = 0; i < la && i < lb; ++i) {
        char ca = i < da.size() ? da[i] : fa[i - da.size()];
        char cb = i < db.size() ? db[i] : fb[i - db.size()];
        int d = Upper(ca) - Upper(cb);
        if (d != 0) return d;
    }
    return la < lb ? -1 : la > lb ? 1 : 0;
}

int RateOf(const TZipHeaderInfo& h) {
    return CalcPercent(h.UncompressedSize, h.CompressedSize);
}

} // namespace

int CompareText(const std::string& a, const std::string& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        int d = Upper(a[i]) - Upper(b[i]);
        if (d != 0) return d;
    }
    return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

TSortedZip::TSortedZip(TZipSortMode mode, int duplicates, bool owns)
    : TSortedObjectList<TZipHeaderInfo>(duplicates), mode_(mode) {
    SetOwnsObjects(owns);
}

int TSortedZip::Compare(const TZipHeaderInfo* key1, const TZipHeaderInfo* key2) const {
    const TZipHeaderInfo& a = *key1;
    const TZipHeaderInfo& b = *key2;
    switch (mode_) {
    case ByName:
        return CompareNames(a, b);
    case ByFileName:
        return CompareText(a.FileName(), b.FileName());
    case ByDirectoryName:
        return CompareText(a.Directory(), b.Directory());
    case ByDate:
        return Descending(DateOf(a), DateOf(b));
    case ByCompressedSize:
        return Descending(a.CompressedSize, b.CompressedSize);
    case ByUnCompressedSize:
        return Descending(a.UncompressedSize, b.UncompressedSize);
    case ByRate: {
        int ra = RateOf(a), rb = RateOf(b);
        return ra > rb ? -1 : ra < rb ? 1 : 0;
    }
    case ByNone:
        if (a.DiskStart != b.DiskStart) return a.DiskStart < b.DiskStart ? -1 : 1;
        if (a.LocalOffset != b.LocalOffset) return a.LocalOffset < b.LocalOffset ? -1 : 1;
        return 0;
    }
    return 0;
}
