#include "app/export_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

TPdfPages::TPdfPages(QIODevice* out, const QString& title) : writer_(out) {
    writer_.setTitle(title);
    writer_.setCreator("Dayscrib");
    writer_.setResolution(kResolution);
    writer_.setPageSize(QPageSize(QPageSize::A4));
    writer_.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    painter_.begin(&writer_);
}

bool TPdfPages::Print(QTextDocument& part, const std::function<bool(int page, int pages)>& onPage) {
    if (!painter_.isActive()) return true;
    // Fonts measured at the PDF's resolution; the last line of a page holds
    // its number.
    part.documentLayout()->setPaintDevice(&writer_);
    const qreal width = writer_.width();
    const qreal numberLine = QFontMetricsF(part.defaultFont(), &writer_).height() * 2;
    const qreal height = writer_.height() - numberLine;
    part.setPageSize(QSizeF(width, height));
    // The shaped glyphs of every line are kept from the layout for the
    // drawing, which would otherwise shape the whole text a second time.
    for (QTextBlock b = part.begin(); b.isValid(); b = b.next())
        b.layout()->setCacheEnabled(true);
    const int pages = part.pageCount();
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    for (int page = 0; page < pages; ++page) {
        if (printed_ > 0) writer_.newPage();
        ++printed_;
        painter_.save();
        painter_.translate(0, -page * height);
        context.clip = QRectF(0, page * height, width, height);
        part.documentLayout()->draw(&painter_, context);
        painter_.restore();
        painter_.setFont(part.defaultFont());
        painter_.drawText(QRectF(0, height, width, numberLine), Qt::AlignRight | Qt::AlignBottom,
                          QString::number(printed_));
        if (onPage && !onPage(page + 1, pages)) return false;
    }
    return true;
}

bool TPdfPages::Finish() {
    return !painter_.isActive() || painter_.end();
}
