// Archive files of any content through the reader: every member extracted
// by index and by name, with a password and a password handler. The engine
// may refuse the archive with its exceptions or report failed members, but
// must never crash, read outside its buffers or hang.
#include "zip/exceptions.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One scratch file per process, removed when the process ends.
std::string TempArchive() {
    static char name[] = "/tmp/dayscrib-fuzz-XXXXXX";
    int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    std::atexit([] { unlink(name); });
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = TempArchive();
    static bool quiet = [] {
        EngineHooks().MessageBox = [](const std::string&, const std::string&) {};
        return true;
    }();
    (void)quiet;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    TZipReader reader;
    reader.DoProcessMessages = false;
    reader.ZipPassword = "pw";
    int offers = 0;
    reader.OnBadPassword = [&offers](TZipReader&, int, TPassword& password) {
        if (offers++ < 2) password = "12345678";
    };
    try {
        reader.SetZipName(path);
        reader.OpenArchive();
        const int n = reader.Count() < 16 ? reader.Count() : 16;
        for (int i = 0; i < n; ++i) {
            TMemoryStream out;
            try {
                reader.ExtractIndexToStream(&out, i);
                reader.GetFileComment(i);
            } catch (const Exception&) {
            }
        }
        TMemoryStream byName;
        if (n > 0)
            reader.ExtractToStream(&byName,
                                   reader.Member(0).Directory() + reader.Member(0).FileName());
        TMemoryStream byPattern;
        reader.ExtractToStream(&byPattern, "*");
        reader.GetArchiveComment();
    } catch (const Exception&) {
    }
    return 0;
}
