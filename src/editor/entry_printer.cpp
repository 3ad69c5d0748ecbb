#include "editor/entry_printer.h"

#include "editor/editor.h"
#include "rtf/rtf_picture.h"
#include "ui/commands.h"
#include "ui/prompts.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextDocument>

#include <memory>

bool PrintDocument(const QTextDocument& source, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // A copy laid out in the printer's own units, so the screen's layout stays.
    std::unique_ptr<QTextDocument> doc(source.clone());
    rtf::AttachPictures(*doc); // no editor draws this copy: its pictures are decoded now
    doc->documentLayout()->setPaintDevice(&printer);
    doc->setDocumentMargin(0);
    // The painter's origin is the top left of the printable area.
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    doc->setPageSize(area.size());
    const int pages = doc->pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0) printer.newPage();
        const QRectF view(0, page * area.height(), area.width(), area.height());
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        // The layout moves a line that would cross a page's end to the next
        // page; a line that only touches the boundary belongs to one page, so
        // the clip stops a hair inside it.
        context.clip = view.adjusted(0, 0.5, 0, -0.5);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}

TEntryPrinter::TEntryPrinter(TRichEdit* editor, TPrompts& prompts, std::function<QString()> title,
                             QObject* parent)
    : QObject(parent), Editor(editor), prompts_(prompts), title_(std::move(title)) {}

void TEntryPrinter::AttachCommand(QAction* printCmd) {
    ::AttachCommand(printCmd, prompts_, [this] { FilePrint(); });
}

void TEntryPrinter::FilePrint() {
    const QString title = title_();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    if (!prompts_.Print(printer)) return;
    printer.setDocName(title); // the job's name, whatever the dialog did
    if (!PrintDocument(*Editor->document(), printer))
        prompts_.ShowError(QString("Could not start printing %1").arg(title));
}
