// Saving one diary entry into a large archive: AddFromStream replacing a
// typical entry (3 KB of RTF-like text) in an archive of 9,000 members
// (about 40 MB), against copying the archive file and flushing the copy to
// the disk with plain system calls, which is the least any save that never
// changes the archive in place must do. Both run in the same process, on the
// same file. The copy goes over the copy of the previous run, so like a save
// it also pays for giving up the old file's blocks. A save does a little
// more: the rename and the flush of the folder that make it atomic. The save
// is timed twice: with the writer that keeps the archive it wrote (the
// diary), and with a writer new to the archive each time (a program started
// for one save).
//
//   build/bench/bench_save [--folder=DIR] [google benchmark flags]
//
// The archive is made in DIR (default: the current folder), and the writer's
// temporary file goes there too. The summary gives the median time of each
// and their ratios to copy+fsync.
#include <benchmark/benchmark.h>

#include "bench_support.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

#include "bench_archive.h"
#include "zip/file_stream.h"
#include "zip/stream.h"
#include "zip/zip_header.h"
#include "zip/zip_writer.h"

namespace {

std::string gFolder = ".";
std::string gArchive;
constexpr int kMembers = 9000;

std::string EntryText(std::uint32_t seed, std::size_t size) {
    static const char* const words[] = {"{\\rtf1\\ansi\\deff0 ",
                                        "{\\fonttbl{\\f0 Arial;}}",
                                        "\\par ",
                                        "\\pard ",
                                        "{\\b ",
                                        "} ",
                                        "diary ",
                                        "today ",
                                        "we ",
                                        "walked ",
                                        "along ",
                                        "the ",
                                        "river, ",
                                        "rain ",
                                        "\\'e9t\\'e9 ",
                                        "{\\i quiet} ",
                                        "evening. "};
    std::mt19937 rng(seed);
    std::string s;
    while (s.size() < size) {
        s += words[rng() % (sizeof words / sizeof *words)];
        if (rng() % 4 == 0) s += std::to_string(rng() % 100000) + " ";
    }
    s.resize(size);
    return s;
}

// Member bodies that compress to about 4.4 KB each, so 9,000 make ~40 MB.
std::string Body(std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::string s = EntryText(seed, 1500);
    static const char alphabet[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 .";
    for (int i = 0; i < 4800; ++i)
        s += alphabet[rng() % 64];
    return s;
}

std::string MemberName(int i) {
    return std::to_string(1990 + i / 365 % 30) + "\\" + std::to_string(i % 12 + 1) + "\\Week" +
           std::to_string(i % 5 + 1) + "\\" + std::to_string(i) + ".rtf";
}

void MakeArchive() {
    WriteBenchArchive(gArchive, kMembers, 1, [](int i, std::string& name, std::string& body) {
        name = MemberName(i);
        body = Body(static_cast<std::uint32_t>(i));
    });
}

void BM_AddFromStream(benchmark::State& state) {
    TZipWriter writer;
    writer.SetZipName(gArchive);
    writer.SetPackLevel(9);
    writer.SetStorePaths(true);
    writer.TempPath = gFolder;
    int round = 0;
    for (auto _ : state) {
        TMemoryStream entry(EntryText(static_cast<std::uint32_t>(round), 3000));
        if (writer.AddFromStream(&entry, MemberName(kMembers / 2 + round % 7)) != 1)
            throw std::runtime_error("the entry was not saved");
        ++round;
    }
}

// A writer new to the archive each time, as a program started for one save
// (the command-line tool) is: it reads the directory and checks every old
// member's local header before copying, where the writer above knows the
// archive it wrote itself.
void BM_AddFromStreamFresh(benchmark::State& state) {
    int round = 0;
    for (auto _ : state) {
        TZipWriter writer;
        writer.SetZipName(gArchive);
        writer.SetPackLevel(9);
        writer.SetStorePaths(true);
        TMemoryStream entry(EntryText(static_cast<std::uint32_t>(round), 3000));
        if (writer.AddFromStream(&entry, MemberName(kMembers / 3 + round % 7)) != 1)
            throw std::runtime_error("the entry was not saved");
        ++round;
    }
}

// Copies over the copy of the previous run, so that like a save it also
// gives up the old file's blocks (O_TRUNC), then flushes the copy.
void BM_CopyAndFsync(benchmark::State& state) {
    const std::string copy = gFolder + "/bench_save_copy.tmp";
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        int in = ::open(gArchive.c_str(), O_RDONLY);
        int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) throw std::runtime_error("cannot open the files");
        for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
            if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n)
                throw std::runtime_error("short write");
        ::fsync(out);
        ::close(out);
        ::close(in);
    }
}

BENCHMARK(BM_AddFromStream)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_AddFromStreamFresh)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);
BENCHMARK(BM_CopyAndFsync)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(15);

class TCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration)
                times[run.run_name.function_name].push_back(run.GetAdjustedRealTime());
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, std::vector<double>> times;
};

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = TakeFolderArgument(argc, argv, gFolder);
    // The repetitions of the three run in a shuffled order, so that a
    // machine whose load changes during the run slows them alike.
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    gArchive = gFolder + "/bench_save.zip";
    MakeArchive();
    std::printf("archive: %s, %d members, %lld bytes\n", gArchive.c_str(), kMembers,
                static_cast<long long>(TFileStream(gArchive, fmOpenRead).Size()));

    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    const double save = Median(collector.times["BM_AddFromStream"]);
    const double fresh = Median(collector.times["BM_AddFromStreamFresh"]);
    const double copy = Median(collector.times["BM_CopyAndFsync"]);
    std::printf("\nmedian AddFromStream %.1f ms, with a fresh writer %.1f ms, copy+fsync %.1f ms, "
                "ratios %.2f and %.2f\n",
                save, fresh, copy, copy > 0 ? save / copy : 0.0, copy > 0 ? fresh / copy : 0.0);
    ::unlink(gArchive.c_str());
    ::unlink((gFolder + "/bench_save_copy.tmp").c_str());
    benchmark::Shutdown();
    return 0;
}
