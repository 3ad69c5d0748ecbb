// The modeless Find and Replace dialogs: the text sought, "Match whole word
// only" and "Match case", in the find dialog a direction (shown, starting at
// "Down", never read: every search runs forward) and in the replace dialog
// the replacement with Replace and Replace All. They keep their texts and
// choices while the window lives; the buttons only raise signals.
#pragma once

#include "editor/editor.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TSearchDialog : public QDialog {
    Q_OBJECT
public:
    enum class TMode { Find, Replace };
    TSearchDialog(TMode mode, QWidget* parent);

    TMode Mode() const { return mode_; }
    QString FindText() const;
    QString ReplaceText() const;
    TSearchTypes Options() const;

    QLineEdit* FindEdit = nullptr;
    QLineEdit* ReplaceEdit = nullptr; // replace dialog only
    QCheckBox* WholeWord = nullptr;
    QCheckBox* MatchCase = nullptr;
    QRadioButton* UpButton = nullptr;   // find dialog only
    QRadioButton* DownButton = nullptr; // find dialog only
    QPushButton* FindNextButton = nullptr;
    QPushButton* ReplaceButton = nullptr;    // replace dialog only
    QPushButton* ReplaceAllButton = nullptr; // replace dialog only
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

signals:
    void Find();
    // `all`: Replace All was pressed rather than Replace.
    void Replace(bool all);

private:
    void UpdateButtons();
    TMode mode_;
};
