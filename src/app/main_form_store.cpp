// Storing the open entry: the outcome of one store, the choice the user
// makes when another program changed the entry meanwhile, the damaged
// entries a store carried over, and closing after a store failed.
//
// A failed store never loses the text: it stays in the editor, still
// modified, and whatever asked for the store (a change of entry, closing)
// does not happen. Closing may still go ahead when the user says so; the
// text is then in the recovery file, offered back at the next start.
#include "app/main_form.h"

#include "app/recovery_keeper.h"
#include "editor/editor.h"
#include "ui/entry_title.h"
#include "ui/prompts.h"

#include <QLabel>

#include <algorithm>

TMainForm::TStoreOutcome TMainForm::StoreEntry() {
    if (!Editor->Modified()) return TStoreOutcome::Stored;
    const std::string member = Nav->CurrentMember();
    const std::string archive = ArchivePath(Current.CurrentPath);
    const std::string bytes = Editor->SaveToStream().toStdString();
    bool stored = false;
    try {
        stored = Store.Save(bytes, archive, member, Current);
        if (!stored && Store.ChangedElsewhere()) return ResolveOtherChange(bytes, archive, member);
    } catch (const std::exception& e) {
        prompts_.ShowError(MessageText(e.what()));
        return TStoreOutcome::Failed;
    }
    if (!stored) {
        prompts_.ShowMessage("Error saving entry.");
        return TStoreOutcome::Failed; // the text stays, still modified; the caller stays here
    }
    EntryStored();
    return TStoreOutcome::Stored;
}

TMainForm::TStoreOutcome TMainForm::ResolveOtherChange(const std::string& bytes,
                                                       const std::string& archive,
                                                       const std::string& member) {
    const QString entry = EntryTitle(Nav->Key, Nav->CurrentLevel());
    for (;;) {
        const int choice = prompts_.Choose(
            "Dayscrib",
            "The entry of " + entry +
                " was changed by another program since you opened it.\n\n"
                "Keep my text: your text is stored, and the other version is kept in the "
                "diary as a copy beside it.\n"
                "Take the other version: the entry shows what the other program stored, and "
                "your changes are discarded.\n"
                "Cancel: nothing is stored; you go on editing.",
            {"&Keep my text", "&Take the other version", "Cancel"});
        if (choice == 1) {
            LoadEntry();
            return TStoreOutcome::Stored;
        }
        if (choice != 0) return TStoreOutcome::Stayed;
        bool stored = false;
        try {
            stored = Store.SaveOverOther(bytes, archive, member, Current);
        } catch (const std::exception& e) {
            prompts_.ShowError(MessageText(e.what()));
            return TStoreOutcome::Failed;
        }
        if (stored) {
            EntryStored();
            return TStoreOutcome::Stored;
        }
        if (!Store.ChangedElsewhere()) {
            prompts_.ShowMessage("Error saving entry.");
            return TStoreOutcome::Failed;
        }
        // Changed once more meanwhile: asked again about the newest version.
    }
}

void TMainForm::EntryStored() {
    Editor->SetModified(false);
    ShowModifiedMark(false);
    Recovery->Discard();
    Nav->RefreshMarks();
    ReportDamagedMembers();
}

void TMainForm::ReportDamagedMembers() {
    const std::string archive = ArchivePath(Current.CurrentPath);
    for (const std::string& member : Store.DamagedMembers()) {
        const std::string key = archive + '|' + member;
        if (std::find(reportedDamaged_.begin(), reportedDamaged_.end(), key) !=
            reportedDamaged_.end())
            continue;
        reportedDamaged_.push_back(key);
        prompts_.ShowMessage("The entry of " + EntryTitleOf(member) +
                             " is damaged and cannot be read. It is kept as it is; the other "
                             "entries are stored as usual.");
    }
}

bool TMainForm::CloseAnyway() {
    if (prompts_.Confirm("Dayscrib",
                         "The entry could not be stored. Close anyway? Your text is "
                         "kept and offered back at the next start.") != TConfirmAnswer::Yes)
        return false;
    if (Recovery->KeepNow()) return true;
    return prompts_.Confirm("Dayscrib", "Your text could not be kept in " + Recovery->FileName() +
                                            " either. Close anyway and lose it?") ==
           TConfirmAnswer::Yes;
}
