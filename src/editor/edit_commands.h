// The Edit menu's Undo, Cut, Copy and Paste, with their enabled state kept
// by the rules of the control: Cut and Copy while a character is selected,
// Undo while the control can undo, Paste while it can paste what the
// clipboard holds. The state follows every event that can change it (the
// selection, the undo history, the clipboard, the editor turning read-only)
// rather than being polled on idle.
//
// RichEditChange, on every change of the text, shows the modified mark.
#pragma once

#include <QObject>

#include <functional>

class QAction;
class TPrompts;
class TRichEdit;

struct TEditActions {
    QAction* Undo = nullptr;
    QAction* Cut = nullptr;
    QAction* Copy = nullptr;
    QAction* Paste = nullptr;
};

class TEditCommands : public QObject {
    Q_OBJECT
public:
    TEditCommands(TRichEdit* editor, const TEditActions& actions, TPrompts& prompts,
                  std::function<void(bool)> showModifiedMark, QObject* parent = nullptr);

    // ActionList2Update: the commands' enabled state from the editor's.
    void UpdateCommands();
    void RichEditChange();

    void EditUndo();
    void EditCut();
    void EditCopy();
    void EditPaste();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TRichEdit* Editor;
    TEditActions a_;
    std::function<void(bool)> showModifiedMark_;
};
