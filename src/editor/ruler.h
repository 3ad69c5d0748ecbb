// The ruler above the editor: a bevel line at the top, the ruler line 12
// pixels down with a 4-pixel margin at each end, tick marks at every tab stop
// of its font, and the three indent markers, which the program draws as arrows
// (first indent pointing down from above the line, left indent up from below
// it, right indent a hollow arrow up). Where the markers stand and what a
// drop means is the formatting tool bar's business (TFormatBar); the ruler
// only reports what the mouse and keyboard do to a marker.
#pragma once

#include "editor/ruler_geometry.h"

#include <QFrame>
#include <QWidget>

class TRulerMarker : public QWidget {
    Q_OBJECT
public:
    TRulerMarker(ruler::TMarker kind, QWidget* parent);
    ruler::TMarker Kind() const { return kind_; }

signals:
    // x: the pointer's offset within the marker, in pixels.
    void MouseDown(int x);
    void MouseMove(int x);
    void MouseUp();
    // Left or Right arrow key on a focused marker: a step of `dx` pixels.
    void KeyStep(int dx);

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    ruler::TMarker kind_;
};

class TRuler : public QWidget {
    Q_OBJECT
public:
    explicit TRuler(QWidget* parent = nullptr);

    QFrame* Bevel1 = nullptr;
    QFrame* RulerLine = nullptr;
    TRulerMarker* FirstInd = nullptr;
    TRulerMarker* LeftInd = nullptr;
    TRulerMarker* RightInd = nullptr;
    TRulerMarker* Marker(ruler::TMarker kind) const;

    // The caption drawn as tick marks (BuildRulerTicks sets it).
    void SetCaption(const QString& text);
    QString Caption() const { return caption_; }
    // The tab stop the caption's tabs expand to: eight average character
    // widths of the ruler's font.
    int TabStop() const;

signals:
    void Resized();

protected:
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void RulerResize();
    QString caption_;
};
