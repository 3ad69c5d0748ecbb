#include "editor/status_hints.h"

#include <QEvent>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QWidget>

TStatusHints::TStatusHints(QWidget* window, QStatusBar* statusBar, QObject* parent)
    : QObject(parent), window_(window), StatusBar(statusBar) {
    window_->installEventFilter(this);
}

bool TStatusHints::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_ && event->type() == QEvent::StatusTip) {
        if (routed_) ShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        return true; // never the window's own status text handling
    }
    return QObject::eventFilter(watched, event);
}

void TStatusHints::ShowHint(const QString& hint) {
    // A message hides the status bar's panels while it stands: the simple panel.
    if (hint.isEmpty())
        StatusBar->clearMessage();
    else
        StatusBar->showMessage(hint);
}
