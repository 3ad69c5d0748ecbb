// dayscrib-zip add [PASSWORD OPTION [--aes]] [-l LEVEL] ARCHIVE MEMBER: stores
// standard input as the member MEMBER ("\"-separated, as the diary names
// entries), replacing a member of that name, the way the diary saves an
// entry: level 9 unless -l says otherwise, folder part kept, encrypted with
// the password (password_input.h), with AES-256 when --aes is given, else the
// traditional cipher.
#include <iostream>

#include "commands.h"
#include "password_input.h"
#include "printable.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

namespace {

int RunAdd(const std::vector<std::string>& args) {
    int level = 9;
    tool::TPasswordOption passwordOption;
    std::string error;
    bool aes = false;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-l" && i + 1 < args.size() && ParseLevel(args[i + 1], level)) {
            ++i;
        } else if (tool::TakePasswordOption(args, i, passwordOption, error)) {
            if (!error.empty()) {
                rest.clear();
                break;
            }
        } else if (args[i] == "--aes") {
            aes = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            rest.clear();
            break;
        } else {
            rest.push_back(args[i]);
        }
    }
    if (rest.size() != 2) {
        std::cerr << "usage: dayscrib-zip add [-p PASSWORD | -p - | --password-fd N [--aes]] "
                     "[-l LEVEL] ARCHIVE MEMBER\n";
        return 2;
    }
    // The password first: typed at the terminal, it must not wait for the
    // end of the data on standard input.
    TPassword password;
    if (!tool::ReadPassword(passwordOption, true, password, error)) {
        std::cerr << "dayscrib-zip: " << tool::Printable(error) << "\n";
        return 2;
    }
    if (aes && password.empty()) {
        std::cerr << "dayscrib-zip: --aes needs a password\n";
        return 2;
    }
    TMemoryStream input(ReadAllStdin());
    TZipWriter writer;
    writer.SetPackLevel(level);
    writer.SetStorePaths(true);
    writer.ZipPassword = password;
    writer.Cipher = aes ? zcAes256 : zcTraditional;
    writer.SetZipName(rest[0]);
    if (writer.AddFromStream(&input, rest[1]) != 1) {
        std::cerr << "dayscrib-zip: the member was not written\n";
        return 1;
    }
    return 0;
}

const TCommandRegistration registration(
    "add", "add [-p PASSWORD | -p - | --password-fd N [--aes]] [-l LEVEL] ARCHIVE MEMBER  < data",
    RunAdd);

} // namespace
