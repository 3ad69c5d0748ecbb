// Pieces the benchmark programs share: the median of the timed passes, the
// clocks, and the "--folder=DIR" argument.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// This process's processor time in milliseconds: on a shared machine the
// wall clock also counts the time other programs held the processor.
inline double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1000 + static_cast<double>(t.tv_nsec) / 1e6;
}

inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Takes "--folder=DIR" out of the arguments (into `folder`) and returns the
// rest, for Google Benchmark to read.
inline std::vector<char*> TakeFolderArgument(int argc, char** argv, std::string& folder) {
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--folder=", 9) == 0)
            folder = argv[i] + 9;
        else
            args.push_back(argv[i]);
    }
    return args;
}

// Takes every "PREFIXvalue" out of `args` (the last one's value into
// `value`); true when there was one.
inline bool TakeArgument(std::vector<char*>& args, const char* prefix, std::string& value) {
    const std::size_t n = std::strlen(prefix);
    bool found = false;
    for (auto it = args.begin(); it != args.end();)
        if (std::strncmp(*it, prefix, n) == 0) {
            value = *it + n;
            found = true;
            it = args.erase(it);
        } else {
            ++it;
        }
    return found;
}
