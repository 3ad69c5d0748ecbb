// Where the main window meets the entry store, the date tree and the
// formatting tool bar. The archive load and store, the tree's filling and
// the ruler are built in their own files; these members are their places in
// the window's sequences.
#include "app/main_form.h"

#include "app/entry_tools.h"
#include "app/recovery_keeper.h"

#include "editor/editor.h"
#include "platform/codepage.h"
#include "ui/entry_title.h"
#include "ui/prompts.h"
#include "ui/typed_password.h"
#include "zip/zip_header.h"

const QString TMainForm::RecoveryPasswordPrompt =
    "Dayscrib kept the unsaved text of a protected entry. Enter its password:";

#include <QLabel>
#include <QTabBar>
#include <QTextEdit>
#include <QTreeWidget>

#include <memory>

namespace {

// The question for the password of the entry named `entry`; from the second
// time on in one load, a wrong answer is said to be wrong before it is asked
// again.
TEntryStore::TPasswordPrompt EntryPasswordPrompt(TPrompts& prompts, const QString& entry) {
    auto asked = std::make_shared<int>(0);
    return [&prompts, entry, asked](const std::string& title, const std::string&) {
        if ((*asked)++ > 0) prompts.ShowMessage("Wrong password.");
        QString answer = prompts.InputBox(QString::fromStdString(title),
                                          "Enter the password of " + entry + ":", QString(), true);
        return TakePassword(answer);
    };
}

} // namespace

void TMainForm::LoadEntry() {
    ShowEntryTitle();
    const std::string member = Nav->CurrentMember();
    const std::string archive = ArchivePath(Current.CurrentPath);
    Store.PasswordPrompt = EntryPasswordPrompt(prompts_, EntryTitle(Nav->Key, Nav->CurrentLevel()));
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
    StatusPanel[2]->setText(
        ProtectionStatusText(result.PasswordProtected ? result.Cipher : zcNone));
    // An entry that could not be read (the user gave up on its password, or
    // the archive failed) shows nothing and takes no typing.
    const bool locked = Store.Locked();
    Editor->SetReadOnly(Current.CurrentRO || locked);
    ShowReadOnlyMark(Current.CurrentRO || locked);
    Editor->SetModified(false);
    ShowModifiedMark(false);
    Editor->setFocus();
    Nav->RefreshMarks();
    if (!failure.empty()) prompts_.ShowError(MessageText(failure));
    // A member that is there but could not be read is no absent entry: the
    // user hears of it, and the locked editor keeps it from being replaced.
    if (result.Unreadable)
        prompts_.ShowMessage("The entry of " + EntryTitle(Nav->Key, Nav->CurrentLevel()) +
                             " could not be read: " + QString::fromStdString(result.Reason) +
                             ". It is kept as it is.");
}

bool TMainForm::SaveEntry() {
    return StoreEntry() == TStoreOutcome::Stored;
}

namespace {

// The recovered entry as a person names it: its date and its diary,
// "Wednesday 9 December 2026 (User1)".
QString RecoveredEntryName(const TRecovery& r) {
    return EntryTitleOf(r.Member) + " (" + QString::fromStdString(AnsiOrUtf8Text(r.ProfileName)) +
           ")";
}

} // namespace

void TMainForm::OfferRecovery() {
    for (const QString& file : Recovery->PendingFiles())
        OfferRecoveryFile(file);
}

TRecoveryOpened TMainForm::OpenRecoveryFile(const QString& file) {
    // The text of a protected entry is shown only to whoever has its
    // password: the diaries' default passwords quietly, as opening the
    // entry would, then the user, again after each wrong answer. Cancel
    // leaves the file for the next start.
    std::vector<TPassword> silent;
    for (int n = 1; n <= ProfileCount; ++n)
        if (n == 1 || Settings.Project(n).On) silent.push_back(Settings.Project(n).Password);
    return Recovery->OpenPending(file, silent, [this] {
        QString answer =
            prompts_.InputBox("Password Prompt", RecoveryPasswordPrompt, QString(), true);
        return TakePassword(answer);
    });
}

void TMainForm::OfferRecoveryFile(const QString& file) {
    const TRecoveryOpened opened = OpenRecoveryFile(file);
    const std::optional<TRecovery>& r = opened.Recovery;
    if (!r) return;
    const QString entry = RecoveredEntryName(*r);
    const TConfirmAnswer answer =
        prompts_.Confirm("Dayscrib", "Restore the unsaved text of " + entry + "?");
    if (answer == TConfirmAnswer::No) Recovery->RemovePending(file);
    if (answer != TConfirmAnswer::Yes) return; // Cancel: offered again at the next start
    const TUserProject& profile = Settings.Project(r->Profile);
    if ((r->Profile != 1 && !profile.On) || profile.Path != r->DataPath) {
        prompts_.ShowMessage("The unsaved text belongs to a diary that is no longer set up as "
                             "it was; it stays in " +
                             file + ".");
        return;
    }
    // The entry's year is listed again if Preferences removed it meanwhile.
    TEntryKey key;
    TEntryLevel level;
    if (ParseMemberPath(r->Member, key, level)) Settings.YearList.Add(std::to_string(key.Year));
    int tab = -1;
    for (int i = 0; i < TabSet->count(); ++i)
        if (Nav->TabProfile(i) == r->Profile) tab = i;
    if (tab != Nav->CurrentTab()) Nav->SelectProfileTab(r->Profile);
    if (!Nav->OpenMember(r->Member) && Nav->CurrentMember() != r->Member) return;
    if (Editor->ReadOnly()) {
        prompts_.ShowMessage("The entry could not be opened for the unsaved text; it stays in " +
                             file + ".");
        return;
    }
    // Text that was kept sealed is stored sealed: an entry protected after
    // its last store opens without a password, and takes the one its text
    // was kept with.
    if (!opened.Key.Password.empty() && StorePassword(Store.EntryPassword(), Current).empty()) {
        Store.SetEntryPassword(opened.Key.Password);
        StatusPanel[2]->setText("Password Protected");
    }
    ReplaceContentAsEdit(*Editor, QByteArray::fromStdString(r->Rtf));
    Recovery->KeepNow(); // this run's file holds the text now: a store removes it
    Recovery->RemovePending(file);
}
