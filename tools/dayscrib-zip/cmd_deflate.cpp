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
#include "zip/codec/deflate_string_io.h"

namespace {

void WriteAll(const std::uint8_t* buffer, std::size_t count) {
    while (count > 0) {
        ssize_t n = ::write(1, buffer, count);
        if (n <= 0) throw std::runtime_error("cannot write standard output");
        buffer += n;
        count -= static_cast<std::size_t>(n);
    }
}

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
    TStringDeflateIO io(input);
    io.Sink = [](const std::uint8_t* buffer, unsigned count) { WriteAll(buffer, count); };
    std::uint16_t method = 0;
    if (level == 0) {
        WriteAll(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
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
