// Replacing a file whole, and copying one whole, so that the file's name
// always holds a complete file, the old one or the new one, also if the
// process is killed or the power fails in the middle.
//
// The new content is written to a temporary file beside the target (in the
// same folder, so the rename below cannot cross file systems), flushed to the
// disk, and renamed over the target, which the file system does in one step;
// the folder is flushed last so that the rename itself survives a power
// failure (a folder that cannot be flushed leaves the rename to the system's
// own write-back). When anything fails before the rename, the target is
// untouched and the temporary file removed. A target that is a symbolic link
// has the file it points to replaced, not the link; the new file keeps the
// old one's permission bits, or gets `newMode` less the umask when there
// was none.
//
// Every step goes through TFileOps, which tests replace to make a disk fill
// up, a copy or flush fail or a rename refuse. The settings file, daily
// copies of the archive, exports, Save As and the recovery file are written
// here; the archive writer commits its new archive through the same
// interface (zip/archive_files.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TFileOps {
public:
    virtual ~TFileOps() = default;
    // Creates a new file from `name`, a path ending in "XXXXXX" that is
    // filled in (mkstemp); the descriptor, or -1 with errno set.
    virtual int CreateTemp(std::string& name);
    // Writes all `size` bytes; false, errno set, when fewer went.
    virtual bool WriteAll(int fd, const char* data, std::size_t size);
    // Copies `in` from its position to its end into `out`, by the kernel
    // where it can (copy_file_range may even share the blocks), else through
    // a buffer; false, errno set, when that fails.
    virtual bool CopyAll(int in, int out);
    // Puts the file's data on the disk (fsync); false when that fails.
    virtual bool Sync(int fd);
    // rename(2): 0, or the errno value of the failure.
    virtual int Rename(const std::string& from, const std::string& to);
    // Flushes a folder's entries to the disk; false when that fails.
    virtual bool SyncFolder(const std::string& folder);
};

// The ops every replacement goes through: the real file system unless a test
// installed its own.
TFileOps& FileOps();
// Installs `ops` (nullptr: the real file system); returns the previous ones.
TFileOps* SetFileOps(TFileOps* ops);

// The folder part of a path ("." when it has none, "/" for the root).
std::string FolderOf(const std::string& path);

// What a replacement came to: nothing failed, or the step that failed, its
// errno value and the file it concerned.
struct TReplaceResult {
    enum TStep {
        None,   // the file is in place
        Create, // no temporary file could be made in the target's folder (File)
        Read,   // the file to copy could not be opened (File)
        Write,  // writing, copying or flushing the temporary file failed (File: the target)
        Close,  // closing the temporary file failed (File: the temporary file)
        Rename, // the temporary file could not be renamed over the target (File)
    };
    TStep Step = None;
    int Error = 0;
    std::string File;
    explicit operator bool() const { return Step == None; }
};

// Puts `bytes` in place of the file `path`.
TReplaceResult ReplaceFileWhole(const std::string& path, std::string_view bytes,
                                unsigned newMode = 0666);
// The mode of a file that holds a protected entry's text without its
// password (an export, a copy saved elsewhere): its owner's alone.
constexpr unsigned PrivateFileMode = 0600;
// As ReplaceFileWhole, but the new file gets PrivateFileMode whatever the
// file it replaces had.
TReplaceResult ReplacePrivateFileWhole(const std::string& path, std::string_view bytes);
// For a file another library writes (a printer's PDF): makes `path` exist
// with PrivateFileMode before it is written, so that it is never readable by
// others, not even while it is written. False, errno set, when it cannot.
bool PreparePrivateFile(const std::string& path);
// Puts a copy of the file `from` in place of the file `to`.
TReplaceResult CopyFileWhole(const std::string& from, const std::string& to,
                             unsigned newMode = 0666);
