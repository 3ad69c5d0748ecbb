// dayscrib-zip: the archive engine on the command line, for users' scripts,
// interoperability tests and benchmarks. Usage: dayscrib-zip COMMAND ARGS...
//
// Every command lives in a file of its own and registers itself (see
// commands.h). Exit codes: 0 success; 1 nothing extracted or some member
// failed; 2 an error, with the engine's message on standard error.
#include "commands.h"
#include "printable.h"
#include "tool.h"

#include "platform/exception.h"

#ifndef DAYSCRIB_VERSION
#error "DAYSCRIB_VERSION is set by the build (the project's version)"
#endif

#include <cerrno>
#include <cstdio>
#include <exception>
#include <iostream>
#include <map>
#include <stdexcept>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

const char* const kHelp = R"(Usage: dayscrib-zip COMMAND [OPTIONS] ARGUMENTS

Reads and writes the zip archives of the Dayscrib diary (and reads other zip
archives of the methods stored, shrunk, reduced, imploded and deflated, with
traditional encryption or AES encryption in the WinZip format, AE-1 and AE-2,
128, 192 or 256-bit keys) with the program's own engine.

Commands:
  list ARCHIVE
      One line per member, in archive order:
        METHOD 0xFLAGS COMPRESSED UNCOMPRESSED CRC32 YYYY-MM-DD HH:MM:SS NAME
      METHOD is the method number (0 stored, 1 shrunk, 2-5 reduced, 6
      imploded, 8 deflated, 99 AES-encrypted, whose real method, 0 or 8, is
      in its extra field; others cannot be extracted), FLAGS the general
      purpose flags in hexadecimal (bit 0 encrypted, bit 3 data descriptor),
      sizes in bytes (the compressed size includes an encryption header, or
      an AES member's salt, verifier and authentication code),
      CRC32 in eight hexadecimal digits, date and time as stored (local
      time, two-second steps), NAME as the diary holds it: folders separated
      by "\" (for example 2001\3\Week3\15.rtf), written in UTF-8.
      Characters of a name that are not plain text are written escaped:
      \xHH for control characters (a line end or an escape sequence in a
      name never reaches the terminal or starts a line of its own) and for
      bytes that are not UTF-8, \uHHHH for C1 controls, line separators and
      the marks that reorder text. "test" writes names the same way.

  extract [PASSWORD OPTION] [--text] ARCHIVE MEMBER
      Writes the member's bytes to standard output. MEMBER is the name as
      "list" shows it; letter case does not matter, and the wildcards
      "*", "?" and "<set>" may be used (the first match is extracted). The
      bytes are written as they are decoded, in constant memory. A member
      whose CRC turns out wrong at its end is taken back when standard
      output is a file; on a pipe the bytes written stay, and the message
      says so. An AES member whose authentication code does not match is
      "damaged or altered" and nothing of it is written.
      --text writes the plain text of an RTF member instead of its bytes
      (members of up to 256 MiB).

  test [PASSWORD OPTION] ARCHIVE
      Extracts every member and checks its CRC-32 (an AES member: its
      authentication code, and its CRC-32 when it keeps one), printing
        OK NAME
        FAILED NAME: REASON
      one line per member, in archive order (folder entries are skipped).

  add [PASSWORD OPTION [--aes]] [-l LEVEL] ARCHIVE MEMBER
      Stores standard input as the member MEMBER (folders separated by
      "\"), replacing a member of that name whatever its letter case, the
      way the diary saves an entry: deflated at LEVEL (0 stores; default 9),
      folder part kept, encrypted when a password is given: with --aes in
      the WinZip AES format (AE-2, AES-256), which 7-Zip and other current
      zip programs open and which resists attack; without it with the
      traditional zip cipher, which every zip program opens but which is
      weak. The other members keep their bytes and their ciphers. A missing
      archive is created, readable and writable by its owner alone; an existing one is replaced as a whole, so it is
      never left half-written. The new archive is written beside the old
      one as ARCHIVE.XXXXXX.tmp; one left by a save that was killed is
      removed by the next save. While another program saves into the same
      archive, add waits for it a few seconds, then gives up (exit status 2)
      without changing anything.

  deflate [-l LEVEL]
      Compresses standard input to standard output with the archive
      writer's encoder (LEVEL 0 to 9, default 9): exactly the bytes that
      would become a member's data. Says "method 0" (kept as it was) or
      "method 8" (deflated) on standard error.

  inflate
      Decodes a raw deflate stream (RFC 1951, no zlib or gzip wrapper) from
      standard input to standard output.

Password options (one of them; the password is keyed as windows-1252 when
every character has a code there, as UTF-8 otherwise, like the diary does):
  -p -              type the password at the terminal, without echo ("add"
                    asks twice)
  --password-fd N   read the password from file descriptor N, up to its
                    first line end (e.g. --password-fd 3 3<~/.diary-password)
  DAYSCRIB_PASSWORD when neither option is given, this environment variable,
                    if it is set, is the password
  -p PASSWORD       the password itself (UTF-8). Every user of the machine
                    sees it in the process list while the tool starts, and
                    the shell keeps it in its history: prefer the others.

Other options:
  -h, --help    this text
  --version     the tool's version

Exit status:
  0  success
  1  nothing was extracted (no such member, wrong password, damaged data),
     or at least one member failed its test
  2  an error: unusable arguments, an archive that cannot be opened or is
     not a zip archive; the engine's message is written to standard error
)";

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
    std::cerr << "Try 'dayscrib-zip --help'.\n";
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
        if (n < 0 && errno == EINTR) continue;
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

namespace tool {

int Error(const std::string& message) {
    std::fprintf(stderr, "dayscrib-zip: %s\n", Printable(message).c_str());
    return 2;
}

int Usage(const std::string& message) {
    std::fprintf(stderr, "dayscrib-zip: %s\nTry 'dayscrib-zip --help'.\n",
                 Printable(message).c_str());
    return 2;
}

bool ParseOptions(Args& args, Options& options, bool allowText, std::string& error) {
    Args rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (TakePasswordOption(args, i, options.Password, error)) {
            if (!error.empty()) return false;
        } else if (a == "--text" && allowText) {
            options.Text = true;
        } else if (a.size() > 1 && a[0] == '-') {
            error = "unknown option " + a;
            return false;
        } else {
            rest.push_back(a);
        }
    }
    args = rest;
    return true;
}

} // namespace tool

int main(int argc, char** argv) {
    // No core dump, and no other process of the user, reads a password out
    // of the tool's memory.
    ::prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    std::vector<std::string> args(argv + 1, argv + argc);
    tool::HideArgumentPasswords(argc, argv);
    for (const std::string& a : args) {
        if (a == "-h" || a == "--help") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--version") {
            std::fputs("dayscrib-zip " DAYSCRIB_VERSION "\n", stdout);
            return 0;
        }
    }
    if (args.empty()) return Usage();
    auto it = Commands().find(args.front());
    if (it == Commands().end()) return Usage();
    args.erase(args.begin());
    try {
        return it->second.run(args);
    } catch (const Exception& e) {
        return tool::Error(e.Message());
    } catch (const std::exception& e) {
        return tool::Error(e.what());
    }
}
