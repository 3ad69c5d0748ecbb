// Printing the open entry: the print dialog, then one print job named after
// the entry's member path ("2000\3\Week3\Summary.rtf"), with the text laid
// out over the whole printable area of each page (no margins of its own),
// page after page, each page starting where the layout of the one before
// ended. Printing to a PDF file works the same way when there is no printer.
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

class TEntryPrinter : public QObject {
    Q_OBJECT
public:
    // `title` gives the print title of the open entry at the moment of printing.
    TEntryPrinter(TRichEdit* editor, TPrompts& prompts, std::function<QString()> title,
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
    std::function<QString()> title_;
    std::function<bool()> isProtected_;
};
