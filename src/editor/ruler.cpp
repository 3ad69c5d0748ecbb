#include "editor/ruler.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextOption>

using ruler::TMarker;

namespace {

QString MarkerName(TMarker kind) {
    switch (kind) {
    case TMarker::FirstInd:
        return QStringLiteral("First Indent");
    case TMarker::LeftInd:
        return QStringLiteral("Left Indent");
    case TMarker::RightInd:
        break;
    }
    return QStringLiteral("Right Indent");
}

// An arrow filling a w × h box: a head of the full width and a shaft of a
// third of it, pointing down or up.
QPolygonF Arrow(qreal w, qreal h, bool down) {
    const qreal head = std::min(h / 2, w / 2 + 1);
    const qreal s0 = w / 3, s1 = w - w / 3;
    QPolygonF p;
    if (down)
        p << QPointF(s0, 0) << QPointF(s1, 0) << QPointF(s1, h - head) << QPointF(w, h - head)
          << QPointF(w / 2, h) << QPointF(0, h - head) << QPointF(s0, h - head);
    else
        p << QPointF(w / 2, 0) << QPointF(w, head) << QPointF(s1, head) << QPointF(s1, h)
          << QPointF(s0, h) << QPointF(s0, head) << QPointF(0, head);
    return p;
}

} // namespace

// ---- TRulerMarker ----

TRulerMarker::TRulerMarker(TMarker kind, QWidget* parent) : QWidget(parent), kind_(kind) {
    const ruler::TMarkerBox box = ruler::MarkerBox(kind);
    setFixedSize(box.Width, box.Height);
    move(0, box.Top);
    setObjectName(kind == TMarker::FirstInd  ? "FirstInd"
                  : kind == TMarker::LeftInd ? "LeftInd"
                                             : "RightInd");
    setAccessibleName(MarkerName(kind));
    setToolTip(MarkerName(kind));
    // Keyboard users move a marker with the arrow keys once it has the focus.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::SizeHorCursor);
}

void TRulerMarker::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = width() - 1, h = height() - 1;
    const QPolygonF arrow = Arrow(w, h, kind_ == TMarker::FirstInd).translated(0.5, 0.5);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(kind_ == TMarker::RightInd ? Qt::white : Qt::black);
    p.drawPolygon(arrow);
    if (hasFocus()) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TRulerMarker::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    emit MouseDown(static_cast<int>(e->position().x()));
}

void TRulerMarker::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton) emit MouseMove(static_cast<int>(e->position().x()));
}

void TRulerMarker::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) emit MouseUp();
}

void TRulerMarker::keyPressEvent(QKeyEvent* e) {
    // Four pixels are three points, so every step changes the indent.
    if (e->key() == Qt::Key_Left)
        emit KeyStep(-4);
    else if (e->key() == Qt::Key_Right)
        emit KeyStep(4);
    else
        QWidget::keyPressEvent(e);
}

// ---- TRuler ----

TRuler::TRuler(QWidget* parent) : QWidget(parent) {
    setObjectName("Ruler");
    setAccessibleName("Ruler");
    setFixedHeight(26);
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(11);
    setFont(f);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameShape(QFrame::HLine);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(0, 0, width(), 2);

    RulerLine = new QFrame(this);
    RulerLine->setObjectName("RulerLine");
    RulerLine->setFrameShape(QFrame::HLine);
    RulerLine->setFrameShadow(QFrame::Sunken);
    RulerLine->setGeometry(4, 12, std::max(0, width() - 8), 2);

    FirstInd = new TRulerMarker(TMarker::FirstInd, this);
    LeftInd = new TRulerMarker(TMarker::LeftInd, this);
    RightInd = new TRulerMarker(TMarker::RightInd, this);
}

TRulerMarker* TRuler::Marker(TMarker kind) const {
    return kind == TMarker::FirstInd ? FirstInd : kind == TMarker::LeftInd ? LeftInd : RightInd;
}

void TRuler::SetCaption(const QString& text) {
    caption_ = text;
    update();
}

int TRuler::TabStop() const {
    return 8 * fontMetrics().averageCharWidth();
}

void TRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    QTextOption option(Qt::AlignLeft | Qt::AlignVCenter);
    option.setTabStopDistance(TabStop());
    option.setWrapMode(QTextOption::NoWrap);
    p.drawText(QRectF(rect()), caption_, option);
}

void TRuler::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    RulerResize();
    emit Resized();
}

void TRuler::RulerResize() {
    Bevel1->setGeometry(0, 0, width(), 2);
    RulerLine->setGeometry(RulerLine->x(), RulerLine->y(),
                           std::max(0, width() - 2 * RulerLine->x()), RulerLine->height());
}
