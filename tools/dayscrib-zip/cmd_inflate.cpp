// inflate: a raw deflate stream from standard input to standard output.
#include "commands.h"
#include "tool.h"
#include "tool_streams.h"

#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"

#include <cstdio>
#include <limits>

namespace tool {

int InflateRaw(const Args& args) {
    if (!args.empty()) return Usage("inflate takes no arguments (input on standard input)");
    const StdinBytes data;
    ViewStream in(data.Data(), data.Size());
    StdoutStream out;
    TUnZipWork work;
    work.StartMember(in, out, data.Size(), std::numeric_limits<std::int64_t>::max() / 2);
    if (Inflate(work) != 0) {
        std::fprintf(stderr, "dayscrib-zip: inflate: the data is not a valid deflate stream\n");
        return 1;
    }
    return 0;
}

namespace {
const TCommandRegistration inflateCommand("inflate", "inflate (raw deflate on standard input)",
                                          InflateRaw);
} // namespace

} // namespace tool
