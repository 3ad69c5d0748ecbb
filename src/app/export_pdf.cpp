#include "app/export_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QPageLayout>
#include <QPageSize>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <cmath>

TPdfPages::TPdfPages(QIODevice* out, const QString& title)
    : writer_(out), measure_(1, 1, QImage::Format_Mono) {
    writer_.setTitle(title);
    writer_.setCreator("Dayscrib");
    writer_.setResolution(kResolution);
    writer_.setPageSize(QPageSize(QPageSize::A4));
    writer_.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    area_ = QSizeF(writer_.width(), writer_.height());
    // Dots per metre that round back to the writer's dots per inch.
    const int perMetre = static_cast<int>(std::lround(kResolution / 0.0254));
    measure_.setDotsPerMeterX(perMetre);
    measure_.setDotsPerMeterY(perMetre);
    painter_.begin(&writer_);
}

void TPdfPages::LayOut(QTextDocument& part) const {
    // Advances hinted to whole dots (at 300 to the inch, as a printer would
    // set them): each glyph's place is written as a short number, and the
    // page, compressed by the writer, is a third shorter.
    QFont font = part.defaultFont();
    font.setHintingPreference(QFont::PreferFullHinting);
    part.setDefaultFont(font);
    // Fonts measured at the PDF's resolution; the last line of a page holds
    // its number.
    part.documentLayout()->setPaintDevice(&measure_);
    const qreal numberLine = QFontMetricsF(part.defaultFont(), &measure_).height() * 2;
    part.setPageSize(QSizeF(area_.width(), area_.height() - numberLine));
    // The shaped glyphs of every line are kept from the layout for the
    // drawing, which would otherwise shape the whole text a second time.
    for (QTextBlock b = part.begin(); b.isValid(); b = b.next())
        b.layout()->setCacheEnabled(true);
    part.pageCount(); // lays out the whole document
}

bool TPdfPages::Print(QTextDocument& part, const std::function<bool(int page, int pages)>& onPage) {
    if (!painter_.isActive()) return true;
    const qreal width = part.pageSize().width();
    const qreal height = part.pageSize().height();
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
        painter_.drawText(QRectF(0, height, width, area_.height() - height),
                          Qt::AlignRight | Qt::AlignBottom, QString::number(printed_));
        if (onPage && !onPage(page + 1, pages)) return false;
    }
    return true;
}

bool TPdfPages::Finish() {
    return !painter_.isActive() || painter_.end();
}
