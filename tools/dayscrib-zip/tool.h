// The reading commands of dayscrib-zip: their shared option parsing and
// error reporting.
//
// Exit codes of every command: 0 success; 1 nothing was extracted, or some
// member failed; 2 an error, with the engine's message on standard error.
#pragma once

#include "password_input.h"

#include <string>
#include <vector>

namespace tool {

using Args = std::vector<std::string>;

// Prints "dayscrib-zip: message" on standard error, control characters
// escaped (printable.h); returns 2.
int Error(const std::string& message);
// Prints a usage error and the hint to --help; returns 2.
int Usage(const std::string& message);

// Options ("-p PASSWORD", "-p -", "--password-fd N", "--text") are taken
// out of args; false when an option lacks its value or is unknown.
struct Options {
    TPasswordOption Password;
    bool Text = false;
};
bool ParseOptions(Args& args, Options& options, bool allowText, std::string& error);

// Writes the plain text of an RTF document on standard output, through the
// helper program dayscrib-rtf-text (which the process becomes); returns only
// when that cannot be done, with the exit status of an error.
int WriteText(const std::string& rtfBytes);

} // namespace tool
