// Loading and saving one entry in the main window against a big archive.
//
// The archive holds about 24 years of daily entries (9,000 day members
// "YYYY\M\WeekW\D.rtf", each 2-4 KB of RTF made by the editor's own RTF
// writer, deflated at level 9). It is written once, directly with the
// engine's records, into an isolated program folder (XDG_DATA_HOME), so that
// profile 1 of a real TMainForm opens it.
//
// Measured, each per iteration with a wall clock and reported as a median:
//   Load      selecting a day node in the tree (alternating between two days,
//             nothing modified) until the entry is in the editor and the
//             pending events (layout, painting) have run.
//   SaveLoad  the same after typing a few characters: the open entry is
//             stored (the whole archive rewritten, flushed and renamed), then
//             the other one loaded.
//   The load's halves apart: the entry store's read, the editor's RTF in.
//   Peers, in the same run: the member's raw deflate bytes (located once)
//             read with pread and inflated by zlib, plus setPlainText of the
//             text in a QTextDocument; for the save, a plain copy of the
//             archive file with read/write and fsync, then that same load.
//
//   build/bench/bench_app_load [--folder=DIR] [google benchmark flags]
//
// DIR (default: a new folder under /tmp) receives the program's folders; it
// is removed at the end when the program made it.
#include <benchmark/benchmark.h>

#include "app/main_form.h"
#include "bench_archive.h"
#include "bench_prose.h"
#include "bench_support.h"
#include "editor/editor.h"
#include "rtf/rtf_writer.h"
#include "store/entry_key.h"
#include "ui/prompts.h"
#include "zip/file_stream.h"
#include "zip/zip_header.h"
#include "zip/zip_reader.h"

#include <QApplication>
#include <QLabel>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kMembers = 9000;
const std::chrono::year_month_day kFirstDay{std::chrono::year{2002}, std::chrono::month{1},
                                            std::chrono::day{1}};

std::string gFolder;
std::string gArchive;
TMainForm* gForm = nullptr;
std::map<std::string, std::vector<double>> gTimes; // milliseconds per iteration

// ---- the archive ----

// One day's RTF: a few paragraphs, some words bold or italic, 2-4 KB.
QByteArray EntryRtf(TProse& prose) {
    QTextDocument doc;
    QTextCursor c(&doc);
    const std::size_t target = 1800 + prose.Rng()() % 2000;
    QTextCharFormat plain, bold, italic;
    bold.setFontWeight(QFont::Bold);
    italic.setFontItalic(true);
    std::size_t written = 0;
    for (int para = 0; written < target; ++para) {
        if (para > 0) c.insertBlock();
        const QString text = prose.Words(200 + prose.Rng()() % 400);
        const int cut = static_cast<int>(prose.Rng()() % static_cast<unsigned>(text.size()));
        c.insertText(text.left(cut), plain);
        c.insertText(text.mid(cut, 12), prose.Rng()() % 2 ? bold : italic);
        c.insertText(text.mid(cut + 12), plain);
        written += static_cast<std::size_t>(text.size());
    }
    return WriteRtf(doc);
}

std::chrono::year_month_day DayOf(int i) {
    return std::chrono::year_month_day{std::chrono::sys_days{kFirstDay} + std::chrono::days{i}};
}

// The members written one after the other and the directory at the end:
// adding 9,000 members one save at a time would rewrite the archive 9,000
// times.
std::uint64_t MakeArchive() {
    std::filesystem::create_directories(std::filesystem::path(gArchive).parent_path());
    TProse prose(7);
    return WriteBenchArchive(gArchive, kMembers, 9,
                             [&](int i, std::string& name, std::string& body) {
                                 name = MemberPath(KeyForDate(DayOf(i)), TEntryLevel::elDay);
                                 body = EntryRtf(prose).toStdString();
                             });
}

// ---- the window ----

QTreeWidgetItem* Node(const QStringList& path) {
    QTreeWidgetItem* n = gForm->TreeView->invisibleRootItem();
    for (const QString& text : path) {
        QTreeWidgetItem* found = nullptr;
        for (int i = 0; i < n->childCount() && !found; ++i)
            if (n->child(i)->text(0) == text) found = n->child(i);
        if (!found) throw std::runtime_error("no tree node " + path.join('/').toStdString());
        n = found;
    }
    return n;
}

// Two days of one week, both in the archive.
QTreeWidgetItem* gDay[2] = {nullptr, nullptr};
const char* const kMember[2] = {"2015\\3\\Week3\\15.rtf", "2015\\3\\Week3\\16.rtf"};

void Select(int which) {
    gForm->TreeView->setCurrentItem(gDay[which]);
    QCoreApplication::processEvents(); // what the event loop would do before the next input
}

void CheckShown(int which) {
    if (gForm->Nav->CurrentMember() != kMember[which] || gForm->Editor->document()->isEmpty() ||
        gForm->Editor->Modified())
        throw std::runtime_error(std::string("the editor does not show ") + kMember[which]);
}

void BM_Load(benchmark::State& state) {
    int which = 0;
    for (auto _ : state) {
        which ^= 1;
        const auto t0 = Clock::now();
        Select(which);
        const auto t1 = Clock::now();
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["Load"].push_back(Ms(t0, t1));
        CheckShown(which);
    }
}

void BM_SaveLoad(benchmark::State& state) {
    int which = 0;
    for (auto _ : state) {
        QTextCursor c(gForm->Editor->document());
        c.movePosition(QTextCursor::End);
        c.insertText(QStringLiteral(" ok"));
        if (!gForm->Editor->Modified()) throw std::runtime_error("typing did not mark the entry");
        which ^= 1;
        const auto t0 = Clock::now();
        Select(which);
        const auto t1 = Clock::now();
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["SaveLoad"].push_back(Ms(t0, t1));
        CheckShown(which);
        if (gForm->StatusPanel[1]->text() == "Modified")
            throw std::runtime_error("the entry was not stored");
    }
}

// The load's two halves apart: the entry store alone (the archive read),
// and the editor alone (RTF in, laid out and painted).
void BM_StoreLoad(benchmark::State& state) {
    const std::string archive = ArchivePath(gForm->Current.CurrentPath);
    int which = 0;
    for (auto _ : state) {
        which ^= 1;
        const auto t0 = Clock::now();
        const TEntryStore::TLoadResult r =
            gForm->Store.Load(archive, kMember[which], gForm->Current);
        const auto t1 = Clock::now();
        if (!r.Found) throw std::runtime_error("the store did not find the member");
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["StoreLoad"].push_back(Ms(t0, t1));
    }
}

void BM_EditorLoad(benchmark::State& state) {
    const std::string archive = ArchivePath(gForm->Current.CurrentPath);
    QByteArray rtf[2];
    for (int i = 0; i < 2; ++i)
        rtf[i] =
            QByteArray::fromStdString(gForm->Store.Load(archive, kMember[i], gForm->Current).Bytes);
    int which = 0;
    for (auto _ : state) {
        which ^= 1;
        const auto t0 = Clock::now();
        gForm->Editor->LoadFromStream(rtf[which]);
        QCoreApplication::processEvents();
        const auto t1 = Clock::now();
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["EditorLoad"].push_back(Ms(t0, t1));
    }
    // Back to what the window holds: day 15, as the other runs expect.
    gForm->Editor->LoadFromStream(rtf[0]);
    gForm->Editor->SetModified(false);
}

// ---- the peer ----

struct TRawMember {
    std::uint64_t DataOffset = 0;
    std::uint32_t Compressed = 0;
    std::uint32_t Uncompressed = 0;
};

// Finds the member's deflate bytes once, with the engine's directory and the
// local header's two lengths.
TRawMember Locate(const std::string& name) {
    TZipReader reader;
    reader.SetZipName(gArchive);
    reader.OpenArchive();
    for (int i = 0; i < reader.Count(); ++i) {
        const TZipHeaderInfo& h = reader.Member(i);
        if (h.Name() != name) continue;
        if (h.Method != 8) throw std::runtime_error("the member is not deflated");
        int fd = ::open(gArchive.c_str(), O_RDONLY);
        std::uint8_t local[30];
        if (fd < 0 || ::pread(fd, local, 30, h.LocalOffset) != 30)
            throw std::runtime_error("cannot read the local header");
        ::close(fd);
        TRawMember m;
        m.DataOffset =
            h.LocalOffset + 30u + (local[26] | local[27] << 8) + (local[28] | local[29] << 8);
        m.Compressed = static_cast<std::uint32_t>(h.CompressedSize);
        m.Uncompressed = static_cast<std::uint32_t>(h.UncompressedSize);
        return m;
    }
    throw std::runtime_error("no member " + name);
}

// Reads and inflates the member with zlib, then gives its text to a document.
void PeerLoad(const TRawMember& m, QTextDocument& doc) {
    int fd = ::open(gArchive.c_str(), O_RDONLY);
    std::string packed(m.Compressed, '\0');
    if (fd < 0 || ::pread(fd, packed.data(), packed.size(), static_cast<off_t>(m.DataOffset)) !=
                      static_cast<ssize_t>(packed.size()))
        throw std::runtime_error("cannot read the member");
    ::close(fd);
    std::string text(m.Uncompressed, '\0');
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::runtime_error("inflateInit2");
    z.next_in = reinterpret_cast<Bytef*>(packed.data());
    z.avail_in = static_cast<uInt>(packed.size());
    z.next_out = reinterpret_cast<Bytef*>(text.data());
    z.avail_out = static_cast<uInt>(text.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (rc != Z_STREAM_END || z.total_out != m.Uncompressed)
        throw std::runtime_error("zlib could not inflate the member");
    doc.setPlainText(QString::fromLatin1(text));
}

void BM_PeerLoad(benchmark::State& state) {
    const TRawMember members[2] = {Locate(kMember[0]), Locate(kMember[1])};
    QTextDocument doc;
    int which = 0;
    for (auto _ : state) {
        which ^= 1;
        const auto t0 = Clock::now();
        PeerLoad(members[which], doc);
        const auto t1 = Clock::now();
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["PeerLoad"].push_back(Ms(t0, t1));
    }
}

// Copies the archive over the copy of the previous run (so it also gives up
// the old blocks, as a save does) and flushes it; then the peer's load.
void BM_PeerSaveLoad(benchmark::State& state) {
    const TRawMember members[2] = {Locate(kMember[0]), Locate(kMember[1])};
    const std::string copy = gFolder + "/bench_app_load_copy.tmp";
    std::vector<char> buffer(1 << 20);
    QTextDocument doc;
    int which = 0;
    for (auto _ : state) {
        which ^= 1;
        const auto t0 = Clock::now();
        int in = ::open(gArchive.c_str(), O_RDONLY);
        int out = ::open(copy.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0) throw std::runtime_error("cannot open the files");
        for (ssize_t n; (n = ::read(in, buffer.data(), buffer.size())) > 0;)
            if (::write(out, buffer.data(), static_cast<std::size_t>(n)) != n)
                throw std::runtime_error("short write");
        if (::fsync(out) != 0) throw std::runtime_error("fsync failed");
        ::close(out);
        ::close(in);
        PeerLoad(members[which], doc);
        const auto t1 = Clock::now();
        state.SetIterationTime(Ms(t0, t1) / 1000);
        gTimes["PeerSaveLoad"].push_back(Ms(t0, t1));
    }
    ::unlink(copy.c_str());
}

BENCHMARK(BM_Load)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);
BENCHMARK(BM_StoreLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);
BENCHMARK(BM_EditorLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);
BENCHMARK(BM_PeerLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(400);
BENCHMARK(BM_SaveLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);
BENCHMARK(BM_PeerSaveLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(40);

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> args = TakeFolderArgument(argc, argv, gFolder);
    int n = static_cast<int>(args.size());
    benchmark::Initialize(&n, args.data());
    if (benchmark::ReportUnrecognizedArguments(n, args.data())) return 1;

    bool madeFolder = false;
    if (gFolder.empty()) {
        char pattern[] = "/tmp/bench_app_load.XXXXXX";
        if (!::mkdtemp(pattern)) return std::perror("mkdtemp"), 1;
        gFolder = pattern;
        madeFolder = true;
    }
    ::setenv("XDG_CONFIG_HOME", (gFolder + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (gFolder + "/data").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    QApplication app(qargc, argv);

    int rc = 0;
    try {
        gArchive = gFolder + "/data/Dayscrib/Data/Daybank.zip";
        const auto t0 = Clock::now();
        const std::uint64_t rtfBytes = MakeArchive();
        std::printf("archive: %s\n  %d members, %llu bytes of RTF, %lld bytes zipped, made in "
                    "%.1f s\n",
                    gArchive.c_str(), kMembers, static_cast<unsigned long long>(rtfBytes),
                    static_cast<long long>(TFileStream(gArchive, fmOpenRead).Size()),
                    Ms(t0, Clock::now()) / 1000);

        TScriptedPrompts prompts;
        TMainForm form(prompts);
        gForm = &form;
        if (!form.LoginPassed()) throw std::runtime_error("the login was refused");
        for (int y = 2002; y <= 2026; ++y)
            form.Settings.YearList.Add(std::to_string(y));
        form.show();
        form.Nav->BuildTreeForDate(QDate(2015, 3, 15)); // selects day 15 without loading it
        gDay[0] = Node({"2015", "March", "Week3", "15"});
        gDay[1] = Node({"2015", "March", "Week3", "16"});
        Select(1); // the first load reads the archive's directory
        CheckShown(1);
        Select(0); // every run starts on day 15 and ends there
        CheckShown(0);
        const int readsBefore = form.Archive().DirectoryReads();

        benchmark::RunSpecifiedBenchmarks();

        std::printf("\ndirectory reads during the runs: %d\n",
                    form.Archive().DirectoryReads() - readsBefore);
        if (!prompts.Messages().isEmpty())
            throw std::runtime_error("the window reported: " +
                                     prompts.Messages().join(" | ").toStdString());
        const double load = Median(gTimes["Load"]), peerLoad = Median(gTimes["PeerLoad"]);
        const double save = Median(gTimes["SaveLoad"]), peerSave = Median(gTimes["PeerSaveLoad"]);
        if (load > 0 && peerLoad > 0)
            std::printf("median load %.3f ms, peer (zlib + setPlainText) %.3f ms, ratio %.1f\n",
                        load, peerLoad, load / peerLoad);
        if (!gTimes["StoreLoad"].empty() && !gTimes["EditorLoad"].empty())
            std::printf("  the entry store alone %.3f ms, the editor alone (RTF in, layout, "
                        "paint) %.3f ms\n",
                        Median(gTimes["StoreLoad"]), Median(gTimes["EditorLoad"]));
        if (save > 0 && peerSave > 0)
            std::printf("median save+load %.1f ms, peer (copy + fsync + load) %.1f ms, ratio "
                        "%.2f\n",
                        save, peerSave, save / peerSave);
        gForm = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_app_load: %s\n", e.what());
        rc = 1;
    }
    if (madeFolder) std::filesystem::remove_all(gFolder);
    benchmark::Shutdown();
    return rc;
}
