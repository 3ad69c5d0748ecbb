// Helpers for tests that drive the program's dialogs as a user would.
#pragma once

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace apptest {

// Drives a modal dialog from inside its own event loop: `answer` runs on the
// dialog once it is the active modal widget. A dialog still open a while
// after the answer (an assertion inside `answer` failed, or the dialog
// refused to close) is rejected, so a broken test fails instead of hanging.
inline void WhenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 3000) return; // a loaded machine may take seconds
        timer->stop();
        timer->deleteLater();
        if (!modal) return;
        QPointer<QWidget> answered(modal);
        answer(modal);
        QTimer::singleShot(3000, [answered] {
            if (answered && answered->isVisible())
                if (auto* dlg = qobject_cast<QDialog*>(answered.data())) dlg->reject();
        });
    });
    timer->start();
}

// The window and every button, edit box and scrolled view in it have a
// name a screen reader can say, and each can be reached with the keyboard.
inline void ExpectAccessible(QWidget* window) {
    EXPECT_FALSE(window->accessibleName().isEmpty()) << window->objectName().toStdString();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->objectName().startsWith("qt_")) continue;
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLineEdit*>(w) &&
            !qobject_cast<QAbstractScrollArea*>(w))
            continue;
        EXPECT_FALSE(w->accessibleName().isEmpty())
            << w->metaObject()->className() << " " << w->objectName().toStdString();
        EXPECT_NE(w->focusPolicy() & Qt::TabFocus, 0) << w->objectName().toStdString();
    }
}

} // namespace apptest
