// An export's PDF, written part by part and page by page.
//
// A long export laid out as one document goes wrong: the layout measures in
// fixed-point units of the PDF's resolution (26.6 bits), and at the writer's
// usual 1,200 dots per inch a document of some 2,800 pages runs past their
// range, so that it prints as a single empty page. Here each part (an export
// gives a month of entries to one) is laid out on its own at 300 dots per
// inch, where a part could have 11,000 pages; it starts on a new page and
// goes out a page at a time; the caller hears of every page and may stop;
// the pages are numbered through.
//
// Laying a part out (shaping its text) costs about as much as drawing and
// compressing its pages, so the two may overlap: LayOut is safe on another
// thread while the writer prints the part before. It measures on an image of
// the writer's resolution, never on the writer itself, which belongs to the
// thread that prints.
#pragma once

#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QString>

#include <functional>

class QIODevice;
class QTextDocument;

class TPdfPages {
public:
    static constexpr int kResolution = 300;
    TPdfPages(QIODevice* out, const QString& title);
    // Lays the document out for the pages (on any thread); keeps the shaped
    // glyphs of every line for the drawing.
    void LayOut(QTextDocument& part) const;
    // Prints a document laid out by LayOut on new pages; onPage(page, pages)
    // after each, false to stop. False when stopped.
    bool Print(QTextDocument& part, const std::function<bool(int page, int pages)>& onPage);
    // Ends the file; false when it could not be written.
    bool Finish();

private:
    QPdfWriter writer_;
    QPainter painter_;
    QSizeF area_; // the printable area, in dots
    // Stands for the writer in the layout: only its resolution is asked.
    mutable QImage measure_;
    int printed_ = 0; // pages so far
};
