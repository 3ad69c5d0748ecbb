// The commands of the dayscrib-zip tool. Each command lives in a file of its
// own and registers itself here with a static TCommandRegistration, so that
// adding a command touches no other file.
#pragma once

#include <functional>
#include <string>
#include <vector>

// Runs one command with the arguments after its name; returns the exit status.
using TCommandMain = std::function<int(const std::vector<std::string>& args)>;

struct TCommandRegistration {
    TCommandRegistration(const std::string& name, const std::string& usage, TCommandMain run);
};

// Reads all of standard input as bytes.
std::string ReadAllStdin();
// Parses a level argument 0..9; false for anything else.
bool ParseLevel(const std::string& text, int& level);
