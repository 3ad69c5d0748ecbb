// Walks the folders named by a wildcard file specification. The start path
// may hold wildcards in its folder part ("/data/20*/Week?/"): each folder
// component from the first wildcard on is a folder pattern that one level of
// the walk matches folders against; below the last one the file pattern
// selects files, and with recursion every subfolder is entered too.
//
// On Linux the separator is "/". A recursive walk returns each folder it
// enters (with a trailing "/", size 0) before the files in it; folders whose
// names start with "." are never entered; "*.*" also matches names without a
// dot. Symbolic links to folders are followed only by folder patterns, never
// by recursion, so a link loop cannot send the walk in circles.
//
// Depth: at most MaxLevels (21) levels are open, the start folder and 20
// below it. A folder that would need a 22nd level is neither returned nor
// entered; the walk carries on with its siblings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSearchData {
    TSearchData(std::string path, std::string pattern);
    ~TSearchData();
    TSearchData(const TSearchData&) = delete;
    TSearchData& operator=(const TSearchData&) = delete;

    // Moves to the next entry other than "." and ".."; sets Exhausted at the end.
    void Advance();

    std::string Path;       // the folder, ending in "/"
    std::string Pattern;    // the name pattern of this level
    void* Handle = nullptr; // the open folder listing (DIR*)
    // The current entry.
    std::string Name;
    std::int64_t Size = 0;
    bool IsFolder = false;
    bool IsLink = false;
    bool Exhausted = false;
};

class TDirSearch {
public:
    static constexpr int MaxLevels = 21;

    TDirSearch(const std::string& startPath, bool recurse, const std::string& filePattern);
    ~TDirSearch();

    // The next folder or file: its path and size. An empty path (and a false
    // result) when the walk is over.
    bool Next(std::int64_t& size, std::string& path);

private:
    void Push(const std::string& folder);
    const std::string& PatternOfLevel(std::size_t level) const;

    std::vector<std::unique_ptr<TSearchData>> levels_;
    std::vector<std::string> folderPatterns_;
    std::string filePattern_;
    bool recurse_;
};
