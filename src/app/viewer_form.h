// A read-only viewer for the text files delivered with the program: the
// license and the ordering information.
#pragma once

#include <QDialog>
#include <QString>

class QPlainTextEdit;
class QPushButton;

class TViewerFrm : public QDialog {
    Q_OBJECT

public:
    explicit TViewerFrm(QWidget* parent = nullptr);

    QString ViewerTitle; // the window's caption
    QString ViewerFile;  // the file's bare name, e.g. "License.txt"

    QPlainTextEdit* ViewerMemo = nullptr;
    QPushButton* BitBtn1 = nullptr; // "Close"

    // Caption and text; the file is looked for as FindProgramFile says. A
    // file that is not there (or cannot be read) shows "Unable to load "
    // followed by its name.
    void FormShow();

protected:
    void showEvent(QShowEvent* e) override;

private:
    bool shown_ = false;
};
