#include "editor/spell_underline.h"

#include "editor/editor.h"
#include "editor/spell_checker.h"
#include "editor/spell_words.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPixmap>
#include <QPolygonF>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// A paragraph's misspelled words, as of its revision and the checker's generation.
class TSpellData : public QTextBlockUserData {
public:
    int Revision = -1;
    int Generation = -1;
    std::vector<TSpellUnderline::TRange> Ranges;
};

// One period of the wave, drawn once and tiled under every word.
const QPixmap& Wave() {
    static const QPixmap wave = [] {
        QPixmap pixmap(4, 3);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::red, 1));
        p.drawPolyline(QPolygonF{QPointF(0, 2.5), QPointF(2, 0.5), QPointF(4, 2.5)});
        return pixmap;
    }();
    return wave;
}

} // namespace

TSpellUnderline::TSpellUnderline(TRichEdit* editor, QObject* parent)
    : QObject(parent), Editor(editor) {
    Editor->Overlay = [this](QPainter& p, const QRect& exposed) { Paint(p, exposed); };
    editorAlive_ = Editor;
}

TSpellUnderline::~TSpellUnderline() {
    // The editor may already be gone (the spelling is not its child).
    if (editorAlive_) Editor->Overlay = nullptr;
}

void TSpellUnderline::SetChecker(TSpellChecker* checker) {
    checker_ = checker;
    Recheck();
}

void TSpellUnderline::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    Editor->viewport()->update();
}

void TSpellUnderline::Recheck() {
    ++generation_;
    Editor->viewport()->update();
}

void TSpellUnderline::CheckAll() {
    if (!Active()) return;
    for (QTextBlock b = Editor->document()->begin(); b.isValid(); b = b.next())
        Misspellings(b);
}

std::vector<TSpellUnderline::TRange> TSpellUnderline::Misspellings(const QTextBlock& block) {
    if (!Active() || !block.isValid()) return {};
    auto* data = static_cast<TSpellData*>(block.userData());
    if (!data) {
        data = new TSpellData;
        const_cast<QTextBlock&>(block).setUserData(data); // the document owns it
    }
    if (data->Revision != block.revision() || data->Generation != generation_) {
        data->Revision = block.revision();
        data->Generation = generation_;
        data->Ranges.clear();
        const QString text = block.text();
        const QStringView view(text);
        ForEachSpellWord(view, [&](qsizetype start, qsizetype length) {
            if (!checker_->IsCorrect(view.mid(start, length)))
                data->Ranges.push_back({static_cast<int>(start), static_cast<int>(length)});
        });
    }
    return data->Ranges;
}

void TSpellUnderline::Paint(QPainter& p, const QRect& exposed) {
    if (!Active()) return;
    QTextDocument* doc = Editor->document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    const QPointF offset(-Editor->horizontalScrollBar()->value(),
                         -Editor->verticalScrollBar()->value());
    // From the first paragraph on screen to the last.
    for (QTextBlock b = Editor->BlockAt(exposed.top() - offset.y()); b.isValid(); b = b.next()) {
        const QRectF box = layout->blockBoundingRect(b).translated(offset);
        if (box.top() > exposed.bottom()) break;
        if (box.bottom() < exposed.top() || !b.isVisible()) continue;
        const std::vector<TRange> ranges = Misspellings(b);
        if (ranges.empty()) continue;
        const QTextLayout* tl = b.layout();
        const QPointF origin = tl->position() + offset;
        for (const TRange& r : ranges) {
            const int first = std::max(tl->lineForTextPosition(r.Start).lineNumber(), 0);
            const int last = tl->lineForTextPosition(r.Start + r.Length).lineNumber();
            for (int i = first; i <= last && i < tl->lineCount(); ++i) {
                const QTextLine line = tl->lineAt(i);
                const int from = std::max(r.Start, line.textStart());
                const int to = std::min(r.Start + r.Length, line.textStart() + line.textLength());
                if (from >= to) continue;
                const qreal x1 = line.cursorToX(from), x2 = line.cursorToX(to);
                const qreal y = origin.y() + line.y() + line.ascent() + 1;
                p.drawTiledPixmap(QRectF(origin.x() + std::min(x1, x2), y, std::abs(x2 - x1), 3),
                                  Wave());
            }
        }
    }
}
