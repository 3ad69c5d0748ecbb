// "extract --text": the member's bytes become the standard input of the
// helper program dayscrib-rtf-text, which writes their plain text. The RTF
// reader needs Qt; kept in a program of its own, it costs the tool nothing
// when --text is not asked for (loading Qt would add milliseconds to every
// start, and scripts start the tool once per entry).
//
// The helper lies beside the tool in a build folder, and in the libexec
// folder of an installation (DAYSCRIB_TEXT_HELPER, relative to the tool's
// folder).
#include "tool.h"

#include <cerrno>
#include <climits>
#include <sys/mman.h>
#include <unistd.h>

namespace tool {

#ifdef DAYSCRIB_TEXT_HELPER

namespace {

std::string FindTextHelper() {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return std::string();
    std::string folder(self, static_cast<std::size_t>(n));
    folder.erase(folder.rfind('/') + 1);
    for (const std::string& candidate :
         {folder + "dayscrib-rtf-text", folder + DAYSCRIB_TEXT_HELPER})
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    return std::string();
}

} // namespace

int WriteText(const std::string& rtfBytes) {
    const std::string helper = FindTextHelper();
    if (helper.empty())
        return Error("--text needs the program dayscrib-rtf-text, which is missing");
    // The bytes in a memory file that becomes the helper's standard input.
    const int fd = ::memfd_create("dayscrib-zip-text", 0);
    if (fd < 0) return Error("--text: cannot hand the member on");
    for (std::size_t done = 0; done < rtfBytes.size();) {
        const ssize_t n = ::write(fd, rtfBytes.data() + done, rtfBytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Error("--text: cannot hand the member on");
        done += static_cast<std::size_t>(n);
    }
    if (::lseek(fd, 0, SEEK_SET) != 0 || ::dup2(fd, 0) < 0)
        return Error("--text: cannot hand the member on");
    ::close(fd);
    char* const argv[] = {const_cast<char*>("dayscrib-rtf-text"), nullptr};
    ::execv(helper.c_str(), argv);
    return Error("--text: cannot start " + helper);
}

#else

int WriteText(const std::string&) {
    return Error("--text needs the GUI build");
}

#endif

} // namespace tool
