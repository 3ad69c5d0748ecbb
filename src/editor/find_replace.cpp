#include "editor/find_replace.h"

#include "editor/find_replace_dialog.h"
#include "ui/commands.h"
#include "ui/prompts.h"

#include <QAction>
#include <QLineEdit>
#include <QTextCursor>

TFindReplace::TFindReplace(TRichEdit* editor, TPrompts& prompts, QWidget* window, QObject* parent)
    : QObject(parent), Editor(editor), prompts_(prompts), window_(window) {}

TFindReplace::~TFindReplace() = default;

void TFindReplace::AttachCommands(QAction* findCmd, QAction* replaceCmd) {
    AttachCommand(findCmd, prompts_, [this] { EditFindItemClick(); });
    AttachCommand(replaceCmd, prompts_, [this] { EditReplaceItemClick(); });
}

TSearchDialog* TFindReplace::Open(QPointer<TSearchDialog>& dialog, bool replace) {
    if (!dialog) {
        dialog = new TSearchDialog(
            replace ? TSearchDialog::TMode::Replace : TSearchDialog::TMode::Find, window_);
        if (replace) {
            connect(dialog, &TSearchDialog::Find, this,
                    [this] { Guarded(prompts_, [this] { ReplaceDialogFind(); }); });
            connect(dialog, &TSearchDialog::Replace, this, [this](bool all) {
                Guarded(prompts_, [this, all] { ReplaceDialogReplace(all); });
            });
        } else {
            connect(dialog, &TSearchDialog::Find, this,
                    [this] { Guarded(prompts_, [this] { FindDialogFind(); }); });
        }
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    dialog->FindEdit->setFocus();
    dialog->FindEdit->selectAll();
    return dialog;
}

void TFindReplace::EditFindItemClick() {
    Open(findDialog_, false);
}

void TFindReplace::EditReplaceItemClick() {
    Open(replaceDialog_, true);
}

void TFindReplace::SelectMatch(int position, int length) {
    Editor->setFocus();
    Editor->SetSelection(position, length);
}

void TFindReplace::FindFrom(const TSearchDialog& dialog, int start) {
    const QString text = dialog.FindText();
    const int found = Editor->FindText(text, start, Editor->TextLength() - start, dialog.Options());
    if (found >= 0) SelectMatch(found, static_cast<int>(text.size()));
}

void TFindReplace::FindDialogFind() {
    // With nothing selected the search starts again at the top, not at the caret.
    const int n = Editor->SelLength();
    FindFrom(*findDialog_, n != 0 ? Editor->SelStart() + n : 0);
}

void TFindReplace::ReplaceDialogFind() {
    FindFrom(*replaceDialog_, Editor->SelStart() + Editor->SelLength());
}

void TFindReplace::ReplaceDialogReplace(bool all) {
    if (all)
        ReplaceAllMatches();
    else
        ReplaceFirstMatch();
}

void TFindReplace::ReplaceSelection(const QString& text) {
    // A read-only text refuses the change; the match stays selected.
    Editor->Edit([&] {
        QTextCursor c = Editor->textCursor();
        c.insertText(text);
        Editor->setTextCursor(c); // the caret after the inserted text
    });
}

bool TFindReplace::SelectionIsMatch(const TSearchDialog& dialog) const {
    const QString text = dialog.FindText();
    const int start = Editor->SelStart();
    return Editor->SelLength() == text.size() &&
           Editor->FindText(text, start, Editor->SelLength(), dialog.Options()) == start;
}

void TFindReplace::ReplaceFirstMatch() {
    const TSearchDialog& dlg = *replaceDialog_;
    const QString text = dlg.FindText();
    // The match the user sees selected (after Find Next) is the one replaced;
    // the next one is selected then, ready for the next Replace.
    if (SelectionIsMatch(dlg)) {
        if (Editor->isReadOnly()) return;
        ReplaceSelection(dlg.ReplaceText());
        const int from = Editor->SelStart();
        const int next = Editor->FindText(text, from, Editor->TextLength() - from, dlg.Options());
        if (next >= 0) SelectMatch(next, static_cast<int>(text.size()));
        return;
    }
    const int start = Editor->SelStart() + Editor->SelLength();
    const int found = Editor->FindText(text, start, Editor->TextLength() - start, dlg.Options());
    if (found < 0) {
        prompts_.ShowError("Could not find \"" + text + "\".");
        return;
    }
    SelectMatch(found, static_cast<int>(text.size()));
    ReplaceSelection(dlg.ReplaceText());
}

void TFindReplace::ReplaceAllMatches() {
    const TSearchDialog& dlg = *replaceDialog_;
    const QString text = dlg.FindText();
    const QString replacement = dlg.ReplaceText();
    const TSearchTypes options = dlg.Options();
    const int length = Editor->TextLength(); // taken once, before the first replacement
    QTextCursor block(Editor->document());
    block.beginEditBlock(); // one step for Undo
    for (int found = Editor->FindText(text, 0, length, options); found >= 0;
         found =
             Editor->FindText(text, Editor->SelStart() + Editor->SelLength(), length, options)) {
        SelectMatch(found, static_cast<int>(text.size()));
        ReplaceSelection(replacement);
    }
    block.endEditBlock();
}
