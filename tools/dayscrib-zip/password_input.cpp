#include "password_input.h"

#include "platform/codepage.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace tool {

namespace {

constexpr std::size_t kMaxPassword = 4096;

// Reads one line (without its end) from fd into `password`; false when
// nothing at all could be read.
bool ReadLine(int fd, TPassword& password) {
    char line[kMaxPassword];
    std::size_t length = 0;
    bool any = false;
    for (;;) {
        char c;
        const ssize_t n = ::read(fd, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        any = true;
        if (c == '\n') break;
        if (length < sizeof line) line[length++] = c;
    }
    if (length > 0 && line[length - 1] == '\r') --length;
    password = PasswordBytes(std::string_view(line, length));
    WipeBytes(line, sizeof line);
    return any;
}

// The terminal's settings while echo is off, put back by a signal that ends
// the tool meanwhile, so that a Ctrl+C does not leave a terminal that shows
// nothing typed.
int g_tty = -1;
termios g_saved{};

void RestoreAndDie(int signal) {
    ::tcsetattr(g_tty, TCSAFLUSH, &g_saved);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

bool AskTerminal(int tty, const char* prompt, TPassword& password) {
    if (::tcgetattr(tty, &g_saved) != 0) return false;
    g_tty = tty;
    termios quiet = g_saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL; // the Enter still moves to the next line
    const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};
    struct sigaction restore {
    }, old[5];
    restore.sa_handler = RestoreAndDie;
    for (int i = 0; i < 5; ++i)
        ::sigaction(signals[i], &restore, &old[i]);
    bool ok = ::tcsetattr(tty, TCSAFLUSH, &quiet) == 0;
    if (ok) {
        const ssize_t written = ::write(tty, prompt, std::strlen(prompt));
        ok = written >= 0 && ReadLine(tty, password);
        ::tcsetattr(tty, TCSAFLUSH, &g_saved);
    }
    for (int i = 0; i < 5; ++i)
        ::sigaction(signals[i], &old[i], nullptr);
    g_tty = -1;
    return ok;
}

bool FromTerminal(bool confirm, TPassword& password, std::string& error) {
    const int tty = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (tty < 0) {
        error = "-p -: there is no terminal to read the password from "
                "(use --password-fd or DAYSCRIB_PASSWORD)";
        return false;
    }
    TPassword again;
    bool ok = AskTerminal(tty, "Password: ", password);
    if (ok && confirm) ok = AskTerminal(tty, "Password again: ", again);
    ::close(tty);
    if (!ok) {
        error = "-p -: the password could not be read from the terminal";
        return false;
    }
    if (confirm && !(password == again)) {
        password.clear();
        error = "the two passwords typed differ";
        return false;
    }
    return true;
}

} // namespace

bool TakePasswordOption(const std::vector<std::string>& args, std::size_t& i,
                        TPasswordOption& option, std::string& error) {
    const std::string& a = args[i];
    if (a != "-p" && a != "--password-fd") return false;
    if (i + 1 >= args.size()) {
        error = a == "-p" ? "option -p needs a password (or - to type it)"
                          : "option --password-fd needs a file descriptor number";
        return true;
    }
    const std::string& value = args[++i];
    if (a == "-p") {
        option.From = value == "-" ? TPasswordOption::Terminal : TPasswordOption::Argument;
        option.Text = value == "-" ? TPassword() : TPassword(value);
        return true;
    }
    char* end = nullptr;
    errno = 0;
    const long fd = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0 || fd < 0 || fd > 1 << 20) {
        error = "--password-fd needs a file descriptor number, not " + value;
        return true;
    }
    option.From = TPasswordOption::Descriptor;
    option.Fd = static_cast<int>(fd);
    return true;
}

bool ReadPassword(const TPasswordOption& option, bool confirm, TPassword& password,
                  std::string& error) {
    password.clear();
    switch (option.From) {
    case TPasswordOption::Argument:
        password = PasswordBytes(option.Text);
        return true;
    case TPasswordOption::Terminal:
        return FromTerminal(confirm, password, error);
    case TPasswordOption::Descriptor:
        if (!ReadLine(option.Fd, password)) {
            error = "--password-fd " + std::to_string(option.Fd) +
                    ": no password could be read from it";
            return false;
        }
        return true;
    case TPasswordOption::None:
        break;
    }
    if (const char* env = std::getenv("DAYSCRIB_PASSWORD")) password = PasswordBytes(env);
    return true;
}

void HideArgumentPasswords(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-p") == 0 && std::strcmp(argv[i + 1], "-") != 0)
            WipeBytes(argv[i + 1], std::strlen(argv[i + 1]));
}

} // namespace tool
