// The tool bar's size box. Any size a text can have may be typed or shown,
// while its up-down buttons step only within 0 to 100. It is as wide as the
// sizes its buttons reach need (three digits), not as the largest one typed.
//
// Typing never reaches the text on its own: the box selects its whole text
// whenever it takes the focus (by mouse or keyboard), so what is typed
// replaces the size shown; Enter hands the typed size on (Committed) and
// Escape puts the shown size back (Cancelled). Leaving the box any other way
// drops what was typed. The up-down buttons and the arrow keys step at once,
// as they always did. (Applied key by key, "12" typed over "8" once gave 812,
// and a sentence typed after Enter went into the box as a size.)
#pragma once

#include <QSpinBox>

class TFontSizeBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TFontSizeBox(QWidget* parent = nullptr);
    static constexpr int StepMin = 0, StepMax = 100;
    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // The text typed is still only in the box (not handed on by Enter).
    bool Editing() const;

signals:
    // Enter: the typed text is to be applied and the focus given back.
    void Committed();
    // Escape: the shown size is back; the focus is to be given back.
    void Cancelled();

protected:
    StepEnabled stepEnabled() const override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void DropTyping();

    bool focusingClick_ = false; // the focus came with a click not yet delivered
};
