#include "editor/entry_printer.h"

#include "editor/editor.h"
#include "editor/entry_document.h"
#include "platform/file_replace.h"
#include "platform/user_folders.h"
#include "rtf/rtf_picture.h"
#include "ui/commands.h"
#include "ui/private_file.h"
#include "ui/prompts.h"

#include <QFile>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QTextDocument>

#include <algorithm>
#include <memory>

bool PrintDocument(const QTextDocument& source, QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    // A copy laid out as the screen lays it out, in the screen's units, and
    // drawn scaled to the printer's: laid out for the printer itself, the
    // paragraphs' indents (and the room of their bullets) would stay as many
    // printer dots as they are screen pixels, a hair wide.
    std::unique_ptr<QTextDocument> doc(source.clone());
    rtf::AttachPictures(*doc); // no editor draws this copy: its pictures are decoded now
    doc->setDocumentMargin(0);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal screenDpi = screen ? screen->logicalDotsPerInchX() : 96;
    const qreal scale = printer.logicalDpiX() / screenDpi;
    // The painter's origin is the top left of the area inside the margins.
    const QRectF paper = printer.pageLayout().fullRectPixels(printer.resolution());
    const QRectF area = printer.pageLayout().paintRectPixels(printer.resolution());
    const QSizeF page(area.width() / scale, area.height() / scale);
    doc->setPageSize(page);
    const int pages = doc->pageCount();
    for (int n = 0; n < pages; ++n) {
        if (n > 0) printer.newPage();
        const QRectF view(0, n * page.height(), page.width(), page.height());
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -view.top());
        // Only the page's own lines; sideways a bullet may reach into the
        // margin, as on screen.
        painter.setClipRect(
            QRectF(-area.left() / scale, view.top(), paper.width() / scale, view.height()));
        QAbstractTextDocumentLayout::PaintContext context;
        // The layout moves a line that would cross a page's end to the next
        // page; a line that only touches the boundary belongs to one page, so
        // the clip stops a hair inside it.
        context.clip = view.adjusted(-area.left() / scale, 0.5, 0, -0.5);
        doc->documentLayout()->draw(&painter, context);
        painter.restore();
    }
    return painter.end();
}

void WidenMargins(QPrinter& printer, double mm) {
    const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
    printer.setPageMargins(QMarginsF(std::max(m.left(), mm), std::max(m.top(), mm),
                                     std::max(m.right(), mm), std::max(m.bottom(), mm)),
                           QPageLayout::Millimeter);
}

TEntryPrinter::TEntryPrinter(TRichEdit* editor, TPrompts& prompts, std::function<TPrintName()> name,
                             QObject* parent)
    : QObject(parent), Editor(editor), prompts_(prompts), name_(std::move(name)) {}

void TEntryPrinter::AttachCommand(QAction* printCmd) {
    ::AttachCommand(printCmd, prompts_, [this] { FilePrint(); });
}

void TEntryPrinter::FilePrint() {
    const TPrintName name = name_();
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(name.Title);
    WidenMargins(printer);
    const QString offered = QString::fromStdString(DocumentsFolder()) + name.FileName + ".pdf";
    if (!prompts_.PrintTo(printer, offered)) return;
    printer.setDocName(name.Title); // the job's name, whatever the dialog did
    printer.setCreator("Dayscrib");
    // A PDF file of a protected entry is its owner's before a byte is in it.
    const QString pdf = printer.outputFileName();
    const bool privateFile = !pdf.isEmpty() && isProtected_ && isProtected_();
    if (privateFile && !PreparePrivateFile(QFile::encodeName(pdf).toStdString())) {
        prompts_.ShowError(QString("Cannot create file %1").arg(pdf));
        return;
    }
    const std::unique_ptr<QTextDocument> doc = EntryWithHeading(name.Title, *Editor->document());
    if (!PrintDocument(*doc, printer)) {
        prompts_.ShowError(QString("Could not start printing %1").arg(name.Title));
        return;
    }
    if (privateFile) prompts_.ShowMessage(PrivateFileNotice(pdf));
}
