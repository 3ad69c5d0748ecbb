// dayscrib-zip: the archive engine on the command line, for users' scripts,
// interoperability tests and benchmarks. Usage: dayscrib-zip COMMAND ARGS...
#include <cstdio>
#include <exception>
#include <iostream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <unistd.h>

#include "commands.h"

namespace {

struct TCommand {
    std::string usage;
    TCommandMain run;
};

std::map<std::string, TCommand>& Commands() {
    static std::map<std::string, TCommand> commands;
    return commands;
}

int Usage() {
    std::cerr << "usage: dayscrib-zip COMMAND [ARGS...]\ncommands:\n";
    for (const auto& [name, command] : Commands())
        std::cerr << "  " << command.usage << "\n";
    return 2;
}

} // namespace

TCommandRegistration::TCommandRegistration(const std::string& name, const std::string& usage,
                                           TCommandMain run) {
    Commands()[name] = TCommand{usage, std::move(run)};
}

std::string ReadAllStdin() {
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0) throw std::runtime_error("cannot read standard input");
        if (n == 0) return data;
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

bool ParseLevel(const std::string& text, int& level) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '9') return false;
    level = text[0] - '0';
    return true;
}

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    auto it = Commands().find(argv[1]);
    if (it == Commands().end()) return Usage();
    try {
        return it->second.run(std::vector<std::string>(argv + 2, argv + argc));
    } catch (const std::exception& e) {
        std::cerr << "dayscrib-zip: " << e.what() << "\n";
        return 1;
    }
}
