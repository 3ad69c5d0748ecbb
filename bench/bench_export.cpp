// Export of twenty years of a diary, to HTML and to PDF: File > Export over
// the 8,812 entries of the find-in-files bench diary (every day of 2001 to
// 2020 with every week's, month's and year's summary, 1-3 KB of RTF each,
// deflated at level 9).
//
// Measured, each a median of several passes:
//   HTML, PDF   ExportEntries as the export command runs it, summaries
//               included, from the archive to the written file, with the
//               progress the command shows (a callback here, counted), in
//               wall-clock and processor time
//   read        extracting and parsing every entry alone (the part both share)
// The target is under 10 seconds for each. Also given: the longest wait
// between two reports of progress (how long the window may look stuck), and
// a cancel asked for at the middle must end the export at once, leaving no
// file.
//
//   build/bench/bench_export [--folder=DIR] [--years=N] [google benchmark flags]
//
// --years exports only the last N years (default all twenty).
//
// DIR (default: a new folder under /tmp) receives the archive and the
// documents; it is removed at the end when the program made it. An archive
// an earlier run left in DIR is used again.
#include <benchmark/benchmark.h>

#include "app/entry_export.h"
#include "bench_archive.h"
#include "bench_diary.h"
#include "bench_support.h"
#include "zip/file_stream.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

std::string gFolder;
std::string gArchive;
int gYears = kDiaryLastYear - kDiaryFirstYear + 1; // the export's range: the last years
std::map<std::string, std::vector<double>> gTimes; // milliseconds per pass
int gEntries = 0;

void MakeArchive() {
    const std::vector<std::string> names = DiaryMemberNames();
    TProse prose(11);
    WriteBenchArchive(gArchive, static_cast<int>(names.size()), 9,
                      [&](int i, std::string& name, std::string& body) {
                          name = names[static_cast<std::size_t>(i)];
                          body = DiaryEntryRtf(prose, 1000 + prose.Rng()() % 2000);
                      });
}

TExportOptions Options(bool pdf) {
    TExportOptions o;
    o.From = QDate(kDiaryLastYear - gYears + 1, 1, 1);
    o.To = QDate(kDiaryLastYear, 12, 31);
    o.Summaries = true;
    o.Pdf = pdf;
    o.FileName = QString::fromStdString(gFolder + (pdf ? "/export.pdf" : "/export.html"));
    return o;
}

void RunExport(benchmark::State& state, bool pdf) {
    const char* name = pdf ? "PDF" : "HTML";
    for (auto _ : state) {
        int reports = 0, last = 0;
        double longestPause = 0;
        auto since = Clock::now();
        TExportProgress progress = [&](int done, int total) {
            ++reports;
            const auto now = Clock::now();
            longestPause = std::max(longestPause,
                                    std::chrono::duration<double, std::milli>(now - since).count());
            since = now;
            if (total != 2 * gEntries || done < last)
                throw std::runtime_error("the progress counts wrong");
            last = done;
            return true;
        };
        const auto t0 = Clock::now();
        const double c0 = CpuMs();
        const TExportSummary s =
            ExportEntries(Options(pdf), gArchive, TCurrentProfile{}, {}, progress);
        const double wall = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
        gTimes[name].push_back(wall);
        gTimes[std::string(name) + " cpu"].push_back(CpuMs() - c0);
        gTimes[std::string(name) + " pause"].push_back(longestPause);
        state.SetIterationTime(wall / 1000);
        if (s.Included != gEntries || last != 2 * gEntries)
            throw std::runtime_error(std::string(name) + " included " + std::to_string(s.Included) +
                                     " entries");
        state.counters["reports"] = reports;
    }
}

void BM_Html(benchmark::State& state) {
    RunExport(state, false);
}
void BM_Pdf(benchmark::State& state) {
    RunExport(state, true);
}

// A cancel halfway through the reading: the export stops there and writes
// nothing.
void BM_CancelAtHalf(benchmark::State& state) {
    for (auto _ : state) {
        const TExportOptions o = Options(true);
        std::filesystem::remove(o.FileName.toStdString());
        int after = 0;
        const auto t0 = Clock::now();
        const TExportSummary s =
            ExportEntries(o, gArchive, TCurrentProfile{}, {}, [&](int done, int total) {
                if (done >= total / 4) ++after;
                return done < total / 4;
            });
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - t0).count());
        if (!s.Canceled || after != 1 || std::filesystem::exists(o.FileName.toStdString()))
            throw std::runtime_error("a canceled export went on or left a file");
    }
}

BENCHMARK(BM_Html)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Pdf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CancelAtHalf)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = TakeFolderArgument(argc, argv, gFolder);
    std::string make, years;
    TakeArgument(args, "--make=", make);
    if (TakeArgument(args, "--years=", years))
        gYears = std::clamp(std::atoi(years.c_str()), 1, gYears);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    QApplication app(qargc, argv);
    if (!make.empty()) { // the child that makes the archive
        gArchive = make;
        MakeArchive();
        return 0;
    }
    bool madeFolder = false;
    if (gFolder.empty()) {
        char pattern[] = "/tmp/bench_export.XXXXXX";
        if (!::mkdtemp(pattern)) return std::perror("mkdtemp"), 1;
        gFolder = pattern;
        madeFolder = true;
    } else {
        std::error_code ignored;
        std::filesystem::create_directories(gFolder, ignored);
    }
    int rc = 0;
    try {
        gArchive = gFolder + "/Daybank.zip";
        if (!std::filesystem::exists(gArchive)) {
            // A child makes it, so that making it stays out of this process.
            const pid_t pid = ::fork();
            if (pid == 0) {
                ::execl(argv[0], argv[0], ("--make=" + gArchive).c_str(), nullptr);
                ::_exit(127);
            }
            int status = 0;
            if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
                WEXITSTATUS(status) != 0)
                throw std::runtime_error("making the archive failed");
        }
        for (const std::string& name : DiaryMemberNames())
            gEntries += std::atoi(name.c_str()) > kDiaryLastYear - gYears;
        std::printf("archive: %s, %d entries, %lld bytes\n", gArchive.c_str(), gEntries,
                    static_cast<long long>(TFileStream(gArchive, fmOpenRead).Size()));
        benchmark::RunSpecifiedBenchmarks();
        std::printf("\n%-28s %10s %10s %12s %12s\n", "median of the passes", "wall ms", "cpu ms",
                    "file bytes", "longest wait");
        for (const char* kind : {"HTML", "PDF"}) {
            if (gTimes[kind].empty()) continue;
            const std::string file =
                gFolder + (std::strcmp(kind, "PDF") == 0 ? "/export.pdf" : "/export.html");
            std::error_code ec;
            std::printf("%-28s %10.0f %10.0f %12lld %9.0f ms\n",
                        (std::string("export of twenty years, ") + kind).c_str(),
                        Median(gTimes[kind]), Median(gTimes[std::string(kind) + " cpu"]),
                        static_cast<long long>(std::filesystem::file_size(file, ec)),
                        Median(gTimes[std::string(kind) + " pause"]));
        }
        std::printf("(target: each under 10,000 ms)\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_export: %s\n", e.what());
        rc = 1;
    }
    if (madeFolder) std::filesystem::remove_all(gFolder);
    benchmark::Shutdown();
    return rc;
}
