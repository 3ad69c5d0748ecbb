// Byte streams of the engine. Every archive and every member passes through
// a TStream: the reader reads archives through one, extraction writes into
// one, the writer reads its input from one. Positions and sizes are 64-bit;
// the archive format itself is limited to 32-bit offsets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TSeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Returns the bytes delivered (0 at the end); never throws for a short read.
    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    // Returns the bytes accepted; a short count means the medium is full or failed.
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    // Origin 0 from the start, 1 from the current position, 2 from the end.
    virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;
    virtual std::int64_t Size();
    // Cuts or extends the stream; false when the stream cannot do it.
    virtual bool SetSize(std::int64_t size);
    // A hint that the stream will grow to `size` bytes: a stream in memory
    // makes room for them at once instead of growing step by step.
    virtual void Reserve(std::int64_t size) { (void)size; }

    std::int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, soBeginning); }

    // Whole-buffer variants: EStreamError "Stream read error" / "Stream write error".
    void ReadBuffer(void* buffer, std::int64_t count);
    void WriteBuffer(const void* buffer, std::int64_t count);
    // Copies count bytes (count 0: the whole source from its start); returns the bytes copied.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

// A growable stream in memory, the diary's carrier of entry text.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : data_(bytes.begin(), bytes.end()) {}

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, int origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
    bool SetSize(std::int64_t size) override;
    void Reserve(std::int64_t size) override;

    void Clear();
    const std::vector<std::uint8_t>& Bytes() const { return data_; }
    std::string ToString() const { return std::string(data_.begin(), data_.end()); }

private:
    std::vector<std::uint8_t> data_;
    std::int64_t pos_ = 0;
};
