// Pieces the benchmark programs share: the median of the timed passes and
// the "--folder=DIR" argument.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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
