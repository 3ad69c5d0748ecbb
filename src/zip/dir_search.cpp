#include "zip/dir_search.h"

#include "zip/wildcard.h"
#include "zip/zip_utils.h"

#include <dirent.h>
#include <sys/stat.h>

TSearchData::TSearchData(std::string path, std::string pattern)
    : Path(std::move(path)), Pattern(std::move(pattern)) {
    Handle = ::opendir(Path.c_str());
    if (!Handle)
        Exhausted = true;
    else
        Advance();
}

TSearchData::~TSearchData() {
    if (Handle) ::closedir(static_cast<DIR*>(Handle));
}

void TSearchData::Advance() {
    if (!Handle) {
        Exhausted = true;
        return;
    }
    for (;;) {
        dirent* e = ::readdir(static_cast<DIR*>(Handle));
        if (!e) {
            Exhausted = true;
            return;
        }
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        std::string full = Path + name;
        if (::lstat(full.c_str(), &st) != 0) continue; // gone since it was listed
        IsLink = S_ISLNK(st.st_mode);
        if (IsLink) {
            struct stat target {};
            if (::stat(full.c_str(), &target) == 0)
                st = target; // a dangling link stays a (zero-size) link entry
        }
        Name = std::move(name);
        IsFolder = S_ISDIR(st.st_mode);
        Size = IsFolder ? 0 : static_cast<std::int64_t>(st.st_size);
        return;
    }
}

TDirSearch::TDirSearch(const std::string& startPath, bool recurse, const std::string& filePattern)
    : filePattern_(filePattern), recurse_(recurse) {
    std::string start = startPath.empty() ? std::string("./") : startPath;
    if (start.back() != '/') start += '/';
    std::size_t wild = start.find_first_of("*?<>|");
    if (wild != std::string::npos) {
        std::size_t cut = start.rfind('/', wild);
        std::string tail = cut == std::string::npos ? start : start.substr(cut + 1);
        start = cut == std::string::npos ? std::string("./") : start.substr(0, cut + 1);
        std::size_t pos = 0;
        while (pos < tail.size()) {
            std::size_t slash = tail.find('/', pos);
            std::string part = tail.substr(pos, slash - pos);
            if (!part.empty()) folderPatterns_.push_back(part);
            if (slash == std::string::npos) break;
            pos = slash + 1;
        }
    }
    Push(start);
}

TDirSearch::~TDirSearch() = default;

const std::string& TDirSearch::PatternOfLevel(std::size_t level) const {
    return level < folderPatterns_.size() ? folderPatterns_[level] : filePattern_;
}

void TDirSearch::Push(const std::string& folder) {
    levels_.push_back(std::make_unique<TSearchData>(folder, PatternOfLevel(levels_.size())));
}

bool TDirSearch::Next(std::int64_t& size, std::string& path) {
    size = 0;
    path.clear();
    while (!levels_.empty()) {
        TSearchData& level = *levels_.back();
        std::size_t depth = levels_.size() - 1;
        if (level.Exhausted) {
            levels_.pop_back();
            if (!levels_.empty()) levels_.back()->Advance();
            continue;
        }
        bool roomBelow = levels_.size() < static_cast<std::size_t>(MaxLevels);
        if (depth < folderPatterns_.size()) {
            // A folder-pattern level: only folders that match lead on.
            if (level.IsFolder && level.Name[0] != '.' && roomBelow &&
                IsMatch(level.Pattern, level.Name)) {
                Push(level.Path + level.Name + "/"); // the parent advances when this level ends
            } else {
                level.Advance();
            }
            continue;
        }
        if (level.IsFolder) {
            if (recurse_ && !level.IsLink && level.Name[0] != '.' && roomBelow) {
                path = level.Path + level.Name + "/";
                Push(path);
                return true;
            }
            level.Advance();
            continue;
        }
        // A file: a name without a dot gets one for the match, so "*.*" takes it.
        std::string matchName = level.Name;
        if (matchName.find('.') == std::string::npos) matchName += '.';
        if (IsMatch(level.Pattern, matchName)) {
            size = level.Size;
            path = level.Path + level.Name;
            level.Advance();
            return true;
        }
        level.Advance();
    }
    return false;
}
