#include "editor/font_size_box.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include <algorithm>

TFontSizeBox::TFontSizeBox(QWidget* parent) : QSpinBox(parent) {
    setRange(0, 1638); // the largest size a text can have
    setWrapping(false);
    setValue(0);
    // Typed digits wait for Enter; steps still report at once.
    setKeyboardTracking(false);
    lineEdit()->installEventFilter(this);
}

void TFontSizeBox::stepBy(int steps) {
    // A step goes on from the digits typed, when there are any.
    bool typed = false;
    const int number = lineEdit()->text().toInt(&typed);
    const int from = std::clamp(Editing() && typed ? number : value(), StepMin, StepMax);
    setValue(std::clamp(from + steps, StepMin, StepMax));
    selectAll();
}

QSize TFontSizeBox::sizeHint() const {
    ensurePolished();
    // As the spin box measures its texts, for the widest of the stepped range.
    QSize text(fontMetrics().horizontalAdvance(QString::number(StepMax) + u' ') + 2,
               lineEdit()->sizeHint().height());
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
}

QSize TFontSizeBox::minimumSizeHint() const {
    return sizeHint();
}

QAbstractSpinBox::StepEnabled TFontSizeBox::stepEnabled() const {
    StepEnabled e;
    if (value() < StepMax) e |= StepUpEnabled;
    if (value() > StepMin) e |= StepDownEnabled;
    return e;
}

bool TFontSizeBox::Editing() const {
    return lineEdit()->text() != textFromValue(value());
}

void TFontSizeBox::DropTyping() {
    if (Editing()) lineEdit()->setText(textFromValue(value()));
}

void TFontSizeBox::focusInEvent(QFocusEvent* e) {
    QSpinBox::focusInEvent(e);
    selectAll(); // by mouse too: what is typed replaces the size
    // The press that brought the focus is delivered after this.
    focusingClick_ = e->reason() == Qt::MouseFocusReason;
}

void TFontSizeBox::mousePressEvent(QMouseEvent* e) {
    focusingClick_ = false; // the up-down buttons
    QSpinBox::mousePressEvent(e);
}

void TFontSizeBox::focusOutEvent(QFocusEvent* e) {
    focusingClick_ = false;
    // Only Enter applies typed text; the spin box would apply it here.
    DropTyping();
    QSpinBox::focusOutEvent(e);
}

void TFontSizeBox::keyPressEvent(QKeyEvent* e) {
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        e->accept();
        emit Committed();
        return;
    case Qt::Key_Escape:
        e->accept();
        DropTyping();
        selectAll();
        emit Cancelled();
        return;
    default:
        QSpinBox::keyPressEvent(e);
    }
}

bool TFontSizeBox::eventFilter(QObject* watched, QEvent* e) {
    // The click that brings the focus in would place the caret and undo the
    // selection made on focusing: it only focuses.
    if (watched == lineEdit() && e->type() == QEvent::MouseButtonPress && focusingClick_) {
        focusingClick_ = false;
        selectAll();
        return true;
    }
    return QSpinBox::eventFilter(watched, e);
}
