// The help window: one window for the whole program that shows the help
// page of a context number, with links between the pages. Opened from a
// modal dialog (its Help button) it is modal itself until closed, so that it
// can be read and scrolled while the dialog waits beneath it. It is a main
// window of its own, so assistive tools meet it as a window.
#pragma once

#include <QMainWindow>

class QPushButton;
class QTextBrowser;

class THelpWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the page of `context` and brings the window to the front.
    void ShowContext(int context);
    // The page shown, e.g. "preferences.html".
    QString CurrentPage() const;

    QTextBrowser* Browser = nullptr;
    QPushButton* ContentsBtn = nullptr;
    QPushButton* BackBtn = nullptr;
    QPushButton* ForwardBtn = nullptr;
    QPushButton* CloseBtn = nullptr;

private:
    void ShowPage(const QString& page);
};
