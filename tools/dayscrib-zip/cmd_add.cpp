// dayscrib-zip add [-p PASSWORD [--aes]] [-l LEVEL] ARCHIVE MEMBER: stores
// standard input as the member MEMBER ("\"-separated, as the diary names
// entries), replacing a member of that name, the way the diary saves an
// entry: level 9 unless -l says otherwise, folder part kept, encrypted with
// PASSWORD, with AES-256 when --aes is given, else the traditional cipher.
#include <iostream>

#include "commands.h"
#include "platform/codepage.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

namespace {

int RunAdd(const std::vector<std::string>& args) {
    int level = 9;
    std::string password;
    bool aes = false;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-l" && i + 1 < args.size() && ParseLevel(args[i + 1], level)) {
            ++i;
        } else if (args[i] == "-p" && i + 1 < args.size()) {
            password = PasswordBytes(args[++i]);
        } else if (args[i] == "--aes") {
            aes = true;
        } else if (!args[i].empty() && args[i][0] == '-') {
            rest.clear();
            break;
        } else {
            rest.push_back(args[i]);
        }
    }
    if (rest.size() != 2 || (aes && password.empty())) {
        std::cerr << "usage: dayscrib-zip add [-p PASSWORD [--aes]] [-l LEVEL] ARCHIVE MEMBER\n";
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

const TCommandRegistration
    registration("add", "add [-p PASSWORD [--aes]] [-l LEVEL] ARCHIVE MEMBER  < data", RunAdd);

} // namespace
