// Test helpers for the deflate encoder: an io over strings, and a small
// decoder that reports the blocks and symbols of a raw deflate stream, so
// tests can check what the encoder chose and not only that it round-trips.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "zip/codec/deflate.h"

namespace deflatetest {

// Feeds `input` in pieces of at most `chunk` bytes and collects the output.
class TStringIO : public TDeflateIO {
public:
    explicit TStringIO(std::string input, unsigned chunk = 65535)
        : input_(std::move(input)), chunk_(chunk) {}
    unsigned ReadInput(std::uint8_t* buffer, unsigned count) override;
    void WriteOutput(const std::uint8_t* buffer, unsigned count) override;
    const std::string& Output() const { return output_; }
    std::vector<unsigned> writeSizes;

private:
    std::string input_;
    std::size_t pos_ = 0;
    unsigned chunk_;
    std::string output_;
};

struct TDeflated {
    std::string data;
    std::uint32_t size = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t attributes = 0;
};

TDeflated DeflateString(const std::string& input, int level, unsigned chunk = 65535);

// One decoded symbol: a literal (distance 0) or a match.
struct TSymbol {
    unsigned length; // the literal byte, or the match length
    unsigned distance;
    bool operator==(const TSymbol&) const = default;
};

struct TBlock {
    int type; // 0 stored, 1 fixed, 2 dynamic
    bool last;
    std::size_t storedLength = 0;
    std::vector<TSymbol> symbols; // without the end-of-block code
};

struct TDecoded {
    std::vector<TBlock> blocks;
    std::string data;
    std::size_t consumed = 0; // bytes of the stream used
};

// Decodes a raw deflate stream; throws std::runtime_error on a malformed one.
TDecoded DecodeDeflate(const std::string& stream);

std::string RandomBytes(std::size_t n, std::uint32_t seed);
std::string TextBytes(std::size_t n, std::uint32_t seed);

// Inflates through Python's zlib (raw deflate); throws when it fails.
std::string PythonInflate(const std::string& stream);
// The same for many streams, with one Python process.
std::vector<std::string> PythonInflateAll(const std::vector<std::string>& streams);

} // namespace deflatetest
