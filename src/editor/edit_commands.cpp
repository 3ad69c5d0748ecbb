#include "editor/edit_commands.h"

#include "editor/editor.h"
#include "ui/commands.h"
#include "ui/prompts.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QEvent>

TEditCommands::TEditCommands(TRichEdit* editor, const TEditActions& actions, TPrompts& prompts,
                             std::function<void(bool)> showModifiedMark, QObject* parent)
    : QObject(parent), Editor(editor), a_(actions), showModifiedMark_(std::move(showModifiedMark)) {
    AttachCommand(a_.Undo, prompts, [this] { EditUndo(); });
    AttachCommand(a_.Cut, prompts, [this] { EditCut(); });
    AttachCommand(a_.Copy, prompts, [this] { EditCopy(); });
    AttachCommand(a_.Paste, prompts, [this] { EditPaste(); });

    connect(Editor, &QTextEdit::selectionChanged, this, &TEditCommands::UpdateCommands);
    connect(Editor, &QTextEdit::undoAvailable, this, &TEditCommands::UpdateCommands);
    connect(Editor, &QTextEdit::textChanged, this, &TEditCommands::UpdateCommands);
    connect(Editor, &QTextEdit::textChanged, this, &TEditCommands::RichEditChange);
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &TEditCommands::UpdateCommands);
    Editor->installEventFilter(this);
    UpdateCommands();
}

bool TEditCommands::eventFilter(QObject* watched, QEvent* event) {
    // Turning read-only or taking the focus can change what may be pasted.
    if (watched == Editor &&
        (event->type() == QEvent::ReadOnlyChange || event->type() == QEvent::FocusIn))
        UpdateCommands();
    return QObject::eventFilter(watched, event);
}

void TEditCommands::UpdateCommands() {
    const bool selected = Editor->SelLength() > 0;
    a_.Cut->setEnabled(selected);
    a_.Copy->setEnabled(a_.Cut->isEnabled());
    a_.Undo->setEnabled(Editor->CanUndo());
    a_.Paste->setEnabled(Editor->CanPaste());
}

void TEditCommands::RichEditChange() {
    if (showModifiedMark_) showModifiedMark_(Editor->Modified());
}

void TEditCommands::EditUndo() {
    Editor->Undo();
}
void TEditCommands::EditCut() {
    Editor->CutToClipboard();
}
void TEditCommands::EditCopy() {
    Editor->CopyToClipboard();
}
void TEditCommands::EditPaste() {
    Editor->paste();
}
