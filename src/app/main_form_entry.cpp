// Where the main window meets the entry store, the date tree and the
// formatting tool bar. The archive load and store, the tree's filling and
// the ruler are built in their own files; these members are their places in
// the window's sequences.
#include "app/main_form.h"

#include "editor/editor.h"

#include <QLabel>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

void TMainForm::TabSetChange(int index) {
    if (!SaveEntry()) return;
    Current = SelectProfile(Settings, TabProfile(index));
    LoadEntry();
}

void TMainForm::LoadEntry() {
    // The archive read comes with the entry store; until then every entry
    // starts empty.
    Editor->Clear();
    StatusPanel[2]->clear();
    Editor->SetReadOnly(Current.CurrentRO);
    ShowReadOnlyMark(Current.CurrentRO);
    Editor->SetModified(false);
    ShowModifiedMark(false);
    Editor->setFocus();
}

bool TMainForm::SaveEntry() {
    // The archive store comes with the entry store; nothing is written yet.
    return true;
}

void TMainForm::BuildRulerTicks() {}

void TMainForm::SelectionChange() {
    ShowCaretPosition();
}
