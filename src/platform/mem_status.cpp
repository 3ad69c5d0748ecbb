#include "platform/mem_status.h"

#include <cmath>
#include <fstream>
#include <sstream>

namespace {

// The value in kB of "Name:   12345 kB", or -1 when the line is not there.
long double FieldKb(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, name.size() + 1, name + ":") != 0) continue;
        std::istringstream value(line.substr(name.size() + 1));
        unsigned long long kb = 0;
        if (value >> kb) return static_cast<long double>(kb);
        return -1;
    }
    return -1;
}

} // namespace

bool ParseMemInfo(const std::string& text, TMemoryStatus& status) {
    const long double total = FieldKb(text, "MemTotal");
    if (total <= 0) return false;
    long double available = FieldKb(text, "MemAvailable");
    if (available < 0) available = FieldKb(text, "MemFree"); // kernels before 3.14
    if (available < 0) available = 0;
    if (available > total) available = total;
    status.TotalPhys = static_cast<std::uint64_t>(total) * 1024u;
    status.MemoryLoad = static_cast<unsigned>(std::lround(100.0L * (1.0L - available / total)));
    return true;
}

bool GetMemoryStatus(TMemoryStatus& status) {
    std::ifstream in("/proc/meminfo");
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    return ParseMemInfo(ss.str(), status);
}
