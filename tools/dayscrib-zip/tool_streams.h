// Streams of the tool: standard output, and a sink that only counts.
#pragma once

#include "zip/stream.h"

#include <string>

namespace tool {

// Writes go to standard output; the position counts the bytes written.
// A member that fails after some of its bytes went out is taken back when
// standard output is a file (cut back to where it began); a pipe cannot
// take bytes back, and the stream is then Spoiled().
class StdoutStream : public TStream {
public:
    StdoutStream();
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t Size() override { return written_; }
    bool SetSize(std::int64_t size) override;
    bool Spoiled() const { return spoiled_; }

private:
    std::int64_t written_ = 0;
    std::int64_t start_ = 0; // where standard output stood at first (a file)
    bool file_ = false;      // a regular file, which can be cut back
    bool spoiled_ = false;
};

// Keeps nothing but its size and position (what the decoders' size check
// and the reader's cut-back need).
class SinkStream : public TStream {
public:
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void*, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t Size() override { return size_; }
    bool SetSize(std::int64_t size) override;

private:
    std::int64_t pos_ = 0, size_ = 0;
};

// Reads a block of memory it does not own.
class ViewStream : public TStream {
public:
    ViewStream(const std::uint8_t* data, std::int64_t size) : data_(data), size_(size) {}
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void*, std::int64_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t Size() override { return size_; }

private:
    const std::uint8_t* data_;
    std::int64_t size_, pos_ = 0;
};

// All of standard input: mapped into memory when it is a file, else read.
class StdinBytes {
public:
    StdinBytes();
    ~StdinBytes();
    StdinBytes(const StdinBytes&) = delete;
    StdinBytes& operator=(const StdinBytes&) = delete;
    const std::uint8_t* Data() const { return data_; }
    std::int64_t Size() const { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::int64_t size_ = 0;
    void* map_ = nullptr;
    std::string read_;
};

} // namespace tool
