// File > "Export..." through the real window and dialog; the documents are
// read back by LibreOffice and poppler's pdftotext.
#include "app/entry_export.h"
#include "app/export_dialog.h"
#include "support/diary_window.h"
#include "support/modal.h"
#include "ui/entry_title.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QToolButton>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

class Export : public TDiaryWindowTest {
protected:
    void SetUpDiary() {
        WriteIni();
        Store(Archive(), "2000\\3\\Week3\\16.rtf", Rtf("Second day \\b bold\\b0  words"));
        Store(Archive(), Day15, Rtf("First day"));
        Store(Archive(), "2000\\3\\Week3\\17.rtf", Rtf("sealed"), "Own");
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
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 17), true, false);
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
    RunExport(QDate(2000, 3, 15), QDate(2000, 3, 17), false, true);
    ASSERT_TRUE(FileExists(file + ".pdf")) << prompts.Messages().join('|').toStdString();
    const std::string text = PeerText(file + ".pdf", true);
    EXPECT_LT(At(text, "First day"), At(text, "Second day"));
    EXPECT_LT(At(text, "Second day"), At(text, "sealed"));
    EXPECT_EQ(text.find("March summary"), std::string::npos);
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
