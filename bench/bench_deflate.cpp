// Deflate throughput of our encoder against zlib (raw deflate, the same
// levels) on real files: headers under /usr/include (text) and libraries
// under /usr/lib (binary), 30 MB of each by default.
//
//   build/bench/bench_deflate [--corpus-mb=N] [--levels=1,6,9] [--repetitions=N]
//                             [google benchmark flags]
//
// Every level from 1 to 9 runs unless --levels names some. After the runs a
// table gives MB/s of both, our speed as a share of zlib's and both
// compressed sizes. Each figure is the median of the passes (five by
// default, --repetitions=N), ours and zlib's run in a shuffled order so that
// a machine whose load changes slows both alike; by processor time (the
// fair measure on a shared machine) and by wall time.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench_support.h"
#include "zip/codec/deflate_string_io.h"

namespace {

std::string gCorpus;

void AppendFiles(const std::string& root, std::size_t budget, std::string& out) {
    std::vector<std::string> paths;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             root, std::filesystem::directory_options::skip_permission_denied, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (it->is_regular_file(ec) && !it->is_symlink(ec)) paths.push_back(it->path().string());
    }
    std::sort(paths.begin(), paths.end());
    std::size_t start = out.size();
    for (const std::string& path : paths) {
        if (out.size() - start >= budget) break;
        std::ifstream in(path, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        out += bytes.substr(0, budget - (out.size() - start));
    }
}

std::size_t OurDeflate(TDeflater& deflater, int level) {
    TStringDeflateIO io(gCorpus);
    io.Sink = [](const std::uint8_t* buffer, unsigned) { benchmark::DoNotOptimize(buffer); };
    std::uint16_t flags = 0, method = 8, attributes = 2;
    std::uint32_t size = deflater.Deflate(io, level, flags, method, attributes);
    if (size != io.Written())
        throw std::runtime_error("returned size differs from the bytes written");
    return size;
}

std::size_t ZlibDeflate(int level) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    static unsigned char out[1 << 16];
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gCorpus.data()));
    z.avail_in = static_cast<uInt>(gCorpus.size());
    int rc;
    do {
        z.next_out = out;
        z.avail_out = sizeof out;
        rc = deflate(&z, Z_FINISH);
        benchmark::DoNotOptimize(out);
    } while (rc == Z_OK);
    std::size_t size = z.total_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("zlib deflate failed");
    return size;
}

void BM_Ours(benchmark::State& state) {
    TDeflater deflater;
    std::size_t size = 0;
    for (auto _ : state)
        size = OurDeflate(deflater, static_cast<int>(state.range(0)));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gCorpus.size()));
    state.counters["compressed"] = static_cast<double>(size);
}

void BM_Zlib(benchmark::State& state) {
    std::size_t size = 0;
    for (auto _ : state)
        size = ZlibDeflate(static_cast<int>(state.range(0)));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * gCorpus.size()));
    state.counters["compressed"] = static_cast<double>(size);
}

struct TResult {
    std::vector<double> cpu, real; // seconds per pass
    double compressed = 0;
};

// Keeps every pass of every benchmark for the summary.
class TCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            TResult& r = results[run.run_name.str()];
            r.cpu.push_back(run.GetAdjustedCPUTime() / 1000.0);
            r.real.push_back(run.GetAdjustedRealTime() / 1000.0);
            auto it = run.counters.find("compressed");
            if (it != run.counters.end()) r.compressed = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, TResult> results;
};

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = 30;
    int repetitions = 5;
    std::vector<int> levels = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--repetitions=", 14) == 0) {
            repetitions = std::stoi(argv[i] + 14);
        } else if (std::strncmp(argv[i], "--corpus-mb=", 12) == 0) {
            mb = std::stoul(argv[i] + 12);
        } else if (std::strncmp(argv[i], "--levels=", 9) == 0) {
            levels.clear();
            for (const char* p = argv[i] + 9; *p; ++p)
                if (*p >= '1' && *p <= '9') levels.push_back(*p - '0');
        } else {
            args.push_back(argv[i]);
        }
    }
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
    for (int level : levels) {
        benchmark::RegisterBenchmark("BM_Ours", BM_Ours)
            ->Arg(level)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(repetitions);
        benchmark::RegisterBenchmark("BM_Zlib", BM_Zlib)
            ->Arg(level)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->Repetitions(repetitions);
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    AppendFiles("/usr/include", mb << 20, gCorpus);
    AppendFiles("/usr/lib", mb << 20, gCorpus);
    std::printf("corpus: %zu bytes (/usr/include text, then /usr/lib binaries)\n", gCorpus.size());

    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    const double mbytes = static_cast<double>(gCorpus.size()) / 1e6;
    std::printf("\nlevel  ours MB/s  zlib MB/s  ours/zlib  (wall: ours  zlib  ratio)  ours bytes  "
                "zlib bytes  size ratio\n");
    for (int level : levels) {
        const std::string suffix =
            "/" + std::to_string(level) + "/iterations:1/repeats:" + std::to_string(repetitions);
        auto ours = collector.results.find("BM_Ours" + suffix);
        auto zlib = collector.results.find("BM_Zlib" + suffix);
        if (ours == collector.results.end() || zlib == collector.results.end()) continue;
        const TResult& o = ours->second;
        const TResult& z = zlib->second;
        const double oc = Median(o.cpu), zc = Median(z.cpu), orl = Median(o.real),
                     zr = Median(z.real);
        std::printf("%5d  %9.1f  %9.1f  %9.2f  (%10.1f  %4.1f  %5.2f)  %10.0f  %10.0f  %10.4f\n",
                    level, mbytes / oc, mbytes / zc, zc / oc, mbytes / orl, mbytes / zr, zr / orl,
                    o.compressed, z.compressed, o.compressed / z.compressed);
    }
    benchmark::Shutdown();
    return 0;
}
