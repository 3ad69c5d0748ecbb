#include "app/entry_tools.h"

#include "editor/editor.h"
#include "platform/codepage.h"
#include "rtf/rtf_reader.h"
#include "store/entry_store.h"
#include "ui/commands.h"
#include "ui/new_password.h"
#include "ui/prompts.h"

#include <QAction>
#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace {

// Marks the entry modified, as typing would, and can be undone. False when
// the editor is read-only.
bool AppendEmptyLine(TRichEdit& editor) {
    return editor.Edit([&] {
        QTextCursor c(editor.document());
        c.movePosition(QTextCursor::End);
        c.insertBlock();
    });
}

} // namespace

bool ReplaceContentAsEdit(TRichEdit& editor, const QByteArray& rtf) {
    return editor.Edit([&] {
        QTextDocument replacement;
        replacement.setDefaultFont(editor.document()->defaultFont());
        ReadRtf(rtf, replacement);
        QTextCursor c(editor.document());
        c.beginEditBlock();
        c.select(QTextCursor::Document);
        c.removeSelectedText();
        // The first paragraph takes the template's paragraph attributes too.
        c.setBlockFormat(replacement.begin().blockFormat());
        c.insertFragment(QTextDocumentFragment(&replacement));
        c.endEditBlock();
        editor.moveCursor(QTextCursor::Start);
    });
}

TEntryTools::TEntryTools(TRichEdit* editor, TEntryStore& store, const TCurrentProfile& current,
                         QLabel* passwordPanel, TPrompts& prompts, QObject* parent)
    : QObject(parent), editor_(editor), store_(store), current_(current),
      passwordPanel_(passwordPanel), prompts_(prompts) {}

void TEntryTools::Attach(QAction* applyTemplate, QAction* saveAsTemplate, QAction* protect,
                         QAction* unprotect) {
    AttachCommand(applyTemplate, prompts_, [this] { ApplyTemplate1Click(); });
    AttachCommand(saveAsTemplate, prompts_, [this] { SaveasTemplate1Click(); });
    AttachCommand(protect, prompts_, [this] { Protect1Click(); });
    AttachCommand(unprotect, prompts_, [this] { Unprotect1Click(); });
    // Greyed while the entry is read-only, instead of doing nothing.
    const auto follow = [applyTemplate, saveAsTemplate, protect, unprotect](bool readOnly) {
        for (QAction* a : {applyTemplate, saveAsTemplate, protect, unprotect})
            a->setEnabled(!readOnly);
    };
    connect(editor_, &TRichEdit::ReadOnlyChanged, this, follow);
    follow(editor_->ReadOnly());
}

std::string TEntryTools::ArchiveFile() const {
    return ArchivePath(current_.CurrentPath);
}

void TEntryTools::ApplyTemplate1Click() {
    const std::optional<std::string> rtf = store_.LoadTemplate(ArchiveFile());
    if (!rtf) return;
    ReplaceContentAsEdit(*editor_, QByteArray::fromStdString(*rtf));
}

void TEntryTools::SaveasTemplate1Click() {
    if (!store_.SaveTemplate(editor_->SaveToStream().toStdString(), ArchiveFile()))
        prompts_.ShowError("Error saving template.");
}

void TEntryTools::Protect1Click() {
    const std::optional<QString> answer =
        AskNewPassword(prompts_, "Password Prompt", "Enter new password:");
    if (!answer) return;
    const std::string password = PasswordBytes(answer->toStdString());
    // The status bar must never claim a protection the next store will not give.
    if (StorePassword(password, current_).empty()) {
        prompts_.ShowMessage("An empty password would leave the entry unprotected.");
        return;
    }
    if (!AppendEmptyLine(*editor_)) return;
    passwordPanel_->setText("Password Protected");
    store_.SetEntryPassword(password);
}

void TEntryTools::Unprotect1Click() {
    if (!AppendEmptyLine(*editor_)) return;
    passwordPanel_->setText(QString());
    store_.SetEntryPassword(std::string());
}
