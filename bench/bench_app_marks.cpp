// What the marks of the days and nodes that have an entry cost, with a diary
// of twenty years open in the main window.
//
// The archive holds 2006 to 2025 complete: a day entry for every day, a
// summary for every week, month and year (about 8,600 members); the bodies
// are small, since marking reads the directory alone. Profile 1 opens it;
// profile 2's data folder has no archive, so the same window with profile
// 2's tab selected does the same work with nothing to mark. That is the peer:
// each pair of benchmarks below does one user action with and without marks,
// and the program prints the difference.
//
//   TurnMonth   the calendar's next page (then back), painted.
//   OpenNode    a month node closed and opened again (its weeks made anew
//               and marked), painted.
//   Refresh     after the archive changed (one entry stored): the directory
//               read again and every mark set, as after a save.
//
//   build/bench/bench_app_marks [google benchmark flags]
#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "bench_archive.h"
#include "bench_support.h"
#include "nav/date_tree.h"
#include "store/entry_key.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QTabBar>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kFirstYear = 2006, kLastYear = 2025;

TMainForm* gForm = nullptr;
std::string gArchive;
std::map<std::string, std::vector<double>> gTimes; // microseconds

std::vector<std::string> AllMembers() {
    std::vector<std::string> names;
    for (int y = kFirstYear; y <= kLastYear; ++y) {
        names.push_back(std::to_string(y) + "\\Summary.rtf");
        for (int m = 1; m <= 12; ++m) {
            names.push_back(std::to_string(y) + "\\" + std::to_string(m) + "\\Summary.rtf");
            for (int w = 1; w <= WeeksInMonth(y, m); ++w) {
                TEntryKey key{std::uint16_t(y), std::uint16_t(m), std::uint16_t(w), 1};
                names.push_back(MemberPath(key, TEntryLevel::elWeek));
                for (int d : DaysOfWeek(y, m, w)) {
                    key.Day = std::uint16_t(d);
                    names.push_back(MemberPath(key, TEntryLevel::elDay));
                }
            }
        }
    }
    return names;
}

void UseProfile(int tab) {
    gForm->TabSet->setCurrentIndex(tab);
    QCoreApplication::processEvents();
}

template <class F> void Timed(benchmark::State& state, const char* name, int tab, F action) {
    UseProfile(tab);
    for (auto _ : state) {
        const auto t0 = Clock::now();
        action();
        QCoreApplication::processEvents(); // layout and painting
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
        state.SetIterationTime(us / 1e6);
        gTimes[name].push_back(us);
    }
}

void TurnMonth() {
    QCalendarWidget* c = gForm->MonthCalendar1;
    c->showNextMonth();
    c->showPreviousMonth();
}

void OpenNode() {
    QTreeWidgetItem* march = nullptr;
    QTreeWidgetItem* year = gForm->TreeView->invisibleRootItem()->child(2015 - kFirstYear);
    for (int i = 0; i < year->childCount(); ++i)
        if (year->child(i)->text(0) == "March") march = year->child(i);
    march->setExpanded(false);
    march->setExpanded(true);
}

void Refresh() {
    // A store changes the file; the stamp is its time, size and identity.
    std::filesystem::last_write_time(gArchive, std::filesystem::file_time_type::clock::now());
    gForm->Nav->RefreshMarks();
}

void BM_TurnMonth(benchmark::State& s) {
    Timed(s, "TurnMonth", 0, TurnMonth);
}
void BM_TurnMonthUnmarked(benchmark::State& s) {
    Timed(s, "TurnMonthUnmarked", 1, TurnMonth);
}
void BM_OpenNode(benchmark::State& s) {
    Timed(s, "OpenNode", 0, OpenNode);
}
void BM_OpenNodeUnmarked(benchmark::State& s) {
    Timed(s, "OpenNodeUnmarked", 1, OpenNode);
}
void BM_Refresh(benchmark::State& s) {
    Timed(s, "Refresh", 0, Refresh);
}
void BM_RefreshUnmarked(benchmark::State& s) {
    Timed(s, "RefreshUnmarked", 1, Refresh);
}

BENCHMARK(BM_TurnMonth)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_TurnMonthUnmarked)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_OpenNode)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_OpenNodeUnmarked)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(300);
BENCHMARK(BM_Refresh)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(100);
BENCHMARK(BM_RefreshUnmarked)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(100);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    char pattern[] = "/tmp/bench_app_marks.XXXXXX";
    if (!::mkdtemp(pattern)) return std::perror("mkdtemp"), 1;
    const std::string folder = pattern;
    ::setenv("XDG_CONFIG_HOME", (folder + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder + "/data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    QApplication app(qargc, argv);
    int rc = 0;
    try {
        gArchive = folder + "/data/Dayscrib/Data/Daybank.zip";
        std::filesystem::create_directories(folder + "/data/Dayscrib/Data/User2");
        const std::vector<std::string> names = AllMembers();
        WriteBenchArchive(gArchive, static_cast<int>(names.size()), 6,
                          [&](int i, std::string& name, std::string& body) {
                              name = names[static_cast<std::size_t>(i)];
                              body = "{\\rtf1\\ansi " + name + "\\par}";
                          });
        std::printf("archive: %zu members\n", names.size());

        TScriptedPrompts prompts;
        TMainForm form(prompts);
        gForm = &form;
        form.Settings.Project(2).On = true;
        form.Settings.Project(2).RO = false;
        form.Settings.Project(2).Path = "Data\\User2\\";
        form.Nav->FillTabs();
        for (int y = kFirstYear; y <= kLastYear; ++y)
            form.Settings.YearList.Add(std::to_string(y));
        form.show();
        form.Nav->BuildTreeForDate(QDate(2015, 3, 15));
        form.MonthCalendar1->setSelectedDate(QDate(2015, 3, 15));
        UseProfile(0);
        if (form.Nav->Entries().Count() != static_cast<int>(names.size()))
            throw std::runtime_error("the index does not hold every member");

        benchmark::RunSpecifiedBenchmarks();

        std::printf("\nmedians, with marks / without (the same window on an empty profile):\n");
        for (const char* name : {"TurnMonth", "OpenNode", "Refresh"}) {
            const double with = Median(gTimes[name]);
            const double without = Median(gTimes[std::string(name) + "Unmarked"]);
            std::printf("  %-10s %8.1f us / %8.1f us   marks add %8.1f us (ratio %.2f)\n", name,
                        with, without, with - without, without > 0 ? with / without : 0.0);
        }
        if (!prompts.Messages().isEmpty())
            throw std::runtime_error("the window reported: " +
                                     prompts.Messages().join(" | ").toStdString());
        gForm = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_app_marks: %s\n", e.what());
        rc = 1;
    }
    std::filesystem::remove_all(folder);
    benchmark::Shutdown();
    return rc;
}
