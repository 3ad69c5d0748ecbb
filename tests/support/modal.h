// Answering a real modal dialog in a test: the answer runs from a timer once
// the dialog is open. A dialog still open a while after its answer (an
// assertion inside the answer failed, or it refused to close) is rejected, so
// a broken test fails instead of hanging in the dialog's event loop.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <memory>

namespace testsupport {

inline void WhenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 12000) return; // a loaded machine may take long
        timer->stop();
        timer->deleteLater();
        if (!modal) return;
        QPointer<QWidget> answered(modal);
        answer(modal);
        QTimer::singleShot(10000, [answered] {
            if (answered && answered->isVisible())
                if (auto* dlg = qobject_cast<QDialog*>(answered.data())) dlg->reject();
        });
    });
    timer->start();
}

// Waits until `window` itself holds the focus. QTest::qWaitForWindowActive
// is not enough for a dialog: a window counts as active while its transient
// parent is, so it passes before the dialog's own activation has arrived,
// and keys and focus changes then go to the main window.
inline bool WaitForFocus(QWidget* window) {
    window->activateWindow();
    return QTest::qWaitFor(
        [window] {
            return window->windowHandle() &&
                   QGuiApplication::focusWindow() == window->windowHandle();
        },
        60000);
}

} // namespace testsupport
