// Printing the open entry as the export prints it: a heading naming the
// entry by its date ("Wednesday 9 December 2026", "Week 2 of December 2026"),
// then the text with its bullets and indents as on screen, laid out inside
// the margins of the printer's page layout (at least 15 mm on every side
// unless the user sets others in the print dialog), page after page, each
// page starting where the layout of the one before ended. The print job and
// a PDF's title are the entry's date; printing to a file offers
// "2026-12-09.pdf" in the documents folder.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QAction;
class QPrinter;
class QTextDocument;
class TPrompts;
class TRichEdit;

// Lays `doc` out for `printer`'s printable area and prints every page; false
// when the printer could not be started.
bool PrintDocument(const QTextDocument& doc, QPrinter& printer);

// The margins a print starts with: the printer's, widened to `mm` where they
// are narrower (printers clip near the paper's edge).
constexpr double MinimumPrintMarginMm = 15;
void WidenMargins(QPrinter& printer, double mm = MinimumPrintMarginMm);

// How the open entry is named on paper: its date ("Wednesday 9 December
// 2026") and the base of a file name ("2026-12-09").
struct TPrintName {
    QString Title;
    QString FileName;
};

class TEntryPrinter : public QObject {
    Q_OBJECT
public:
    // `name` names the open entry at the moment of printing.
    TEntryPrinter(TRichEdit* editor, TPrompts& prompts, std::function<TPrintName()> name,
                  QObject* parent = nullptr);

    void AttachCommand(QAction* printCmd);
    void FilePrint();
    // Whether the open entry is protected: a PDF file printed from it is
    // then its owner's alone, and the user is told so.
    void SetProtectedQuery(std::function<bool()> isProtected) {
        isProtected_ = std::move(isProtected);
    }

private:
    TRichEdit* Editor;
    TPrompts& prompts_;
    std::function<TPrintName()> name_;
    std::function<bool()> isProtected_;
};
