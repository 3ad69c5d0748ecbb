#include "app/entry_tools.h"

#include "editor/editor.h"
#include "platform/codepage.h"
#include "rtf/rtf_reader.h"
#include "store/entry_store.h"
#include "ui/commands.h"
#include "ui/new_password.h"
#include "ui/prompts.h"
#include "ui/typed_password.h"
#include "zip/zip_header.h"

#include <QAction>
#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>

namespace {

// A change of protection reaches the archive with the entry's next store:
// the entry counts as modified, its text stays as it is. False when the
// editor is read-only.
bool MarkForStore(TRichEdit& editor) {
    return editor.Edit([&] { editor.SetModified(true); });
}

// Text a person wrote: anything but blanks (a picture counts too).
bool HasText(const TRichEdit& editor) {
    const QString text = editor.document()->toRawText();
    return std::any_of(text.begin(), text.end(), [](QChar c) { return !c.isSpace(); });
}

} // namespace

QString ProtectionStatusText(int cipher) {
    switch (cipher) {
    case zcNone:
        return QString();
    case zcTraditional:
        return "Password Protected";
    case zcAes128:
        return "Password Protected (AES-128)";
    case zcAes192:
        return "Password Protected (AES-192)";
    default:
        return "Password Protected (AES-256)";
    }
}

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

const QString TEntryTools::TemplateWarning =
    "The template is stored without a password and anyone can read it. Save it anyway?";

std::string TEntryTools::ArchiveFile() const {
    return ArchivePath(current_.CurrentPath);
}

void TEntryTools::ApplyTemplate1Click() {
    const std::optional<std::string> rtf = store_.LoadTemplate(ArchiveFile());
    if (!rtf) return;
    // Read-only: the guard refuses the change without a question.
    if (!editor_->ReadOnly() && HasText(*editor_) &&
        prompts_.Confirm("Apply Template", "Replace the text of this entry with the template?") !=
            TConfirmAnswer::Yes)
        return;
    ReplaceContentAsEdit(*editor_, QByteArray::fromStdString(*rtf));
}

void TEntryTools::SaveasTemplate1Click() {
    // The template is shared by every entry and so never encrypted: the
    // text of a protected entry would lie there for anyone to read (and
    // would give away the keys of the traditional cipher).
    if (!StorePassword(store_.EntryPassword(), current_).empty() &&
        prompts_.Confirm("Save as Template", TemplateWarning) != TConfirmAnswer::Yes)
        return;
    if (!store_.SaveTemplate(editor_->SaveToStream().toStdString(), ArchiveFile()))
        prompts_.ShowError("Error saving template.");
}

void TEntryTools::Protect1Click() {
    std::optional<QString> answer =
        AskNewPassword(prompts_, "Password Prompt", "Enter new password:");
    if (!answer) return;
    const TPassword password = TakePassword(*answer);
    // The status bar must never claim a protection the next store will not give.
    if (StorePassword(password, current_).empty()) {
        prompts_.ShowMessage("An empty password would leave the entry unprotected.");
        return;
    }
    if (!MarkForStore(*editor_)) return;
    store_.SetEntryPassword(password);
    passwordPanel_->setText(ProtectionStatusText(store_.EntryCipher()));
}

void TEntryTools::Unprotect1Click() {
    if (!MarkForStore(*editor_)) return;
    passwordPanel_->setText(QString());
    store_.SetEntryPassword(TPassword());
}
