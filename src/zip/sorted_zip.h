// The member directory: a sorted list of member headers.
#pragma once

#include "zip/object_list.h"
#include "zip/zip_header.h"

enum TZipSortMode {
    ByName,             // folder + file name, ignoring case
    ByFileName,         // file name, ignoring case
    ByDirectoryName,    // folder, ignoring case
    ByDate,             // newest first; a new item goes after those of its date
    ByCompressedSize,   // largest first; a new item goes after those of its size
    ByUnCompressedSize, // largest first; same
    ByRate,             // highest compressed/uncompressed percentage first
    ByNone              // archive order: DiskStart, then LocalOffset
};

class TSortedZip : public TSortedObjectList<TZipHeaderInfo> {
public:
    TSortedZip(TZipSortMode mode, int duplicates, bool owns);

    TZipSortMode SortMode() const { return mode_; }
    int Compare(const TZipHeaderInfo* key1, const TZipHeaderInfo* key2) const override;

private:
    TZipSortMode mode_;
};

// Compares ignoring the case of ASCII letters (folded to upper case, so "\"
// and "_" sort after the letters).
int CompareText(const std::string& a, const std::string& b);
