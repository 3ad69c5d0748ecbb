// The deflate encoder: compresses one member's data into a raw deflate
// stream (zip method 8). The encoder pulls input and pushes output through a
// TDeflateIO, so the archive writer can count, checksum, encrypt and report
// progress on the way; it touches three fields of the member's header (the
// general-purpose flag, the method and the text/binary attribute).
#pragma once

#include <cstdint>
#include <memory>

class TDeflateIO {
public:
    virtual ~TDeflateIO() = default;
    // Fills up to count bytes (count is at most 65,535); 0 means the input has ended.
    virtual unsigned ReadInput(std::uint8_t* buffer, unsigned count) = 0;
    // Takes count bytes of compressed output; throws when they cannot be written.
    virtual void WriteOutput(const std::uint8_t* buffer, unsigned count) = 0;
};

struct TDeflateTables;
struct TDeflateBuffers;

class TDeflater {
public:
    TDeflater();
    ~TDeflater();
    TDeflater(const TDeflater&) = delete;
    TDeflater& operator=(const TDeflater&) = delete;

    // Compresses the whole input at level 1..9 and returns the compressed size
    // in bytes. `flags` gets bit 2 (value 4) at levels 1-2 and bit 1 (value 2)
    // at levels 8-9, its other bits kept; `method` becomes 8, or 0 when the
    // data was written unchanged because storing is not larger;
    // `internalAttributes` becomes 1 for text and 0 for binary data. Any other
    // level throws Exception: level 0 means storing, which the writer does
    // itself. Exceptions from the io pass through unchanged.
    std::uint32_t Deflate(TDeflateIO& io, int level, std::uint16_t& flags, std::uint16_t& method,
                          std::uint16_t& internalAttributes);

    // Levels 6 to 9 find their matches through keyed chains (deflate.cpp),
    // which give the same matches as walking the three-byte chains alone,
    // only faster. Set, the encoder walks those alone: for tests and fuzzers
    // that hold the two against each other.
    bool PlainSearch = false;

private:
    std::unique_ptr<TDeflateTables> tables_;   // built once, kept for the object's life
    std::unique_ptr<TDeflateBuffers> buffers_; // window, chains and symbol buffers
};
