// A stream over a POSIX file descriptor: the engine's only way to a file on
// disk. Every archive and every extracted file is reached through one,
// usually behind the 8 KiB buffer of TS_BufferStream.
#pragma once

#include "zip/stream.h"

#include <string>

enum TFileMode {
    // Read only. Windows could also deny writers to other processes while the
    // file is open; Linux has no mandatory sharing modes, so that part cannot
    // be enforced and is not attempted.
    fmOpenRead,
    // Creates the file, or truncates an existing one; read/write.
    fmCreate,
    // Opens an existing file for reading and writing.
    fmOpenReadWrite
};

class TFileStream : public TStream {
public:
    // Raises EFOpenError (fmOpenRead, fmOpenReadWrite) or EFCreateError
    // (fmCreate) naming the file when it cannot be opened or created.
    TFileStream(const std::string& fileName, TFileMode mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // Delivers up to count bytes; fewer only at the end of the file or on an
    // error (0 when nothing could be read).
    std::int64_t Read(void* buffer, std::int64_t count) override;
    // Returns the bytes the system took; short when the disk is full or failed.
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    // EStreamError "Invalid seek origin (%d)" for an origin other than 0..2,
    // "Seek error" when the system refuses the position (e.g. before 0).
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t Size() override;
    bool SetSize(std::int64_t size) override;

    int Handle() const { return fd_; }
    const std::string& FileName() const { return fileName_; }
    TFileMode Mode() const { return mode_; }
    bool CanWrite() const { return mode_ != fmOpenRead; }
    // Asks the system to put the file's data on the disk (fsync).
    bool Commit();

private:
    std::string fileName_;
    TFileMode mode_;
    int fd_ = -1;
};
