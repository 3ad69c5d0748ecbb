// Spelling in the editor over a 100 KB entry: how long after loading the
// entry every word is checked, and what spelling costs each keystroke.
//
// The entry is about 100 KB of RTF (90,000 characters of text, 16,000 words
// in paragraphs of 400 to 1,500 characters) made of the words of the
// installed English dictionary, a diary's few thousand of them used the way
// prose uses words (a few very often, most rarely), 2 % of them misspelled.
// The editor is the program's own (TRichEdit) in a shown window, with the
// spelling feature attached (the Hunspell dictionary en_US) or not.
//
// Measured in one run, each a median of several passes, the passes with
// spelling off and on taken in turn so that a busy machine weighs on both
// alike:
//   Load        the entry loaded into the editor and the pending events
//               (layout, painting) run: spelling off (the peer); on with a
//               dictionary loaded afresh, so that Hunspell is asked for
//               every distinct word (the first entry after the program
//               starts; loading the dictionary itself is not counted); on
//               with the words known from the entry before.
//   Keystroke   one letter typed in the middle of a paragraph of the entry
//               and the events it brings run (the underline checks that
//               paragraph again as it is drawn), spelling off and on, in
//               turns of 20 keys; per keystroke.
// Each is given in processor time (this process's: on a shared machine the
// wall clock also counts the time other programs held the processor) and
// wall-clock time. The figures printed at the end are the differences: the
// checking after a load, and the keystroke with spelling beside the one
// without.
//
//   build/bench/bench_spelling [google benchmark flags]
#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "editor/editor.h"
#include "editor/spell_commands.h"
#include "editor/spell_dictionaries.h"
#include "rtf/rtf_writer.h"
#include "ui/prompts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

std::map<std::string, std::vector<double>> gTimes; // milliseconds per pass

// One timed piece: wall and processor time under `name`.
template <class F> double Timed(const std::string& name, F&& run) {
    const double cpu0 = CpuMs();
    const auto t0 = Clock::now();
    run();
    const double wall = Ms(t0, Clock::now()), cpu = CpuMs() - cpu0;
    gTimes[name].push_back(wall);
    gTimes[name + " cpu"].push_back(cpu);
    return wall;
}

QByteArray gEntry; // the 100 KB entry's RTF
TRichEdit* gEditor = nullptr;
TSpelling* gSpelling = nullptr;
QAction* gCommand = nullptr;

// A diary's vocabulary from the dictionary's words, used with Zipf's law.
QByteArray MakeEntry() {
    const std::optional<TDictionary> english = DictionaryFor("en_US", InstalledDictionaries());
    if (!english) throw std::runtime_error("no en_US dictionary (hunspell-en-us)");
    QFile dic(english->DicFile);
    if (!dic.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read the dictionary");
    std::vector<QString> all;
    for (const QByteArray& line : dic.readAll().split('\n')) {
        const QString word = QString::fromUtf8(line.left(line.indexOf('/')).trimmed());
        if (word.size() >= 2 && word[0].isLower()) all.push_back(word);
    }
    std::mt19937 rng(7);
    std::shuffle(all.begin(), all.end(), rng);
    all.resize(4000);
    std::vector<double> weights;
    for (std::size_t i = 0; i < all.size(); ++i)
        weights.push_back(1.0 / static_cast<double>(i + 1));
    std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());

    QTextDocument doc;
    QTextCursor c(&doc);
    int characters = 0;
    while (characters < 90000) {
        if (characters > 0) c.insertBlock();
        QString paragraph;
        const int length = 400 + static_cast<int>(rng() % 1100);
        while (paragraph.size() < length) {
            QString word = all[pick(rng)];
            if (rng() % 50 == 0) std::swap(word[0], word[word.size() - 1]); // a misspelling
            paragraph += word + (rng() % 12 == 0 ? ". " : " ");
        }
        c.insertText(paragraph);
        characters += static_cast<int>(paragraph.size()) + 1;
    }
    return WriteRtf(doc);
}

void RunEvents() {
    QApplication::processEvents();
    QApplication::processEvents();
}

void Load() {
    gEditor->LoadFromStream(gEntry);
    RunEvents();
}

void Spelling(bool on, bool freshDictionary) {
    if (freshDictionary) {
        // A new TSpelling loads the dictionary anew: no word is known yet.
        delete gSpelling;
        gSpelling = new TSpelling(gEditor, *new TScriptedPrompts);
        gSpelling->ProfileLanguage = [] { return QStringLiteral("en_US"); };
        gSpelling->AttachCommand(gCommand);
    }
    gSpelling->SetOn(on);
    RunEvents();
}

void BM_Load(benchmark::State& state) {
    for (auto _ : state) {
        double wall = 0;
        Spelling(false, false);
        wall += Timed("LoadOff", Load);
        gEditor->Clear();
        Spelling(true, true); // the dictionary's own loading is not counted
        wall += Timed("LoadCold", Load);
        wall += Timed("LoadWarm", Load);
        state.SetIterationTime(wall / 1000);
    }
}

// Letters and a space now and then typed in the middle of the entry's
// middle paragraph, each key pressed and released and its events run.
void BM_Keystroke(benchmark::State& state) {
    Load();
    QTextCursor c(gEditor->document());
    const QTextBlock block =
        gEditor->document()->findBlockByNumber(gEditor->document()->blockCount() / 2);
    c.setPosition(block.position() + block.length() / 2);
    gEditor->setTextCursor(c);
    gEditor->setFocus();
    const QString keys = QStringLiteral("diary entry written ");
    int i = 0;
    for (auto _ : state) {
        const bool on = (i / 20) % 2 == 1;
        if (i % 20 == 0) Spelling(on, false);
        const QChar ch = keys[i++ % keys.size()];
        const int key = ch == u' ' ? Qt::Key_Space : Qt::Key_A + (ch.unicode() - u'a');
        const double wall = Timed(on ? "KeystrokeOn" : "KeystrokeOff", [&] {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(ch));
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(gEditor, &press);
            QApplication::sendEvent(gEditor, &release);
            RunEvents();
        });
        state.SetIterationTime(wall / 1000);
    }
}

BENCHMARK(BM_Load)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);
BENCHMARK(BM_Keystroke)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1200);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int qargc = 1;
    QApplication app(qargc, argv);
    int rc = 0;
    try {
        gEntry = MakeEntry();
        TRichEdit editor;
        editor.resize(700, 600);
        editor.show();
        gEditor = &editor;
        QAction command("Check Spelling");
        gCommand = &command;
        Spelling(true, true);
        Load();
        const QString text = editor.toPlainText();
        std::printf("entry: %lld bytes of RTF, %lld characters in %d paragraphs\n",
                    static_cast<long long>(gEntry.size()), static_cast<long long>(text.size()),
                    editor.document()->blockCount());
        if (gSpelling->Language() != "en_US") throw std::runtime_error("no en_US dictionary");

        benchmark::RunSpecifiedBenchmarks();

        for (const char* clock : {" cpu", ""}) {
            const std::string c = clock;
            const double off = Median(gTimes["LoadOff" + c]), cold = Median(gTimes["LoadCold" + c]),
                         warm = Median(gTimes["LoadWarm" + c]);
            std::printf("\n%s time, medians:\n", *clock ? "processor" : "wall-clock");
            std::printf("  load of the 100 KB entry: %.1f ms with spelling off (peer), %.1f ms on "
                        "with a fresh dictionary, %.1f ms on with the words known\n",
                        off, cold, warm);
            std::printf("  checked within %.1f ms of loading (fresh dictionary), %.1f ms (words "
                        "known); budget 50 ms\n",
                        cold - off, warm - off);
            const double keyOff = Median(gTimes["KeystrokeOff" + c]),
                         keyOn = Median(gTimes["KeystrokeOn" + c]);
            std::printf("  keystroke in the 100 KB entry: %.3f ms with spelling off (peer), %.3f "
                        "ms on, ratio %.2f\n",
                        keyOff, keyOn, keyOff > 0 ? keyOn / keyOff : 0.0);
        }
        delete gSpelling;
        gSpelling = nullptr;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_spelling: %s\n", e.what());
        rc = 1;
    }
    benchmark::Shutdown();
    return rc;
}
