// dayscrib-zip deflate [-l LEVEL]: standard input through the archive
// writer's encoder to standard output, exactly the bytes that would become a
// member's data (level 9 by default; level 0 and input that does not shrink
// come out unchanged). Says "method 0" or "method 8" on standard error.
#include <algorithm>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <unistd.h>

#include "commands.h"
#include "zip/codec/deflate.h"

namespace {

class TStdioDeflateIO : public TDeflateIO {
public:
    explicit TStdioDeflateIO(const std::string& input) : input_(input) {}
    unsigned ReadInput(std::uint8_t* buffer, unsigned count) override {
        std::size_t n = std::min<std::size_t>(count, input_.size() - pos_);
        std::memcpy(buffer, input_.data() + pos_, n);
        pos_ += n;
        return static_cast<unsigned>(n);
    }
    void WriteOutput(const std::uint8_t* buffer, unsigned count) override {
        WriteAll(buffer, count);
    }
    static void WriteAll(const std::uint8_t* buffer, std::size_t count) {
        while (count > 0) {
            ssize_t n = ::write(1, buffer, count);
            if (n <= 0) throw std::runtime_error("cannot write standard output");
            buffer += n;
            count -= static_cast<std::size_t>(n);
        }
    }

private:
    const std::string& input_;
    std::size_t pos_ = 0;
};

int RunDeflate(const std::vector<std::string>& args) {
    int level = 9;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-l" && i + 1 < args.size() && ParseLevel(args[i + 1], level)) {
            ++i;
            continue;
        }
        std::cerr << "usage: dayscrib-zip deflate [-l LEVEL]\n";
        return 2;
    }
    const std::string input = ReadAllStdin();
    TStdioDeflateIO io(input);
    std::uint16_t method = 0;
    if (level == 0) {
        TStdioDeflateIO::WriteAll(reinterpret_cast<const std::uint8_t*>(input.data()),
                                  input.size());
    } else {
        TDeflater deflater;
        std::uint16_t flags = 0, attributes = 2;
        deflater.Deflate(io, level, flags, method, attributes);
    }
    std::cerr << "method " << method << "\n";
    return 0;
}

const TCommandRegistration registration("deflate", "deflate [-l LEVEL]  < data > raw-deflate",
                                        RunDeflate);

} // namespace
