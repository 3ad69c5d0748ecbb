#include "app/about_box_memory.h"

std::string FormatPhysMem(std::uint64_t totalBytes, const std::string& separator) {
    std::uint64_t kb = totalBytes / 1024;
    if (totalBytes % 1024 >= 512) ++kb;
    std::string digits = kb == 0 ? std::string() : std::to_string(kb);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return grouped + " KB";
}

std::string FormatMemoryLoad(unsigned load) {
    return std::to_string(load) + " %";
}
