// Physical memory and memory load for the about box, from /proc/meminfo.
#pragma once

#include <cstdint>
#include <string>

struct TMemoryStatus {
    std::uint64_t TotalPhys = 0; // bytes
    unsigned MemoryLoad = 0;     // percent of memory in use, 0 to 100
};

// Parses the text of /proc/meminfo: MemTotal, and the load as
// 100 x (1 - MemAvailable / MemTotal), rounded. False when MemTotal is
// missing or zero.
bool ParseMemInfo(const std::string& text, TMemoryStatus& status);
// Reads /proc/meminfo; false when it cannot be read or parsed.
bool GetMemoryStatus(TMemoryStatus& status);
