// Draws the splash picture, resources/splash.jpg: diary paper with ruled
// lines and a few lines of writing, a month page with one day marked, and a
// pen. The program lays the "Dayscrib" label over the top left, so that
// corner stays light. Not part of the build; run once after a change:
//   g++ -std=c++20 -fPIC make_splash.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/make_splash
//   QT_QPA_PLATFORM=offscreen /tmp/make_splash ../splash.jpg
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int W = 301, H = 278;

void Paper(QPainter& p) {
    QLinearGradient g(0, 0, 0, H);
    g.setColorAt(0, QColor(0xfd, 0xf9, 0xef));
    g.setColorAt(1, QColor(0xef, 0xe2, 0xc4));
    p.fillRect(0, 0, W, H, g);
    p.setPen(QPen(QColor(0xc6, 0xd3, 0xec), 1));
    for (int y = 92; y < H; y += 18)
        p.drawLine(0, y, W, y);
    p.setPen(QPen(QColor(0xe3, 0x9a, 0x9a), 1.5));
    p.drawLine(28, 0, 28, H);
}

// A line of "handwriting": a wavy stroke along a ruled line.
void Writing(QPainter& p, double x0, double x1, double y, int seed) {
    QPainterPath path(QPointF(x0, y));
    double x = x0;
    int i = seed;
    while (x < x1) {
        const double step = 7 + (i * 37 % 5);
        const double up = 4 + (i * 53 % 4);
        path.cubicTo(x + step * 0.3, y - up, x + step * 0.7, y + 2, x + step, y);
        x += step;
        if (++i % 6 == 0) { // a gap between words
            x += 6;
            path.moveTo(x, y);
        }
    }
    p.setPen(QPen(QColor(30, 44, 110, 190), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

void MonthPage(QPainter& p) {
    const QRectF page(38, 176, 112, 88);
    p.setPen(QPen(QColor(0xb9, 0xad, 0x90), 1));
    p.setBrush(QColor(0xff, 0xfd, 0xf7));
    p.drawRoundedRect(page, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0x37, 0x2d));
    p.drawRoundedRect(QRectF(page.x(), page.y(), page.width(), 18), 6, 6);
    p.drawRect(QRectF(page.x(), page.y() + 10, page.width(), 8));
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 7; ++col) {
            const QRectF cell(page.x() + 8 + col * 14, page.y() + 24 + row * 12, 10, 8);
            const bool marked = row == 2 && col == 3;
            p.setBrush(marked ? QColor(0xc8, 0x37, 0x2d) : QColor(0x9a, 0xa3, 0xc6));
            p.drawRoundedRect(cell, 2, 2);
        }
}

void Pen(QPainter& p) {
    p.save();
    p.translate(236, 214);
    p.rotate(-38);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 40)); // shadow
    p.drawRoundedRect(QRectF(-58, 6, 112, 14), 7, 7);
    QLinearGradient body(0, -7, 0, 7);
    body.setColorAt(0, QColor(0x3a, 0x52, 0xa8));
    body.setColorAt(1, QColor(0x14, 0x20, 0x55));
    p.setBrush(body);
    p.drawRoundedRect(QRectF(-60, -7, 96, 14), 7, 7);
    p.setBrush(QColor(0xe9, 0xb5, 0x31));
    p.drawRect(QRectF(-30, -7, 5, 14)); // the band
    QPainterPath nib(QPointF(36, -6));
    nib.lineTo(62, 0);
    nib.lineTo(36, 6);
    nib.closeSubpath();
    p.drawPath(nib);
    p.setPen(QPen(QColor(0x6b, 0x4d, 0x08), 1));
    p.drawLine(QPointF(40, 0), QPointF(60, 0));
    p.restore();
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QImage img(W, H, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Paper(p);
    QFont motto("DejaVu Serif");
    motto.setItalic(true);
    motto.setPixelSize(13);
    p.setFont(motto);
    p.setPen(QColor(0x55, 0x5f, 0x88));
    p.drawText(QPointF(40, 80), "one page for every day");
    Writing(p, 40, 270, 108, 1);
    Writing(p, 40, 250, 126, 3);
    Writing(p, 40, 262, 144, 5);
    Writing(p, 40, 180, 162, 2);
    MonthPage(p);
    Pen(p);
    p.end();
    return img.save(argc > 1 ? argv[1] : "splash.jpg", "JPG", 90) ? 0 : 1;
}
