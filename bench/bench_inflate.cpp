// Inflate throughput: our decoder against zlib's, on the same raw deflate
// stream in one run. The data is real: headers under /usr/include (text)
// and shared libraries under /usr/lib (binary), about 30 MB of each,
// compressed once with zlib at level 6. Our side runs the full member path
// (16,000-byte input chunks, the sliding window, 16,000-byte output blocks,
// the size check and the CRC-32); zlib's raw mode computes no CRC, so a
// third row adds zlib's crc32 over its output for a like-for-like figure.
//
//   bench_inflate [--benchmark_min_time=2]
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/stream.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

void Gather(const std::string& root, std::size_t want, std::string& out, bool binary) {
    std::size_t start = out.size();
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(
             root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        std::string ext = it->path().extension().string();
        if (binary ? ext != ".so" && it->path().string().find(".so.") == std::string::npos
                   : ext != ".h")
            continue;
        files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    for (const auto& f : files) {
        if (out.size() - start >= want) break;
        std::ifstream in(f, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        out += bytes.substr(0, std::min(bytes.size(), want - (out.size() - start)));
    }
}

struct Corpus {
    std::string plain, deflated;
    Corpus() {
        Gather("/usr/include", 30u << 20, plain, false);
        Gather("/usr/lib", 30u << 20, plain, true);
        z_stream z{};
        if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw std::runtime_error("deflateInit2");
        deflated.resize(deflateBound(&z, plain.size()));
        z.next_in = reinterpret_cast<Bytef*>(plain.data());
        z.avail_in = static_cast<uInt>(plain.size());
        z.next_out = reinterpret_cast<Bytef*>(deflated.data());
        z.avail_out = static_cast<uInt>(deflated.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
        deflated.resize(z.total_out);
        deflateEnd(&z);
        std::printf("corpus: %.1f MB (text and binary), deflated to %.1f MB\n",
                    static_cast<double>(plain.size()) / 1e6,
                    static_cast<double>(deflated.size()) / 1e6);
    }
};

const Corpus& Data() {
    static const Corpus c;
    return c;
}

// An output stream that keeps only its position (what the size check reads).
class SinkStream : public TStream {
public:
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void*, std::int64_t count) override {
        pos_ += count;
        return count;
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        pos_ = origin == soBeginning ? offset : pos_ + offset;
        return pos_;
    }

private:
    std::int64_t pos_ = 0;
};

void BM_Ours(benchmark::State& state) {
    const Corpus& c = Data();
    TUnZipWork work;
    std::uint32_t expected = static_cast<std::uint32_t>(crc32(
        0, reinterpret_cast<const Bytef*>(c.plain.data()), static_cast<uInt>(c.plain.size())));
    for (auto _ : state) {
        TMemoryStream in(c.deflated);
        SinkStream out;
        work.StartMember(in, out, static_cast<std::int64_t>(c.deflated.size()),
                         static_cast<std::int64_t>(c.plain.size()));
        if (Inflate(work) != 0 || work.FinalCrc() != expected)
            state.SkipWithError("our inflate gave a wrong result");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.plain.size()));
}

void ZlibRun(benchmark::State& state, bool withCrc) {
    const Corpus& c = Data();
    std::vector<unsigned char> out(65536);
    for (auto _ : state) {
        z_stream z{};
        inflateInit2(&z, -15);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(c.deflated.data()));
        z.avail_in = static_cast<uInt>(c.deflated.size());
        uLong crc = 0;
        int r;
        do {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            r = inflate(&z, Z_NO_FLUSH);
            if (withCrc) crc = crc32(crc, out.data(), static_cast<uInt>(out.size() - z.avail_out));
        } while (r == Z_OK);
        if (r != Z_STREAM_END || z.total_out != c.plain.size()) state.SkipWithError("zlib failed");
        inflateEnd(&z);
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * c.plain.size()));
}

void BM_Zlib(benchmark::State& state) {
    ZlibRun(state, false);
}
void BM_ZlibWithCrc(benchmark::State& state) {
    ZlibRun(state, true);
}

BENCHMARK(BM_Ours)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Zlib)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibWithCrc)->Unit(benchmark::kMillisecond);

// Keeps each benchmark's throughput for the closing ratio lines.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            auto it = r.counters.find("bytes_per_second");
            if (it != r.counters.end() && r.run_type == Run::RT_Iteration)
                speed[r.benchmark_name()] = it->second.value;
        }
    }
    std::map<std::string, double> speed;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    Data();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto get = [&](const char* n) { return reporter.speed.count(n) ? reporter.speed[n] : 0.0; };
    double ours = get("BM_Ours"), zlib = get("BM_Zlib"), zlibCrc = get("BM_ZlibWithCrc");
    std::printf("\nours: %.1f MB/s   zlib: %.1f MB/s   zlib+crc32: %.1f MB/s\n", ours / 1e6,
                zlib / 1e6, zlibCrc / 1e6);
    if (zlib > 0 && zlibCrc > 0)
        std::printf("ratio ours/zlib: %.2f   ratio ours/(zlib+crc32): %.2f\n", ours / zlib,
                    ours / zlibCrc);
    benchmark::Shutdown();
    return 0;
}
