// The application's hints in the status bar (ShowHint): while a hint is up
// (the pointer over a control or a menu entry with a status text) the status
// bar shows it across its whole width in place of its panels; when the hint
// goes away the panels come back. Hints reach the status bar only once the
// window's create sequence has routed them.
#pragma once

#include <QObject>
#include <QString>

class QStatusBar;
class QWidget;

class TStatusHints : public QObject {
    Q_OBJECT
public:
    TStatusHints(QWidget* window, QStatusBar* statusBar, QObject* parent = nullptr);

    void Route() { routed_ = true; }
    bool Routed() const { return routed_; }
    void ShowHint(const QString& hint);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QStatusBar* StatusBar;
    bool routed_ = false;
};
