// Deflating bytes held in memory: the input comes from a string, the output
// is appended to `Output`, or handed to `Sink` when one is set (the tool
// streams to standard output, a benchmark only counts).
#pragma once

#include "zip/codec/deflate.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

class TStringDeflateIO : public TDeflateIO {
public:
    // `input` must outlive the object.
    explicit TStringDeflateIO(const std::string& input) : input_(input) {}

    unsigned ReadInput(std::uint8_t* buffer, unsigned count) override {
        const std::size_t n = std::min<std::size_t>(count, input_.size() - pos_);
        std::memcpy(buffer, input_.data() + pos_, n);
        pos_ += n;
        return static_cast<unsigned>(n);
    }
    void WriteOutput(const std::uint8_t* buffer, unsigned count) override {
        written_ += count;
        if (Sink)
            Sink(buffer, count);
        else
            Output.append(reinterpret_cast<const char*>(buffer), count);
    }

    // Bytes handed to WriteOutput so far.
    std::size_t Written() const { return written_; }

    std::string Output;
    std::function<void(const std::uint8_t*, unsigned)> Sink;

private:
    const std::string& input_;
    std::size_t pos_ = 0;
    std::size_t written_ = 0;
};
