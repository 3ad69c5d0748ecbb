// dayscrib-rtf-text: the plain text of the RTF document on standard input,
// on standard output (UTF-8, one line per paragraph).
//
// dayscrib-zip hands the bytes of a member to this program for "extract
// --text": the RTF reader needs Qt, and loading Qt would add milliseconds to
// every start of the tool, which scripts run once per entry.
#include <cerrno>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "rtf/rtf_text.h"

int main() {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(0, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            std::fputs("dayscrib-rtf-text: cannot read standard input\n", stderr);
            return 2;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    const std::string text = RtfToPlainText(bytes);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() ||
        std::fflush(stdout) != 0) {
        std::fputs("dayscrib-rtf-text: cannot write standard output\n", stderr);
        return 2;
    }
    return 0;
}
