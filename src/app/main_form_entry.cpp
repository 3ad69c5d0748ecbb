// Where the main window meets the entry store, the date tree and the
// formatting tool bar. The archive load and store, the tree's filling and
// the ruler are built in their own files; these members are their places in
// the window's sequences.
#include "app/main_form.h"

#include "editor/editor.h"
#include "platform/codepage.h"
#include "ui/prompts.h"

#include <QLabel>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

void TMainForm::LoadEntry() {
    const std::string member = Nav->CurrentMember();
    const std::string archive = ArchivePath(Current.CurrentPath);
    Store.PasswordPrompt = [this](const std::string& title, const std::string& prompt) {
        QString answer = prompts_.InputBox(QString::fromStdString(title),
                                           QString::fromStdString(prompt), QString(), true);
        return PasswordBytes(answer.toStdString());
    };
    TEntryStore::TLoadResult result;
    std::string failure;
    try {
        result = Store.Load(archive, member, Current);
    } catch (const std::exception& e) {
        failure = e.what(); // shown below, once the editor shows no stale text
    }
    if (result.Found)
        Editor->LoadFromStream(QByteArray::fromStdString(result.Bytes));
    else
        Editor->Clear();
    StatusPanel[2]->setText(result.PasswordProtected ? "Password Protected" : "");
    // An entry that could not be read (the user gave up on its password, or
    // the archive failed) shows nothing and takes no typing.
    const bool locked = Store.Locked();
    Editor->SetReadOnly(Current.CurrentRO || locked);
    ShowReadOnlyMark(Current.CurrentRO || locked);
    Editor->SetModified(false);
    ShowModifiedMark(false);
    Editor->setFocus();
    if (!failure.empty()) prompts_.ShowError(MessageText(failure));
}

bool TMainForm::SaveEntry() {
    if (!Editor->Modified()) return true;
    const std::string member = Nav->CurrentMember();
    const std::string archive = ArchivePath(Current.CurrentPath);
    bool stored = false;
    try {
        stored = Store.Save(Editor->SaveToStream().toStdString(), archive, member, Current);
    } catch (const std::exception& e) {
        prompts_.ShowError(MessageText(e.what()));
        return false;
    }
    if (!stored) {
        prompts_.ShowMessage("Error saving entry.");
        return false; // the text stays, still modified; the caller stays here
    }
    Editor->SetModified(false);
    ShowModifiedMark(false);
    return true;
}
