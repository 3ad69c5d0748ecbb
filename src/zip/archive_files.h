// How the archive writer reaches the disk, and how it puts a finished
// archive in place of the old one.
//
// The file named by the component always holds one complete archive, the
// old or the new one, also if the process is killed or the power fails in
// the middle: the new archive is written to a temporary file, flushed to the
// disk, and then renamed over the old name, which the file system does in one
// step. A rename cannot cross file systems; when the temporary folder is on
// another one, the archive is first copied to a second temporary file beside
// the old archive (and flushed), and that one is renamed. The folder is
// flushed last so the rename itself survives a power failure. If anything
// fails, the old archive has not been touched and the temporary files are
// removed; the only complete copy of an archive is never deleted.
//
// All of it goes through TArchiveFileOps, whose methods tests override to
// make a disk fill up, a flush fail or a rename refuse; its rename and folder
// flush are the platform's file-replacement steps (platform/file_replace.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_replace.h"
#include "zip/file_map.h"
#include "zip/stream.h"

class TArchiveFileOps : public TFileOps {
public:
    virtual ~TArchiveFileOps() = default;
    // Creates (or truncates) a file for reading and writing; raises
    // EFCreateError when it cannot.
    virtual std::unique_ptr<TStream> CreateFile(const std::string& name);
    // Puts the file's data on the disk (fsync); false when that fails.
    virtual bool Commit(TStream& file);
    // Asks the system to start writing the file's data to the disk now,
    // without waiting, so that the Commit that follows finds less to do.
    virtual void StartWriteback(TStream& file);
    // Appends `count` bytes of the file `in` (a descriptor) from offset
    // `from` to `out` at its position. On a plain file the kernel copies
    // them (copy_file_range, which may also share the blocks); where it
    // refuses, and for any other stream, they go through a buffer. False when
    // `out` took fewer bytes (a full disk); EStreamError "Stream read error"
    // when `in` ends first or cannot be read.
    virtual bool CopyRange(int in, std::int64_t from, TStream& out, std::int64_t count);
    // Maps the old archive open on `fd` (file_map.h) for reading its local
    // headers; where the map is not Valid they are read with pread instead.
    virtual std::unique_ptr<TFileMap> MapFile(int fd);
};

// CopyRange through a buffer: pread from `in`, Write to `out`.
bool CopyRangeThroughBuffer(int in, std::int64_t from, TStream& out, std::int64_t count);

// The permission bits of a new archive: its owner's alone.
constexpr unsigned NewArchiveMode = 0600;

// Puts the finished, committed archive `temp` in place of `target` (which
// need not exist) and removes `temp`. The new archive gets the old one's
// permission bits, or NewArchiveMode. Raises EFCreateError
// naming the target when the archive cannot be put in place; `target` is
// then untouched and no temporary file is left.
void InstallArchive(TArchiveFileOps& ops, const std::string& temp, const std::string& target);
