// Find in files over twenty years of a diary.
//
// The archive holds every day of 2001 to 2020 (7,305 day entries of 1-3 KB
// of RTF made by the editor's own RTF writer, a few words bold or italic),
// a summary for every week node, every month and every year, deflated at
// level 9. One entry in a hundred holds the searched word, some of them with
// the word split by formatting; the search must find exactly those.
//
// Measured in one run, each a median of several passes:
//   Dialog   the whole search as the user waits for it: "Find in Files" with
//            every box checked, Start pressed until the handler returns (the
//            progress bar moving, pending events let through as in the
//            program, the results listed).
//   Walk     the widget-free walk and match alone, over the engine's reader.
//   Protected  the dialog's search over two copies of the diary whose every
//            entry is protected by one password, the search's default
//            password: one with the traditional cipher, one with AES-256.
//            An AES entry's keys cost 1000 rounds of PBKDF2 and every entry
//            has its own salt, so the first AES search of a run derives
//            8,812 keys (on every processor, ahead of the walk); a search
//            again in the same run finds them kept. The AES walk on one
//            processor without keys derived ahead shows what that saves.
//   Extract  every member extracted once by name with our reader (the
//            archive kept open, no events let through), nothing parsed.
//   unzip    `unzip -p` of the whole archive to /dev/null (Info-ZIP).
//   Statistics  View > "Statistics..." over the same diary as the user waits
//            for it: every member's words counted, the runs found, and the
//            window built and shown (its year's calendar painted).
// Each is given in wall-clock and processor time: on a shared machine the
// wall clock also counts the time other programs held the processor.
// Also: the RTF-to-text and match step alone over every member's bytes, the
// cost of the 2,317 names a year that are no member, and peak memory (the
// archive is made by a child process, so making it is not counted; the
// search runs first, so the peak read after it is the search's).
//
//   build/bench/bench_find_in_files [--folder=DIR] [google benchmark flags]
//
// DIR (default: a new folder under /tmp) receives the archive; it is removed
// at the end when the program made it. An archive an earlier run left in DIR
// is used again.
#include <benchmark/benchmark.h>

#include "bench_archive.h"
#include "bench_diary.h"
#include "bench_support.h"
#include "search/find_in_files_dlg.h"
#include "search/find_text.h"
#include "search/find_walk.h"
#include "stats/diary_stats.h"
#include "stats/stats_dialog.h"
#include "store/entry_key.h"
#include "ui/prompts.h"
#include "zip/aes_key_cache.h"
#include "zip/hooks.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

const QString kWord = QStringLiteral("zebracorn");

std::string gFolder;
std::string gArchive;
std::vector<std::string> gYears;
std::vector<std::string> gMembers;                 // every member, in archive order
std::set<std::string> gPlanted;                    // result lines the search must give
std::map<std::string, std::vector<double>> gTimes; // milliseconds per pass

// One pass: wall and processor time.
struct TPass {
    const char* Name;
    Clock::time_point Wall = Clock::now();
    double Cpu = CpuMs();
    double Done(benchmark::State& state) {
        const double wall = Ms(Wall, Clock::now()), cpu = CpuMs() - Cpu;
        state.SetIterationTime(wall / 1000);
        gTimes[Name].push_back(wall);
        gTimes[std::string(Name) + " cpu"].push_back(cpu);
        return wall;
    }
};

// ---- the archive ----

// The same diary with every entry protected by one password, the
// traditional way and with AES-256: a search with that default password
// reads them all.
const std::string kPassword = "a diary password";
std::string TraditionalArchive() {
    return gFolder + "/Traditional.zip";
}
std::string AesArchive() {
    return gFolder + "/Aes256.zip";
}

// Writes the archives, and beside the first the result lines the search
// must give. One entry in a hundred holds the searched word, a third of
// them split by formatting.
std::uint64_t MakeArchive() {
    const std::vector<std::string> names = DiaryMemberNames();
    TProse prose(11);
    std::string planted;
    std::vector<std::string> bodies(names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        const bool plant = prose.Rng()() % 100 == 0;
        const bool split = prose.Rng()() % 3 == 0;
        const std::size_t size = 1000 + prose.Rng()() % 2000;
        bodies[i] = DiaryEntryRtf(prose, size, plant ? kWord : QString(), split);
        if (plant) planted += ResultLine(names[i]) + "\n";
    }
    const auto member = [&](int i, std::string& name, std::string& body) {
        name = names[static_cast<std::size_t>(i)];
        body = bodies[static_cast<std::size_t>(i)];
    };
    const int count = static_cast<int>(names.size());
    const std::uint64_t bytes = WriteBenchArchive(gArchive, count, 9, member);
    WriteBenchArchive(TraditionalArchive(), count, 9, member, zcTraditional, kPassword);
    WriteBenchArchive(AesArchive(), count, 9, member, zcAes256, kPassword);
    TFileStream list(gArchive + ".planted", fmCreate);
    list.WriteBuffer(planted.data(), static_cast<std::int64_t>(planted.size()));
    list.Commit();
    return bytes;
}

// Runs `argv` and waits for it; its processor time goes to `cpuMs`. (Its
// peak memory is not reported: a child made by fork carries this process's
// pages into its count until it runs the program.)
int Run(const std::vector<std::string>& argv, const std::string& output, double& cpuMs) {
    const pid_t pid = ::fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        if (!output.empty()) {
            const int fd = ::open(output.c_str(), O_WRONLY);
            if (fd < 0 || ::dup2(fd, 1) < 0) ::_exit(127);
        }
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    if (::wait4(pid, &status, 0, &usage) != pid) throw std::runtime_error("wait4 failed");
    cpuMs = (static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6 +
             static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec)) /
            1000;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The archive is made by a child process, so that what making it takes
// stays out of this process's peak memory.
void LoadArchive(const char* self) {
    double cpu = 0;
    const auto t0 = Clock::now();
    if (!(std::filesystem::exists(gArchive + ".planted") &&
          std::filesystem::exists(AesArchive())) &&
        Run({self, "--make=" + gArchive}, {}, cpu) != 0)
        throw std::runtime_error("making the archive failed");
    const double seconds = Ms(t0, Clock::now()) / 1000;
    TZipReader reader;
    reader.SetZipName(gArchive);
    reader.OpenArchive();
    std::uint64_t rtfBytes = 0;
    for (int i = 0; i < reader.Count(); ++i) {
        gMembers.push_back(reader.Member(i).Directory() + reader.Member(i).FileName());
        rtfBytes += static_cast<std::uint32_t>(reader.Member(i).UncompressedSize);
    }
    reader.CloseArchive();
    for (int y = kDiaryFirstYear; y <= kDiaryLastYear; ++y)
        gYears.push_back(std::to_string(y));
    TFileStream list(gArchive + ".planted", fmOpenRead);
    std::string planted(static_cast<std::size_t>(list.Size()), '\0');
    list.ReadBuffer(planted.data(), list.Size());
    for (std::size_t at = 0, end; (end = planted.find('\n', at)) != std::string::npos; at = end + 1)
        gPlanted.insert(planted.substr(at, end - at));
    std::printf("archive: %s\n  %zu members, %llu bytes of RTF, %lld bytes zipped, %zu "
                "entries hold the word, made in %.1f s\n",
                gArchive.c_str(), gMembers.size(), static_cast<unsigned long long>(rtfBytes),
                static_cast<long long>(TFileStream(gArchive, fmOpenRead).Size()), gPlanted.size(),
                seconds);
}

// ---- our side ----

TFindOptions EveryBox() {
    TFindOptions o;
    o.Text = kWord;
    o.Daily = o.Weekly = o.Monthly = o.Yearly = true;
    return o;
}

void CheckResults(const std::vector<std::string>& lines, const char* who) {
    if (std::set<std::string>(lines.begin(), lines.end()) != gPlanted ||
        lines.size() != gPlanted.size())
        throw std::runtime_error(std::string(who) + " found " + std::to_string(lines.size()) +
                                 " entries, " + std::to_string(gPlanted.size()) + " planted");
}

TFindDlg* gDlg = nullptr;
long gPeakAfterSearchKb = 0;
long PeakKb();

void BM_Dialog(benchmark::State& state) {
    for (auto _ : state) {
        TPass pass{"Dialog"};
        gDlg->StartBtnClick();
        pass.Done(state);
        CheckResults(gDlg->ResultLines(), "the dialog");
    }
    gPeakAfterSearchKb = PeakKb(); // the search runs first: nothing else has run yet
}

// The dialog's search over a protected copy of the diary, its default
// password the one that opens every entry.
void SearchProtected(benchmark::State& state, const char* name, const std::string& archive,
                     bool keysKept) {
    gDlg->ArchiveFile = archive;
    gDlg->DefaultPassword = kPassword;
    for (auto _ : state) {
        if (!keysKept) TAesKeyCache::Instance().Clear();
        TPass pass{name};
        gDlg->StartBtnClick();
        pass.Done(state);
        CheckResults(gDlg->ResultLines(), name);
    }
    gDlg->ArchiveFile = gArchive;
    gDlg->DefaultPassword.clear();
}

void BM_DialogTraditional(benchmark::State& state) {
    SearchProtected(state, "DialogTraditional", TraditionalArchive(), true);
}
// Every AES entry's keys derived during the search: its first in a run.
void BM_DialogAesFirst(benchmark::State& state) {
    SearchProtected(state, "DialogAesFirst", AesArchive(), false);
}
// Again in the same run: the keys are kept.
void BM_DialogAesAgain(benchmark::State& state) {
    SearchProtected(state, "DialogAesAgain", AesArchive(), true);
}

// Our reader at its quickest for many members: the archive kept open, no
// events let through while it reads (the dialog lets them through itself).
void Quick(TZipReader& reader) {
    reader.SetZipName(gArchive);
    reader.KeepZipOpen = true;
    reader.DoProcessMessages = false;
}

TMemberReader ReaderOf(TZipReader& reader) {
    auto stream = std::make_shared<TMemoryStream>();
    return [&reader, stream](const std::string& path, std::string_view& bytes) {
        stream->Clear();
        if (reader.ExtractToStream(stream.get(), path) != 1) return false;
        bytes = std::string_view(reinterpret_cast<const char*>(stream->Bytes().data()),
                                 stream->Bytes().size());
        return true;
    };
}

void BM_Walk(benchmark::State& state) {
    TZipReader reader;
    Quick(reader);
    const TMemberReader read = ReaderOf(reader);
    const TFindOptions options = EveryBox();
    for (auto _ : state) {
        TPass pass{"Walk"};
        const TFindResult r = FindInFiles(gYears, options, read);
        pass.Done(state);
        CheckResults(r.Lines, "the walk");
    }
}

// The walk over the AES copy with no keys derived ahead: one derivation
// after another on one processor, as a reader without the prefetch works.
void BM_WalkAesOneProcessor(benchmark::State& state) {
    TZipReader reader;
    Quick(reader);
    reader.SetZipName(AesArchive());
    reader.ZipPassword = kPassword;
    const TMemberReader read = ReaderOf(reader);
    for (auto _ : state) {
        TAesKeyCache::Instance().Clear();
        TPass pass{"WalkAesOneProcessor"};
        const TFindResult r = FindInFiles(gYears, EveryBox(), read);
        pass.Done(state);
        CheckResults(r.Lines, "the AES walk");
    }
}

void BM_ExtractAll(benchmark::State& state) {
    TZipReader reader;
    Quick(reader);
    const TMemberReader read = ReaderOf(reader);
    std::string_view bytes;
    for (auto _ : state) {
        std::size_t total = 0;
        TPass pass{"Extract"};
        for (const std::string& name : gMembers) {
            if (!read(name, bytes)) throw std::runtime_error("cannot extract " + name);
            total += bytes.size();
        }
        pass.Done(state);
        benchmark::DoNotOptimize(total);
    }
}

// The text-and-match step alone, over bytes already in memory.
void BM_TextAndMatch(benchmark::State& state) {
    TZipReader reader;
    Quick(reader);
    std::vector<std::string> all;
    const TMemberReader read = ReaderOf(reader);
    for (const std::string& name : gMembers) {
        std::string_view bytes;
        if (!read(name, bytes)) throw std::runtime_error("cannot extract " + name);
        all.emplace_back(bytes);
    }
    for (auto _ : state) {
        std::size_t found = 0;
        TPass pass{"TextAndMatch"};
        const TWordFinder finder(kWord);
        for (const std::string& bytes : all)
            found += finder.Find(EntryText(bytes)) >= 0;
        pass.Done(state);
        if (found != gPlanted.size()) throw std::runtime_error("text and match disagree");
    }
}

// The names that are no member: the whole walk's names asked of the reader,
// minus the members themselves.
void BM_AbsentNames(benchmark::State& state) {
    TZipReader reader;
    Quick(reader);
    const std::set<std::string> members(gMembers.begin(), gMembers.end());
    int asked = 0;
    const TMemberReader read = [&](const std::string& path, std::string_view&) {
        if (members.count(path)) return false;
        ++asked;
        TMemoryStream stream;
        if (reader.ExtractToStream(&stream, path) != 0)
            throw std::runtime_error("an absent name was found");
        return false;
    };
    for (auto _ : state) {
        asked = 0;
        TPass pass{"AbsentNames"};
        FindInFiles(gYears, EveryBox(), read);
        pass.Done(state);
        state.counters["names"] = asked;
    }
}

// The statistics window over twenty years, computed and shown.
void BM_Statistics(benchmark::State& state) {
    const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
    for (auto _ : state) {
        TPass pass{"Statistics"};
        TStatisticsDlg dlg(ComputeDiaryStats(gArchive, "", today), kDiaryLastYear);
        dlg.show();
        QCoreApplication::processEvents();
        pass.Done(state);
        if (dlg.Stats().Total.Entries != 7305)
            throw std::runtime_error("the statistics counted " +
                                     std::to_string(dlg.Stats().Total.Entries) + " day entries");
    }
}

// ---- the peer ----

double gUnzipCpuMs = 0;

void BM_Unzip(benchmark::State& state) {
    for (auto _ : state) {
        const auto t0 = Clock::now();
        const int rc = Run({"unzip", "-p", "-qq", gArchive}, "/dev/null", gUnzipCpuMs);
        const auto t1 = Clock::now();
        if (rc != 0) throw std::runtime_error("unzip -p failed (is the unzip package installed?)");
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["unzip"].push_back(Ms(t0, t1));
        gTimes["unzip cpu"].push_back(gUnzipCpuMs);
    }
}

BENCHMARK(BM_Dialog)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_DialogTraditional)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_DialogAesFirst)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DialogAesAgain)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_WalkAesOneProcessor)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Walk)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_ExtractAll)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_TextAndMatch)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_AbsentNames)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_Statistics)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_Unzip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(7);

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = TakeFolderArgument(argc, argv, gFolder);
    std::string make;
    TakeArgument(args, "--make=", make);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;

    bool madeFolder = false;
    if (gFolder.empty()) {
        char pattern[] = "/tmp/bench_find_in_files.XXXXXX";
        if (!::mkdtemp(pattern)) return std::perror("mkdtemp"), 1;
        gFolder = pattern;
        madeFolder = true;
    } else if (make.empty()) {
        std::error_code ignored; // a folder that cannot be made fails when the archive is written
        std::filesystem::create_directories(gFolder, ignored);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    QApplication app(qargc, argv);
    if (!make.empty()) { // the child that makes the archive
        gArchive = make;
        gFolder = std::filesystem::path(make).parent_path().string();
        try {
            MakeArchive();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_find_in_files: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    // As the program does: the engine lets paint events through while it reads.
    EngineHooks().ProcessMessages = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };

    int rc = 0;
    try {
        gArchive = gFolder + "/Daybank.zip";
        LoadArchive(argv[0]);

        TScriptedPrompts prompts;
        TYearList years;
        for (const std::string& y : gYears)
            years.Add(y);
        TFindDlg dlg(prompts);
        gDlg = &dlg;
        dlg.YearList = &years;
        dlg.ArchiveFile = gArchive;
        dlg.TextEdit->setText(kWord);
        for (QCheckBox* box : {dlg.DailyCBox, dlg.WeeklyCBox, dlg.MonthlyCBox, dlg.YearlyCBox})
            box->setChecked(true);
        dlg.show();
        QCoreApplication::processEvents();
        const long peakBefore = PeakKb();

        benchmark::RunSpecifiedBenchmarks();

        if (!prompts.Asked.empty())
            throw std::runtime_error("the dialog reported: " +
                                     prompts.Messages().join(" | ").toStdString());
        std::printf("\nnames tried by a search: %d a year, %zu members read\n",
                    1 + 12 * (1 + 6 * (1 + 31)), gMembers.size());
        std::printf("%-28s %10s %10s\n", "median of the passes", "wall ms", "cpu ms");
        const std::pair<const char*, const char*> rows[] = {
            {"Dialog", "whole search (dialog)"},
            {"Walk", "  the walk alone"},
            {"TextAndMatch", "  RTF to text and match"},
            {"AbsentNames", "  names that are no member"},
            {"DialogTraditional", "search, traditional cipher"},
            {"DialogAesFirst", "search, AES-256, first"},
            {"DialogAesAgain", "search, AES-256, again"},
            {"WalkAesOneProcessor", "  AES walk, one processor"},
            {"Extract", "extract every member"},
            {"Statistics", "Statistics window"},
            {"unzip", "unzip -p of the archive"}};
        for (const auto& [key, label] : rows)
            if (!gTimes[key].empty())
                std::printf("%-28s %10.1f %10.1f\n", label, Median(gTimes[key]),
                            Median(gTimes[std::string(key) + " cpu"]));
        auto ratio = [](const char* what, const char* a, const char* b) {
            if (gTimes[a].empty() || gTimes[b].empty()) return;
            std::printf("%-28s %10.2f %10.2f\n", what, Median(gTimes[a]) / Median(gTimes[b]),
                        Median(gTimes[std::string(a) + " cpu"]) /
                            Median(gTimes[std::string(b) + " cpu"]));
        };
        ratio("search / extract-all", "Dialog", "Extract");
        ratio("walk / extract-all", "Walk", "Extract");
        ratio("search / unzip -p", "Dialog", "unzip");
        ratio("extract-all / unzip -p", "Extract", "unzip");
        ratio("statistics / search", "Statistics", "Dialog");
        ratio("statistics / unzip -p", "Statistics", "unzip");
        ratio("AES first / traditional", "DialogAesFirst", "DialogTraditional");
        ratio("AES again / traditional", "DialogAesAgain", "DialogTraditional");
        std::printf("(target: search at most 1.5 times extract-all; statistics under 1 s; AES "
                    "search under 2 times traditional)\n");
        if (gPeakAfterSearchKb > 0)
            std::printf("peak memory (ru_maxrss): %ld KB after the searches, %ld KB with the "
                        "dialog shown before any search\n",
                        gPeakAfterSearchKb, peakBefore);
        gDlg = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_find_in_files: %s\n", e.what());
        rc = 1;
    }
    EngineHooks() = TEngineHooks();
    if (madeFolder) std::filesystem::remove_all(gFolder);
    benchmark::Shutdown();
    return rc;
}
