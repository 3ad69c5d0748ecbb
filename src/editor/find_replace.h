// Find and replace inside the open entry, through the modeless find and
// replace dialogs (TSearchDialog). Every search runs forward from a start
// position to the end of the text and never wraps:
//
// - Find Next in the find dialog starts after the selection, or at the top
//   of the text when nothing is selected; in the replace dialog it starts
//   after the selection or at the caret.
// - Replace replaces the selection when it is a match (as Find Next leaves
//   it, with the dialog's case and whole-word choices) and selects the next
//   match; otherwise it replaces the next match after the selection, and
//   says "Could not find" when there is none.
// - Replace All starts at the top and continues after each inserted text, so
//   a replacement that contains the text sought is never replaced again; the
//   whole of it is one step for Undo.
#pragma once

#include "editor/editor.h"
#include "editor/find_replace_dialog.h"

#include <QObject>
#include <QPointer>

class QAction;
class QWidget;
class TPrompts;

class TFindReplace : public QObject {
    Q_OBJECT
public:
    // The dialogs are created on first use as children of `window`.
    TFindReplace(TRichEdit* editor, TPrompts& prompts, QWidget* window, QObject* parent = nullptr);
    ~TFindReplace() override;

    void AttachCommands(QAction* findCmd, QAction* replaceCmd);

    void EditFindItemClick();
    void EditReplaceItemClick();
    // The dialogs; null until first opened.
    TSearchDialog* FindDialog() const { return findDialog_; }
    TSearchDialog* ReplaceDialog() const { return replaceDialog_; }

    void FindDialogFind();
    void ReplaceDialogFind();
    void ReplaceDialogReplace(bool all);
    void ReplaceFirstMatch();
    void ReplaceAllMatches();

private:
    TSearchDialog* Open(QPointer<TSearchDialog>& dialog, bool replace);
    void FindFrom(const TSearchDialog& dialog, int start);
    // The selection is a match of the dialog's text with its choices.
    bool SelectionIsMatch(const TSearchDialog& dialog) const;
    void SelectMatch(int position, int length);
    void ReplaceSelection(const QString& text);

    TRichEdit* Editor;
    TPrompts& prompts_;
    QWidget* window_;
    QPointer<TSearchDialog> findDialog_;
    QPointer<TSearchDialog> replaceDialog_;
};
