// File > "Export..." through the real window and dialog; the documents are
// read back by LibreOffice and poppler's pdftotext.
#include "app/entry_export.h"
#include "app/export_dialog.h"
#include "support/diary_window.h"
#include "support/modal.h"
#include "ui/entry_title.h"

#include <algorithm>
#include <chrono>
#include <sys/stat.h>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

// The day entry of a date in 2000.
std::string DayMember(unsigned month, unsigned day) {
    return MemberPath(KeyForDate(std::chrono::year{2000} / month / day), TEntryLevel::elDay);
}

class Export : public TDiaryWindowTest {
protected:
    void SetUpDiary() {
        WriteIni();
        Store(Archive(), "2000\\3\\Week3\\16.rtf", Rtf("Second day \\b bold\\b0  words"));
        Store(Archive(), Day15, Rtf("First day"));
        Store(Archive(), "2000\\3\\Week3\\17.rtf", Rtf("sealed"), "Own", zcAes256);
        Store(Archive(), "2000\\3\\Summary.rtf", Rtf("March summary"));
        Store(Archive(), "2000\\3\\Week4\\20.rtf", Rtf("outside the range"));
    }
    // Runs the command, answering the dialog with the range and kind given.
    void RunExport(const QDate& from, const QDate& to, bool summaries, bool pdf) {
        WhenModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TExportDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            dlg->FromDate->setDate(from);
            dlg->ToDate->setDate(to);
            dlg->SummariesCheck->setChecked(summaries);
            (pdf ? dlg->PdfRBtn : dlg->HtmlRBtn)->setChecked(true);
            dlg->accept();
        });
        form->ExportCmd->trigger();
        QApplication::processEvents();
    }
    // The document's text as LibreOffice (HTML) or pdftotext (PDF) reads it.
    std::string PeerText(const std::string& file, bool pdf) {
        std::string out;
        if (pdf) {
            EXPECT_EQ(RunCommand("pdftotext " + ShellQuote(file) + " -", &out), 0);
            return out;
        }
        const std::string dir = scratch.file("txt");
        EXPECT_EQ(RunCommand("soffice --headless -env:UserInstallation=file:///tmp/lo-guitests "
                             "--convert-to 'txt:Text (encoded):UTF8' --outdir " +
                             ShellQuote(dir) + " " + ShellQuote(file) + " >/dev/null 2>&1"),
                  0);
        return ReadFile(dir + "/" + std::filesystem::path(file).stem().string() + ".txt");
    }
    static std::size_t At(const std::string& text, const std::string& what) {
        const std::size_t at = text.find(what);
        EXPECT_NE(at, std::string::npos) << what;
        return at;
    }
};

} // namespace

TEST_F(Export, HtmlHoldsEveryEntryOfTheRangeInDateOrder) {
    SetUpDiary();
    Start();
    Select15();
    Type("typed now, "); // stored before the export reads the archive
    const std::string file = scratch.file("march.html");
    prompts.FileNames = {QString::fromStdString(file)};
    prompts.Inputs = {std::nullopt}; // the protected entry: Cancel
    const mode_t mask = ::umask(022);
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 17), true, false);
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u); // no protected text in it: an ordinary file
    ASSERT_TRUE(FileExists(file)) << prompts.Messages().join('|').toStdString();
    const std::string html = ReadFile(file);
    EXPECT_NE(html.find("font-weight:700;\">bold</span>"), std::string::npos) << html; // kept
    const std::string text = PeerText(file, false);
    const std::size_t march = At(text, "March 2000\n"), summary = At(text, "March summary");
    const std::size_t d15 = At(text, "Wednesday 15 March 2000"),
                      first = At(text, "typed now, First day");
    const std::size_t d16 = At(text, "Thursday 16 March 2000"),
                      second = At(text, "Second day bold words");
    EXPECT_LT(march, summary);
    EXPECT_LT(summary, d15);
    EXPECT_LT(d15, first);
    EXPECT_LT(first, d16);
    EXPECT_LT(d16, second);
    EXPECT_EQ(text.find("outside the range"), std::string::npos);
    EXPECT_EQ(text.find("sealed"), std::string::npos);
    At(text, "Not included (protected)");
    At(text, "Friday 17 March 2000");
    ASSERT_EQ(prompts.Count(TKind::Input), 1);
    for (const auto& asked : prompts.Asked)
        if (asked.Kind == TKind::Input) {
            EXPECT_EQ(asked.Text, "Enter password for Friday 17 March 2000:");
            EXPECT_TRUE(asked.Masked);
        }
    EXPECT_EQ(prompts.Messages(),
              QStringList{"Exported 3 entries to " + QString::fromStdString(file) +
                          ".\nNot included (protected): Friday 17 March 2000."});
}

// Browsers keep only the first of two style attributes; a list item given
// two loses its indent.
TEST_F(Export, HtmlListItemsCarryOneStyleAttributeEach) {
    WriteIni();
    Start();
    Select15();
    Type("Shopping");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    form->BulletsButton->click();
    Type("milk");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    Type("bread");
    const std::string file = scratch.file("list.html");
    prompts.FileNames = {QString::fromStdString(file)};
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 15), false, false);
    const QString html = QString::fromStdString(ReadFile(file));
    static const QRegularExpression item(QStringLiteral("<li[^>]*>"));
    int items = 0;
    for (auto m = item.globalMatch(html); m.hasNext(); ++items) {
        const QString tag = m.next().captured();
        EXPECT_EQ(tag.count("style="), 1) << tag.toStdString();
        EXPECT_TRUE(tag.contains("margin-left:")) << tag.toStdString(); // the indent kept
        EXPECT_TRUE(tag.contains("font-")) << tag.toStdString();        // and the font
    }
    EXPECT_EQ(items, 2) << html.toStdString();
    // One attribute per element anywhere, and nothing else touched.
    EXPECT_EQ(OneStylePerElement("<p style=\"a:1\" x=\"y\" style=\" b:2;\">t</p><q style=\"c\">"),
              "<p style=\"a:1; b:2;\" x=\"y\">t</p><q style=\"c\">");
}

TEST_F(Export, PdfWithThePasswordGivenHoldsTheProtectedEntryToo) {
    SetUpDiary();
    Start();
    const std::string file = scratch.file("days");
    prompts.FileNames = {QString::fromStdString(file)}; // ".pdf" is added
    prompts.Inputs = {QString("Own")};
    const mode_t mask = ::umask(022);
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 17), false, true);
    ::umask(mask);
    ASSERT_TRUE(FileExists(file + ".pdf")) << prompts.Messages().join('|').toStdString();
    const std::string text = PeerText(file + ".pdf", true);
    EXPECT_LT(At(text, "First day"), At(text, "Second day"));
    EXPECT_LT(At(text, "Second day"), At(text, "sealed"));
    EXPECT_EQ(text.find("March summary"), std::string::npos);
    // It holds a protected entry's text without its password: its owner's
    // alone, and the user is told so.
    struct stat st {};
    ASSERT_EQ(::stat((file + ".pdf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_TRUE(prompts.Messages()[0].endsWith(
        QString::fromStdString(file) +
        ".pdf holds the text of protected entries without a password, so it was made "
        "readable by you alone. Anyone you give it to, or who can read it as you, can read "
        "the text."))
        << prompts.Messages()[0].toStdString();
}

TEST_F(Export, AnExistingFileAnsweredNoOrAnUnwritableOneIsLeftAsItWas) {
    SetUpDiary();
    Start();
    const std::string file = scratch.file("old.html");
    WriteFile(file, "older export");
    prompts.FileNames = {QString::fromStdString(file),
                         QString::fromStdString(scratch.file("no/such/folder/x.html"))};
    prompts.Confirms = {TConfirmAnswer::No};
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 16), false, false);
    EXPECT_EQ(ReadFile(file), "older export");
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 16), false, false);
    ASSERT_EQ(prompts.Count(TKind::Error), 1);
    EXPECT_TRUE(prompts.Messages().back().startsWith("Cannot create file "));
    EXPECT_FALSE(std::filesystem::exists(scratch.file("no")));
}

TEST(EntryTitle, NamesEveryLevelByItsDateInTheLocaleGiven) {
    const QLocale english(QLocale::English);
    const TEntryKey key{2026, 12, 2, 9};
    EXPECT_EQ(EntryTitle(key, TEntryLevel::elDay, english), "Wednesday 9 December 2026");
    EXPECT_EQ(EntryTitle(key, TEntryLevel::elWeek, english), "Week 2 of December 2026");
    EXPECT_EQ(EntryTitle(key, TEntryLevel::elMonth, english), "December 2026");
    EXPECT_EQ(EntryTitle(key, TEntryLevel::elYear, english), "2026");
    EXPECT_EQ(EntryTitle(key, TEntryLevel::elMonth, QLocale(QLocale::German)), "Dezember 2026");
}

TEST_F(Export, EachMonthOfAPdfStartsOnANewPageAndThePagesAreNumbered) {
    WriteIni();
    Store(Archive(), DayMember(1, 5), Rtf("Fifth of January"));
    Store(Archive(), DayMember(1, 6), Rtf("Sixth of January"));
    Store(Archive(), DayMember(2, 2), Rtf("Second of February"));
    Start();
    const std::string file = scratch.file("winter.pdf");
    prompts.FileNames = {QString::fromStdString(file)};
    RunExport(QDate(2000, 1, 1), QDate(2000, 2, 29), false, true);
    ASSERT_TRUE(FileExists(file)) << prompts.Messages().join('|').toStdString();
    std::string info, first, second;
    ASSERT_EQ(RunCommand("pdfinfo " + ShellQuote(file), &info), 0);
    EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
    ASSERT_EQ(RunCommand("pdftotext -f 1 -l 1 " + ShellQuote(file) + " -", &first), 0);
    ASSERT_EQ(RunCommand("pdftotext -f 2 -l 2 " + ShellQuote(file) + " -", &second), 0);
    EXPECT_LT(At(first, "Dayscrib: 1 January 2000"), At(first, "Fifth of January"));
    EXPECT_LT(At(first, "Fifth of January"), At(first, "Sixth of January"));
    EXPECT_EQ(first.find("Second of February"), std::string::npos);
    EXPECT_LT(At(second, "Wednesday 2 February 2000"), At(second, "Second of February"));
    EXPECT_NE(first.find("\n1\n"), std::string::npos) << first;
    EXPECT_NE(second.find("\n2\n"), std::string::npos) << second;
}

TEST_F(Export, TheProgressWindowShowsHowFarItIsAndItsCancelWritesNothing) {
    WriteIni();
    // A protected entry in the middle: its password prompt is the moment the
    // test looks at the progress window and presses Cancel.
    for (unsigned day = 1; day <= 20; ++day)
        Store(Archive(), DayMember(1, day), Rtf("January " + std::to_string(day)),
              day == 10 ? "Own" : "");
    Start();
    const std::string file = scratch.file("stopped.pdf");
    prompts.FileNames = {QString::fromStdString(file)};
    prompts.Inputs = {std::nullopt};
    int value = -1, maximum = -1;
    QString caption;
    prompts.WhileAsking = [&] {
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(progress, nullptr);
        ASSERT_TRUE(progress->isVisible());
        caption = progress->windowTitle();
        value = progress->value();
        maximum = progress->maximum();
        QPushButton* cancel = progress->findChild<QPushButton*>();
        ASSERT_NE(cancel, nullptr);
        EXPECT_EQ(cancel->text(), "Cancel");
        QTest::mouseClick(cancel, Qt::LeftButton);
    };
    RunExport(QDate(2000, 1, 1), QDate(2000, 1, 31), false, true);
    EXPECT_EQ(caption, "Export");
    EXPECT_EQ(maximum, 40); // reading and writing, a step each per entry
    EXPECT_GE(value, 0);
    EXPECT_LT(value, 10);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(prompts.Count(TKind::Message), 0);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(ExportEntries, ProgressCountsEveryStepAndAStopLeavesAnOldFileAsItWas) {
    TempDir dir;
    const std::string archive = dir.file("Daybank.zip");
    for (unsigned day = 1; day <= 12; ++day)
        Store(archive, DayMember(3, day), Rtf("March " + std::to_string(day)));
    for (bool pdf : {false, true}) {
        TExportOptions options;
        options.From = QDate(2000, 3, 1);
        options.To = QDate(2000, 3, 31);
        options.Pdf = pdf;
        options.FileName = QString::fromStdString(dir.file(pdf ? "march.pdf" : "march.html"));
        std::vector<int> steps;
        const TExportSummary done =
            ExportEntries(options, archive, TCurrentProfile{}, {}, [&](int step, int total) {
                EXPECT_EQ(total, 24);
                steps.push_back(step);
                return true;
            });
        EXPECT_FALSE(done.Canceled);
        EXPECT_EQ(done.Included, 12);
        ASSERT_FALSE(steps.empty());
        EXPECT_EQ(steps.back(), 24);
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
        for (int i = 1; i <= 12; ++i) // every entry read is told
            EXPECT_NE(std::find(steps.begin(), steps.end(), i), steps.end()) << i;

        WriteFile(options.FileName.toStdString(), "the export before");
        for (int stopAt : {5, 12, 24}) {
            int calls = 0;
            const TExportSummary stopped =
                ExportEntries(options, archive, TCurrentProfile{}, {}, [&](int step, int) {
                    ++calls;
                    return step < stopAt;
                });
            EXPECT_TRUE(stopped.Canceled) << stopAt;
            EXPECT_EQ(ReadFile(options.FileName.toStdString()), "the export before") << stopAt;
            const int asked = calls;
            EXPECT_EQ(asked, static_cast<int>(std::find_if(steps.begin(), steps.end(),
                                                           [&](int s) { return s >= stopAt; }) -
                                              steps.begin()) +
                                 1)
                << stopAt;
        }
    }
}

// Six months, each laid out on a thread while the one before is printed: a
// month long enough for several pages, a protected entry listed at the end.
// Every entry is found by pdftotext in date order, each month from a new
// page; a stop at any step leaves the old file as it was.
TEST(ExportEntries, AMultiMonthPdfHoldsEveryEntryInOrderAndStopsAtAnyStep) {
    TempDir dir;
    const std::string archive = dir.file("Daybank.zip");
    std::vector<std::string> marks; // in date order
    std::vector<bool> monthStarts;
    for (unsigned month = 1; month <= 6; ++month)
        for (unsigned day : {3u, 14u, 25u}) {
            const std::string mark = "mark" + std::to_string(month) + "x" + std::to_string(day);
            std::string text = "begin" + mark;
            if (month == 2 && day == 14) // pages of it
                for (int i = 0; i < 600; ++i)
                    text += " filler words\\par";
            Store(archive, DayMember(month, day), Rtf(text + " close" + mark),
                  month == 4 && day == 25 ? "Own" : "");
            if (month == 4 && day == 25) continue;
            marks.push_back(mark);
            monthStarts.push_back(day == 3);
        }
    TExportOptions options;
    options.From = QDate(2000, 1, 1);
    options.To = QDate(2000, 6, 30);
    options.Pdf = true;
    options.FileName = QString::fromStdString(dir.file("half.pdf"));
    const auto noPassword = [](const QString&) { return TPassword(); };
    std::vector<int> steps;
    const TExportSummary done =
        ExportEntries(options, archive, TCurrentProfile{}, noPassword, [&](int step, int total) {
            EXPECT_EQ(total, 36);
            steps.push_back(step);
            return true;
        });
    EXPECT_EQ(done.Included, 17);
    EXPECT_EQ(done.Skipped, QStringList{"Tuesday 25 April 2000"});
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(steps.back(), 36);

    std::string text;
    ASSERT_EQ(RunCommand("pdftotext " + ShellQuote(options.FileName.toStdString()) + " -", &text),
              0);
    std::vector<std::string> pages; // pdftotext ends each page with a form feed
    for (std::size_t from = 0, to; (to = text.find('\f', from)) != std::string::npos; from = to + 1)
        pages.push_back(text.substr(from, to - from));
    EXPECT_GT(pages.size(), 8u);
    const auto pageOf = [&](const std::string& what) {
        for (std::size_t p = 0; p < pages.size(); ++p)
            if (pages[p].find(what) != std::string::npos) return p;
        ADD_FAILURE() << what;
        return pages.size();
    };
    std::size_t at = 0;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const std::size_t found = text.find("begin" + marks[i], at);
        ASSERT_NE(found, std::string::npos) << marks[i];
        at = text.find("close" + marks[i], found);
        ASSERT_NE(at, std::string::npos) << marks[i];
        if (i > 0 && monthStarts[i]) { // a month's first entry starts a page
            EXPECT_LT(pageOf("close" + marks[i - 1]), pageOf("begin" + marks[i])) << marks[i];
        }
    }
    EXPECT_EQ(text.find("mark4x25"), std::string::npos);
    EXPECT_GT(text.find("Not included (protected)"), at);
    EXPECT_NE(pages.back().find("Tuesday 25 April 2000"), std::string::npos);

    WriteFile(options.FileName.toStdString(), "the export before");
    for (int stopAt = 1; stopAt <= 36; ++stopAt) {
        int calls = 0;
        const TExportSummary stopped =
            ExportEntries(options, archive, TCurrentProfile{}, noPassword, [&](int step, int) {
                ++calls;
                return step < stopAt;
            });
        EXPECT_TRUE(stopped.Canceled) << stopAt;
        EXPECT_EQ(calls,
                  std::find_if(steps.begin(), steps.end(), [&](int s) { return s >= stopAt; }) -
                      steps.begin() + 1)
            << stopAt;
        EXPECT_EQ(ReadFile(options.FileName.toStdString()), "the export before") << stopAt;
    }
}
