// TFileMap: an archive file's bytes mapped into memory, for reading small
// pieces here and there without copying what lies between them.
//
// Before a save copies an old member as it is, it checks the member's local
// header. In a diary the headers lie a kilobyte or two apart through the
// whole file, so reading them with pread copies every byte of the archive
// through user space just to look at a few dozen bytes per member. Mapped,
// the pages are only mapped, and the headers are read where they lie.
//
// A mapped file can be shortened by another program while it is read, and a
// page the disk cannot deliver is no better: touching either raises SIGBUS,
// which would end the process (and with it the diary's unsaved text). So the
// mapping is never handed out; every read goes through Copy, which turns that
// signal into a false result. A SIGBUS handler, installed once per process,
// jumps back out of a copy in progress on its own thread when the fault lies
// in that copy's source, and hands every other SIGBUS on to the handler that
// was there before (or to the default action, which ends the process as it
// would have ended without us).
#pragma once

#include <cstddef>
#include <cstdint>

class TFileMap {
public:
    // Maps the whole of the file open on fd, as long as it is now (read-only;
    // the descriptor may be closed afterwards). Valid() is false when the
    // system refuses, or for an empty file; the caller then reads another way.
    explicit TFileMap(int fd);
    ~TFileMap();
    TFileMap(const TFileMap&) = delete;
    TFileMap& operator=(const TFileMap&) = delete;

    bool Valid() const { return base_ != nullptr; }
    std::int64_t Size() const { return size_; }

    // Copies the count bytes at offset to `to`. False when they do not all
    // lie in the mapping, or the file no longer holds the pages they lie on
    // (then `to` may hold part of them). Bytes past a new end of the file
    // within its last page read as zeros.
    bool Copy(std::int64_t offset, std::size_t count, void* to) const;

    // Maps the pages of the bytes [from, to) at once, instead of a fault for
    // every few of them as they are touched; reads those not yet in memory.
    void Populate(std::int64_t from, std::int64_t to) const;
    // Asks for the bytes at offset to be brought near the processor ahead of
    // a Copy. A prefetch never faults, whatever the file holds by then.
    void Prefetch(std::int64_t offset) const {
        if (base_ != nullptr && offset >= 0 && offset < size_) __builtin_prefetch(base_ + offset);
    }

private:
    const std::uint8_t* base_ = nullptr;
    std::int64_t size_ = 0;
};
