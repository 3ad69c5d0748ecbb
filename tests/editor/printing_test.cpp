// Printing the open entry to a PDF file: once with the print dialog answered
// by the script, once through Qt's real print dialog choosing its PDF
// printer, as on a machine with no printer. The PDF is read back with
// poppler's pdfinfo, pdftotext (words and their boxes) and pdftoppm (ink).
#include "editor/entry_printer.h"
#include "editor/ruler.h"
#include "editor_window.h"
#include "platform/user_folders.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>

#include <QRegularExpression>
#include <QTimer>
#include <QToolButton>
#include <sstream>
#include <sys/stat.h>

namespace {

// Answers the print dialog with "print to this PDF file".
class TPdfPrompts : public TScriptedPrompts {
public:
    std::string Pdf;
    bool Print(QPrinter& printer) override {
        TScriptedPrompts::Print(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(Pdf));
        return true;
    }
};

std::string PdfInfo(const std::string& pdf) {
    std::string out;
    EXPECT_EQ(testsupport::RunCommand("pdfinfo " + testsupport::ShellQuote(pdf), &out), 0);
    return out;
}

std::string PdfText(const std::string& pdf) {
    std::string out;
    EXPECT_EQ(
        testsupport::RunCommand("pdftotext -layout " + testsupport::ShellQuote(pdf) + " -", &out),
        0);
    return out;
}

// A field of pdfinfo's report, its padding taken off.
std::string Field(std::string info, const std::string& name) {
    info.insert(0, "\n");
    const std::size_t at = info.find("\n" + name + ":");
    if (at == std::string::npos) return "<missing>";
    const std::size_t from = info.find_first_not_of(' ', at + name.size() + 2);
    return info.substr(from, info.find('\n', from) - from);
}

int Pages(const std::string& info) {
    const std::size_t at = info.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// A word of pdftotext's -bbox report, in points from the page's top left.
struct TWord {
    std::string Text;
    double Left = 0, Top = 0, Bottom = 0;
};

std::vector<TWord> Words(const std::string& pdf) {
    std::string out;
    EXPECT_EQ(testsupport::RunCommand(
                  "pdftotext -f 1 -l 1 -bbox " + testsupport::ShellQuote(pdf) + " -", &out),
              0);
    std::vector<TWord> words;
    static const QRegularExpression word(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)">([^<]*)</word>)re");
    for (auto m = word.globalMatch(QString::fromStdString(out)); m.hasNext();) {
        const auto match = m.next();
        words.push_back({match.captured(4).toStdString(), match.captured(1).toDouble(),
                         match.captured(2).toDouble(), match.captured(3).toDouble()});
    }
    return words;
}

const TWord* FindWord(const std::vector<TWord>& words, const std::string& text) {
    for (const TWord& w : words)
        if (w.Text == text) return &w;
    return nullptr;
}

// The first page as pdftoppm renders it at 72 dots per inch (one dot per
// point), in grey.
struct TInk {
    int Width = 0, Height = 0;
    std::string Gray;
    bool Dark(int x, int y) const {
        return static_cast<unsigned char>(Gray[std::size_t(y) * std::size_t(Width) + x]) < 128;
    }
    // The leftmost dark column of rows `top` to `bottom`, or -1.
    int LeftmostInk(int top, int bottom) const {
        for (int x = 0; x < Width; ++x)
            for (int y = std::max(top, 0); y <= std::min(bottom, Height - 1); ++y)
                if (Dark(x, y)) return x;
        return -1;
    }
};

TInk Render(const std::string& pdf, const std::string& base) {
    EXPECT_EQ(testsupport::RunCommand("pdftoppm -f 1 -l 1 -r 72 -gray " +
                                      testsupport::ShellQuote(pdf) + " " +
                                      testsupport::ShellQuote(base)),
              0);
    std::string bytes;
    for (const char* suffix : {"-1.pgm", "-01.pgm", "-001.pgm"})
        if (testsupport::FileExists(base + suffix)) bytes = testsupport::ReadFile(base + suffix);
    TInk ink;
    // "P5 <width> <height> 255" and one byte per dot.
    std::istringstream header(bytes);
    std::string magic;
    int depth = 0;
    header >> magic >> ink.Width >> ink.Height >> depth;
    EXPECT_EQ(magic, "P5");
    const std::size_t size = std::size_t(ink.Width) * std::size_t(ink.Height);
    if (bytes.size() >= size) ink.Gray = bytes.substr(bytes.size() - size);
    return ink;
}

class Printing : public edtest::EditorWindow {
protected:
    TPdfPrompts pdfPrompts;
    void SetUp() override {
        ASSERT_TRUE(testsupport::HaveProgram("pdfinfo"));
        pdfPrompts.Pdf = scratch.file("entry.pdf");
        Start(&pdfPrompts);
    }
};

} // namespace

TEST_F(Printing, AWeekSummaryPrintsUnderItsDate) {
    Select({"2000", "March", "Week3"});
    ASSERT_EQ(form->Nav->CurrentMember(), "2000\\3\\Week3\\Summary.rtf");
    Type("Spring week summary");
    form->FilePrintCmd->trigger();
    EXPECT_EQ(pdfPrompts.Count(TScriptedPrompts::TKind::Print), 1);
    EXPECT_EQ(pdfPrompts.PrintFile,
              QString::fromStdString(DocumentsFolder()) + "2000-03-Week3.pdf");
    const std::string info = PdfInfo(pdfPrompts.Pdf);
    EXPECT_EQ(Field(info, "Title"), "Week 3 of March 2000") << info;
    EXPECT_EQ(Pages(info), 1);
    const std::string text = PdfText(pdfPrompts.Pdf);
    EXPECT_LT(text.find("Week 3 of March 2000"), text.find("Spring week summary")) << text;
    EXPECT_TRUE(Ed().Modified()); // printing stores nothing
}

TEST_F(Printing, ABulletedEntryPrintsAsOnScreenInsideTheMargins) {
    Select({"2000", "March", "Week3", "15"});
    Type("Plans");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    form->BulletsButton->click();
    Type("Errand");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    Type("Visit");
    ASSERT_EQ(Ed().Paragraph().Numbering(), TNumberingStyle::nsBullet);
    form->FilePrintCmd->trigger();
    EXPECT_EQ(pdfPrompts.PrintFile, QString::fromStdString(DocumentsFolder()) + "2000-03-15.pdf");
    EXPECT_EQ(Field(PdfInfo(pdfPrompts.Pdf), "Title"), "Wednesday 15 March 2000");

    const std::vector<TWord> words = Words(pdfPrompts.Pdf);
    const TWord* heading = FindWord(words, "Wednesday");
    const TWord* plans = FindWord(words, "Plans");
    const TWord* errand = FindWord(words, "Errand");
    const TWord* visit = FindWord(words, "Visit");
    ASSERT_TRUE(heading && plans && errand && visit) << PdfText(pdfPrompts.Pdf);
    EXPECT_LT(heading->Bottom, plans->Top); // the heading above the text
    // Nothing nearer the paper's edge than 15 mm (42.5 points).
    const double margin = 15 / 25.4 * 72;
    for (const TWord& w : words) {
        EXPECT_GE(w.Left, margin - 0.5) << w.Text;
        EXPECT_GE(w.Top, margin - 0.5) << w.Text;
    }
    // The bullet items are indented as on screen, and their bullets are inked
    // between the margin and the text.
    EXPECT_NEAR(errand->Left - plans->Left, visit->Left - plans->Left, 0.5);
    EXPECT_GT(errand->Left - plans->Left, 5);
    const TInk ink = Render(pdfPrompts.Pdf, scratch.file("page"));
    ASSERT_GT(ink.Width, 0);
    for (const TWord* item : {errand, visit}) {
        const int bullet = ink.LeftmostInk(int(item->Top), int(item->Bottom));
        EXPECT_GE(bullet, int(margin) - 1) << item->Text;
        EXPECT_LT(bullet, int(item->Left) - 2) << item->Text;
    }
    EXPECT_NEAR(ink.LeftmostInk(int(plans->Top), int(plans->Bottom)), plans->Left, 2);
}

// A PDF of a protected entry is its owner's alone from its first byte on,
// and the user is told so.
TEST_F(Printing, APdfOfAProtectedEntryIsItsOwnersAlone) {
    Type("Printed in private");
    pdfPrompts.Inputs = {QString("pw"), QString("pw")};
    form->Protect1->trigger();
    const mode_t mask = ::umask(022);
    form->FilePrintCmd->trigger();
    ::umask(mask);
    struct stat st {};
    ASSERT_EQ(::stat(pdfPrompts.Pdf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_NE(PdfText(pdfPrompts.Pdf).find("Printed in private"), std::string::npos);
    ASSERT_EQ(pdfPrompts.Messages().size(), 1);
    EXPECT_TRUE(pdfPrompts.Messages()[0].startsWith(QString::fromStdString(pdfPrompts.Pdf) +
                                                    " holds the text of a protected entry"));
}

TEST_F(Printing, ALongEntryRunsOverPagesEachLineOnce) {
    QString text;
    for (int i = 1; i <= 150; ++i)
        text += QString("Line number %1 of a long entry\n").arg(i);
    Ed().setPlainText(text);
    form->FilePrintCmd->trigger();
    const int pages = Pages(PdfInfo(pdfPrompts.Pdf));
    EXPECT_GE(pages, 2);
    // Every line is printed once, in order, on some page.
    const std::string printed = PdfText(pdfPrompts.Pdf);
    std::size_t at = 0;
    for (int i = 1; i <= 150; ++i) {
        const std::string line = "Line number " + std::to_string(i) + " of";
        const std::size_t found = printed.find(line, at);
        ASSERT_NE(found, std::string::npos) << i;
        EXPECT_EQ(printed.find(line, found + 1), std::string::npos) << i;
        at = found;
    }
    // The text fills the page inside the margins: no margins of our own on
    // top of them.
    EXPECT_LE(pages, 4);
}

TEST(PrintDialog, QtsOwnDialogPrintsToAPdfFileWithNoPrinter) {
    ASSERT_TRUE(testsupport::HaveProgram("pdftotext"));
    testsupport::TempDir dir;
    const QString pdf = QString::fromStdString(dir.file("dialog.pdf"));
    TQtPrompts prompts;
    TRichEdit editor;
    editor.setPlainText("Printed through the dialog");
    TEntryPrinter printer(&editor, prompts, [] { return TPrintName{"2000", "2000"}; });
    bool seen = false;
    QString offered;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        timer.stop();
        seen = true;
        // Choose the PDF printer (the only one on a machine without printers)
        // and name the file, as a user would.
        for (QComboBox* box : dlg->findChildren<QComboBox*>())
            for (int i = 0; i < box->count(); ++i)
                if (box->itemText(i).contains("PDF")) box->setCurrentIndex(i);
        for (QLineEdit* edit : dlg->findChildren<QLineEdit*>())
            if (edit->objectName() == "filename") {
                offered = edit->text();
                edit->setText(pdf);
            }
        QMetaObject::invokeMethod(dlg, "accept", Qt::QueuedConnection);
        QPointer<QDialog> answered(dlg);
        QTimer::singleShot(30000, [answered] {
            if (answered && answered->isVisible()) answered->reject();
        });
    });
    timer.start();
    printer.FilePrint();
    EXPECT_TRUE(seen);
    ASSERT_TRUE(testsupport::FileExists(pdf.toStdString()));
    EXPECT_NE(PdfText(pdf.toStdString()).find("Printed through the dialog"), std::string::npos);
    EXPECT_EQ(Field(PdfInfo(pdf.toStdString()), "Title"), "2000");
    // The dialog offered the entry's own file in the documents folder.
    EXPECT_EQ(offered, QString::fromStdString(DocumentsFolder()) + "2000.pdf");
}
