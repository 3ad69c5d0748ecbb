// The about box's two memory figures, formatted from the platform's memory
// status.
#pragma once

#include <cstdint>
#include <string>

// Total physical memory in KB (bytes / 1024, rounded half up) with the
// thousands grouped by `separator` (the pattern "#,###": zero gives no
// digits), then " KB".
std::string FormatPhysMem(std::uint64_t totalBytes, const std::string& separator);
// The memory load, "%d %%": 42 gives "42 %".
std::string FormatMemoryLoad(unsigned load);
