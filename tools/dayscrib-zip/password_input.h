// Where the tool takes a password from. A password on the command line
// ("-p PASSWORD") is seen by every local user in the process list and stays
// in the shell's history, so three other ways exist and are recommended:
//
//   -p -              the terminal, typed without echo (for "add", twice);
//   --password-fd N   the first line read from file descriptor N (a pipe, a
//                     file opened by the shell: --password-fd 3 3<file);
//   DAYSCRIB_PASSWORD the environment variable, when neither option is given
//                     (only the user's own processes can read it).
//
// What is read is keyed as the diary keys a typed password (PasswordBytes).
#pragma once

#include "platform/password.h"

#include <string>
#include <vector>

namespace tool {

struct TPasswordOption {
    enum TFrom { None, Argument, Terminal, Descriptor } From = None;
    TPassword Text; // Argument: as typed (UTF-8)
    int Fd = -1;    // Descriptor
};

// Takes "-p X" or "--password-fd N" at args[i] (and its value) into `option`;
// true when args[i] was one of them (`i` then points at the value). `error`
// tells a missing or unusable value.
bool TakePasswordOption(const std::vector<std::string>& args, std::size_t& i,
                        TPasswordOption& option, std::string& error);

// The password the option (or the environment) gives, as keyed; empty when
// none is given. `confirm` asks a terminal twice. False with `error` when it
// cannot be read (no terminal, a closed descriptor, two different answers).
bool ReadPassword(const TPasswordOption& option, bool confirm, TPassword& password,
                  std::string& error);

// Blanks the values of "-p" in the process's own argument strings, which the
// process list shows, so that a password given there is visible only while
// the tool starts. The copies in `args` are not touched.
void HideArgumentPasswords(int argc, char** argv);

} // namespace tool
