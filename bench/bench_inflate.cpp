// Inflate throughput: our decoder against libdeflate's and zlib's, on the
// same raw deflate data in one process.
//
// Three kinds of data, each as one large stream and as many small members of
// 2 to 20 KB:
//   text    headers under /usr/include (zlib level 6)
//   binary  shared libraries under /usr/lib (zlib level 6)
//   rtf     diary entries written by the editor's own RTF writer, deflated
//           by our encoder at level 9 as the diary stores them; the small
//           members are the entries themselves, the large stream all of them
//           one after the other
//
// Our side runs the whole member path the reader uses: input in 16,000-byte
// chunks from a stream, the window, the output handed on in blocks of
// 16,000 bytes into a buffer, the size check and the CRC-32. libdeflate
// decompresses a whole buffer into a whole buffer and computes no CRC; the
// row "libdeflate+crc" adds its CRC-32 over the output, which is what a zip
// reader built on it must also do. zlib's raw inflate likewise, plus crc32.
//
// Every pass decodes one whole data set once. The passes of all decoders
// and data sets run in a shuffled order (interleaved), and each figure is
// the median of the passes by processor time (the fair measure on a shared
// machine; the wall-clock median is printed beside it).
//
//   build/bench/bench_inflate [--repetitions=N] [--mb=N] [google benchmark flags]
//
// --mb is the size of each large stream (default 24), the small members of
// text and binary come to a third of it; the rtf data is 2,500 entries.
#include "zip/codec/crc32.h"
#include "zip/codec/deflate_string_io.h"
#include "zip/codec/inflate.h"
#include "zip/codec/unzip_work.h"
#include "zip/stream.h"

#include "bench_support.h"

#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#ifdef DAYSCRIB_BENCH_RTF
#include "bench_diary.h"
#include <QGuiApplication>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string Gather(const std::string& root, std::size_t want, bool binary) {
    std::string out;
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
        if (out.size() >= want) break;
        std::ifstream in(f, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        out += bytes.substr(0, std::min(bytes.size(), want - out.size()));
    }
    return out;
}

std::string ZlibDeflate(const std::string& plain) {
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2");
    std::string out(deflateBound(&z, plain.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
    z.avail_in = static_cast<uInt>(plain.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string OurDeflate(const std::string& plain) {
    static TDeflater deflater;
    TStringDeflateIO io(plain);
    std::uint16_t flags = 0, method = 8, attributes = 2;
    deflater.Deflate(io, 9, flags, method, attributes);
    if (method != 8) throw std::runtime_error("a member came out stored");
    return io.Output;
}

struct TMember {
    std::string deflated;
    std::size_t size = 0;
    std::uint32_t crc = 0;
};

struct TDataSet {
    std::string name;
    std::vector<TMember> members;
    std::size_t plainBytes = 0, largest = 0;
    void Add(const std::string& plain, bool ours) {
        members.push_back({ours ? OurDeflate(plain) : ZlibDeflate(plain), plain.size(),
                           Crc32Of(plain.data(), plain.size())});
        plainBytes += plain.size();
        largest = std::max(largest, plain.size());
    }
};

std::vector<TDataSet> gSets;

// Cuts `plain` into members of 2 to 20 KB, up to `total` bytes.
void AddSmall(TDataSet& set, const std::string& plain, std::size_t total) {
    std::mt19937 rng(7);
    for (std::size_t at = 0; at < plain.size() && set.plainBytes < total;) {
        const std::size_t n = std::min<std::size_t>(2048 + rng() % (18 * 1024), plain.size() - at);
        set.Add(plain.substr(at, n), false);
        at += n;
    }
}

void MakeData(std::size_t mb) {
    for (bool binary : {false, true}) {
        const std::string kind = binary ? "binary" : "text";
        const std::string plain = Gather(binary ? "/usr/lib" : "/usr/include", mb << 20, binary);
        TDataSet large{kind + " large", {}, 0, 0};
        large.Add(plain, false);
        TDataSet small{kind + " 2-20 KB", {}, 0, 0};
        AddSmall(small, plain, (mb << 20) / 3);
        gSets.push_back(std::move(large));
        gSets.push_back(std::move(small));
    }
#ifdef DAYSCRIB_BENCH_RTF
    TProse prose(11);
    TDataSet small{"rtf entries", {}, 0, 0};
    std::string all;
    for (int i = 0; i < 2500; ++i) {
        const std::string entry = DiaryEntryRtf(prose, 1000 + prose.Rng()() % 2000);
        small.Add(entry, true);
        all += entry;
    }
    TDataSet large{"rtf large", {}, 0, 0};
    large.Add(all, true);
    gSets.push_back(std::move(large));
    gSets.push_back(std::move(small));
#endif
}

// An output stream that writes into one buffer, as extraction to memory does.
class TBufferOut : public TStream {
public:
    explicit TBufferOut(std::size_t capacity) : bytes_(capacity) {}
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void* data, std::int64_t count) override {
        std::memcpy(bytes_.data() + pos_, data, static_cast<std::size_t>(count));
        pos_ += count;
        return count;
    }
    std::int64_t Seek(std::int64_t offset, int origin) override {
        pos_ = origin == soBeginning ? offset : pos_ + offset;
        return pos_;
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }

private:
    std::vector<std::uint8_t> bytes_;
    std::int64_t pos_ = 0;
};

void Ours(benchmark::State& state, const TDataSet& set) {
    TUnZipWork work;
    TBufferOut out(set.largest);
    // The input streams are made once, as libdeflate's input is: a reader
    // reads a member where it lies, it does not copy it into a new stream.
    std::vector<TMemoryStream> inputs;
    inputs.reserve(set.members.size());
    for (const TMember& m : set.members)
        inputs.emplace_back(m.deflated);
    for (auto _ : state) {
        for (std::size_t i = 0; i < set.members.size(); ++i) {
            const TMember& m = set.members[i];
            TMemoryStream& in = inputs[i];
            in.Seek(0, soBeginning);
            out.Seek(0, soBeginning);
            work.StartMember(in, out, static_cast<std::int64_t>(m.deflated.size()),
                             static_cast<std::int64_t>(m.size));
            if (Inflate(work) != 0 || work.FinalCrc() != m.crc)
                state.SkipWithError("our inflate gave a wrong result");
        }
    }
}

void Libdeflate(benchmark::State& state, const TDataSet& set, bool withCrc) {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::vector<std::uint8_t> out(set.largest);
    for (auto _ : state) {
        for (const TMember& m : set.members) {
            std::size_t got = 0;
            if (libdeflate_deflate_decompress(d, m.deflated.data(), m.deflated.size(), out.data(),
                                              m.size, &got) != LIBDEFLATE_SUCCESS ||
                got != m.size)
                state.SkipWithError("libdeflate failed");
            if (withCrc && libdeflate_crc32(0, out.data(), got) != m.crc)
                state.SkipWithError("libdeflate's output has the wrong CRC");
            benchmark::DoNotOptimize(out.data());
        }
    }
    libdeflate_free_decompressor(d);
}

void Zlib(benchmark::State& state, const TDataSet& set) {
    std::vector<std::uint8_t> out(set.largest);
    z_stream z{};
    inflateInit2(&z, -15);
    for (auto _ : state) {
        for (const TMember& m : set.members) {
            inflateReset(&z);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(m.deflated.data()));
            z.avail_in = static_cast<uInt>(m.deflated.size());
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            if (inflate(&z, Z_FINISH) != Z_STREAM_END ||
                crc32(0, out.data(), static_cast<uInt>(m.size)) != m.crc)
                state.SkipWithError("zlib failed");
        }
    }
    inflateEnd(&z);
}

const char* const kDecoders[] = {"ours", "libdeflate", "libdeflate+crc", "zlib+crc"};

struct TTimes {
    std::vector<double> cpu, wall;
};

class TCollector : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration) continue;
            TTimes& t = times[run.run_name.function_name];
            t.cpu.push_back(run.GetAdjustedCPUTime());
            t.wall.push_back(run.GetAdjustedRealTime());
        }
        // Only the aggregates on the console: the passes are summed up below.
        std::vector<Run> aggregates;
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                aggregates.push_back(run);
        ConsoleReporter::ReportRuns(aggregates);
    }
    std::map<std::string, TTimes> times;
};

} // namespace

int main(int argc, char** argv) {
    std::size_t mb = 24;
    int repetitions = 9;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--mb=", 5) == 0)
            mb = std::stoul(argv[i] + 5);
        else if (std::strncmp(argv[i], "--repetitions=", 14) == 0)
            repetitions = std::stoi(argv[i] + 14);
        else
            args.push_back(argv[i]);
    }
    char interleave[] = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave);
#ifdef DAYSCRIB_BENCH_RTF
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    QGuiApplication app(qargc, argv);
#endif
    MakeData(mb);
    for (const TDataSet& set : gSets) {
        std::printf("%-14s %5zu member(s), %6.1f MB, deflated to %5.1f MB\n", set.name.c_str(),
                    set.members.size(), static_cast<double>(set.plainBytes) / 1e6, [&] {
                        double n = 0;
                        for (const TMember& m : set.members)
                            n += static_cast<double>(m.deflated.size());
                        return n / 1e6;
                    }());
        for (const char* decoder : kDecoders) {
            const std::string name = set.name + "/" + decoder;
            const std::string which = decoder;
            auto* b =
                benchmark::RegisterBenchmark(name.c_str(), [&set, which](benchmark::State& state) {
                    if (which == "ours")
                        Ours(state, set);
                    else if (which == "zlib+crc")
                        Zlib(state, set);
                    else
                        Libdeflate(state, set, which == "libdeflate+crc");
                    state.SetBytesProcessed(
                        static_cast<std::int64_t>(state.iterations() * set.plainBytes));
                });
            b->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(repetitions);
        }
    }
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    TCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);

    std::printf("\nMB/s, medians of %d interleaved passes by processor time (wall in brackets)\n",
                repetitions);
    std::printf("%-14s %16s %16s %16s %16s %8s %8s\n", "data", "ours", "libdeflate",
                "libdeflate+crc", "zlib+crc", "/ldf", "/ldf+crc");
    for (const TDataSet& set : gSets) {
        double cpu[4] = {}, wall[4] = {};
        for (int i = 0; i < 4; ++i) {
            const TTimes& t = collector.times[set.name + "/" + kDecoders[i]];
            const double mbytes = static_cast<double>(set.plainBytes) / 1e6;
            cpu[i] = t.cpu.empty() ? 0 : mbytes / (Median(t.cpu) / 1000);
            wall[i] = t.wall.empty() ? 0 : mbytes / (Median(t.wall) / 1000);
        }
        std::printf("%-14s", set.name.c_str());
        for (int i = 0; i < 4; ++i)
            std::printf(" %7.0f (%6.0f)", cpu[i], wall[i]);
        std::printf(" %8.2f %8.2f\n", cpu[1] > 0 ? cpu[0] / cpu[1] : 0,
                    cpu[2] > 0 ? cpu[0] / cpu[2] : 0);
    }
    std::printf("(target: ours / libdeflate at least 1.00 on every row)\n");
    benchmark::Shutdown();
    return 0;
}
