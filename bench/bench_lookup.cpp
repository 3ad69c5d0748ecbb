// Looking up absent members: find in files asks an archive for up to 2,317
// entry names per year, nearly all absent. This times 2,317 ExtractToStream
// calls for absent names against an archive of 9,000 members (each call
// opens the file, checks the cached directory, selects, closes), and, as the
// baseline in the same run, the same selection done the old way: the
// wildcard match of every member's path against each name.
//
//   bench_lookup
#include "zip/codec/crc32.h"
#include "zip/stream.h"
#include "zip/wildcard.h"
#include "zip/zip_reader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMembers = 9000;
constexpr int kQueries = 2317;

void Put16(std::string& s, unsigned v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, std::uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// Diary-like names: year\month\WeekN\day.rtf.
std::string EntryName(int year, int n) {
    int month = 1 + n % 12, week = 1 + (n / 12) % 5, day = 1 + n % 28;
    return std::to_string(year) + "/" + std::to_string(month) + "/Week" + std::to_string(week) +
           "/" + std::to_string(day) + "-" + std::to_string(n) + ".rtf";
}

struct Fixture {
    std::string path;
    std::vector<std::string> absent;
    std::vector<std::string> memberPaths; // as held in memory, for the baseline
    Fixture() {
        char name[] = "/tmp/dayscrib-bench-XXXXXX";
        int fd = mkstemp(name);
        close(fd);
        path = name;
        std::string out, central;
        const std::string data = "{\\rtf1 entry}";
        const std::uint32_t crc = Crc32Of(data.data(), data.size());
        for (int i = 0; i < kMembers; ++i) {
            std::string n = EntryName(1990 + i / 365, i % 365);
            std::string inMemory = n;
            for (char& c : inMemory)
                if (c == '/') c = '\\';
            memberPaths.push_back(inMemory);
            std::uint32_t offset = static_cast<std::uint32_t>(out.size());
            std::string fixed;
            Put16(fixed, 20);
            Put16(fixed, 0);
            Put16(fixed, 0);
            Put32(fixed, 0x5A210000u);
            Put32(fixed, crc);
            Put32(fixed, static_cast<std::uint32_t>(data.size()));
            Put32(fixed, static_cast<std::uint32_t>(data.size()));
            Put16(fixed, static_cast<unsigned>(n.size()));
            Put16(fixed, 0);
            Put32(out, 0x04034B50);
            out += fixed + n + data;
            Put32(central, 0x02014B50);
            Put16(central, 20);
            central += fixed;
            Put16(central, 0);
            Put16(central, 0);
            Put16(central, 0);
            Put32(central, 0x20);
            Put32(central, offset);
            central += n;
        }
        std::uint32_t start = static_cast<std::uint32_t>(out.size());
        out += central;
        Put32(out, 0x06054B50);
        Put32(out, 0);
        Put16(out, kMembers);
        Put16(out, kMembers);
        Put32(out, static_cast<std::uint32_t>(central.size()));
        Put32(out, start);
        Put16(out, 0);
        std::ofstream(path, std::ios::binary)
            .write(out.data(), static_cast<std::streamsize>(out.size()));
        for (int i = 0; i < kQueries; ++i) {
            std::string n = EntryName(2030, i);
            for (char& c : n)
                if (c == '/') c = '\\';
            absent.push_back(n);
        }
    }
    ~Fixture() { unlink(path.c_str()); }
};

Fixture& Data() {
    static Fixture f;
    return f;
}

void BM_ExtractAbsentByIndex(benchmark::State& state) {
    Fixture& f = Data();
    TZipReader reader;
    reader.DoProcessMessages = false;
    reader.SetZipName(f.path);
    int found = 0;
    for (auto _ : state) {
        for (const std::string& name : f.absent) {
            TMemoryStream out;
            found += reader.ExtractToStream(&out, name);
        }
    }
    if (found != 0 || reader.DirectoryReads() != 1) state.SkipWithError("unexpected result");
    state.SetItemsProcessed(state.iterations() * kQueries);
}

// The selection as a wildcard match of every member against each name.
void BM_MatchEveryMember(benchmark::State& state) {
    Fixture& f = Data();
    int found = 0;
    for (auto _ : state) {
        for (const std::string& name : f.absent)
            for (const std::string& member : f.memberPaths)
                found += IsMatch(name, member);
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * kQueries);
}

BENCHMARK(BM_ExtractAbsentByIndex)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchEveryMember)->Unit(benchmark::kMillisecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration)
                perCall[r.benchmark_name()] = r.GetAdjustedRealTime() /
                                              benchmark::GetTimeUnitMultiplier(r.time_unit) /
                                              kQueries;
    }
    std::map<std::string, double> perCall; // seconds per name
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Data();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    double ours = reporter.perCall["BM_ExtractAbsentByIndex"];
    double scan = reporter.perCall["BM_MatchEveryMember"];
    std::printf("\n%d absent names against %d members: %.2f us per ExtractToStream call; "
                "matching every member: %.2f us per name (selection alone)",
                kQueries, kMembers, ours * 1e6, scan * 1e6);
    if (ours > 0)
        std::printf("; ratio %.1fx\n", scan / ours);
    else
        std::printf("\n");
    benchmark::Shutdown();
    return 0;
}
