// Printing the open entry to a PDF file: once with the print dialog answered
// by the script, once through Qt's real print dialog choosing its PDF
// printer, as on a machine with no printer. The PDF is read back with
// poppler's pdfinfo and pdftotext.
#include "editor/entry_printer.h"
#include "editor_window.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrinter>
#include <QTimer>
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

TEST_F(Printing, AWeekSummaryPrintsUnderItsMemberPath) {
    Select({"2000", "March", "Week3"});
    ASSERT_EQ(form->Nav->CurrentMember(), "2000\\3\\Week3\\Summary.rtf");
    Type("Spring week summary");
    form->FilePrintCmd->trigger();
    EXPECT_EQ(pdfPrompts.Count(TScriptedPrompts::TKind::Print), 1);
    const std::string info = PdfInfo(pdfPrompts.Pdf);
    EXPECT_EQ(Field(info, "Title"), "2000\\3\\Week3\\Summary.rtf") << info;
    EXPECT_EQ(Pages(info), 1);
    EXPECT_NE(PdfText(pdfPrompts.Pdf).find("Spring week summary"), std::string::npos);
    EXPECT_TRUE(Ed().Modified()); // printing stores nothing
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
    // The text fills the printable area: no margins of our own, so far
    // fewer pages than the lines would need with wide margins.
    EXPECT_LE(pages, 4);
}

TEST(PrintDialog, QtsOwnDialogPrintsToAPdfFileWithNoPrinter) {
    ASSERT_TRUE(testsupport::HaveProgram("pdftotext"));
    testsupport::TempDir dir;
    const QString pdf = QString::fromStdString(dir.file("dialog.pdf"));
    TQtPrompts prompts;
    TRichEdit editor;
    editor.setPlainText("Printed through the dialog");
    TEntryPrinter printer(&editor, prompts, [] { return QString("2000\\Summary.rtf"); });
    bool seen = false;
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
            if (edit->objectName() == "filename") edit->setText(pdf);
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
    EXPECT_EQ(Field(PdfInfo(pdf.toStdString()), "Title"), "2000\\Summary.rtf");
}
