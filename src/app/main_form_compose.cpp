// The main window is composed of features, each a class of its own folder
// that carries its handlers: date navigation (nav/), formatting, find and
// replace and printing (editor/), find in files (search/), the windows of
// app/. Here each is created, given the controls and commands it serves, and
// attached; the window itself keeps only the sequences that join them.
#include "app/main_form.h"

#include "app/entry_export.h"
#include "app/entry_tools.h"
#include "app/recovery_keeper.h"
#include "nav/date_navigator.h"
#include "ui/commands.h"

void TMainForm::Compose() {
    Nav = std::make_unique<TDateNavigator>(TreeView, MonthCalendar1, TabSet, Settings, Current,
                                           *this, prompts_);
    AttachCommand(GoToday1, prompts_, [this] { Nav->GoToToday(); });
    AttachCommand(GoPreviousDay1, prompts_, [this] { Nav->GoToPreviousDay(); });
    AttachCommand(GoNextDay1, prompts_, [this] { Nav->GoToNextDay(); });
    AttachCommand(OnThisDay1, prompts_, [this] { Nav->ShowOnThisDay(); });

    Recovery = new TRecoveryKeeper(
        Editor,
        [this] {
            TRecovery r;
            r.Profile = Nav->TabProfile(Nav->CurrentTab());
            r.ProfileName = Settings.Project(r.Profile).Name;
            r.DataPath = Current.CurrentPath;
            r.Member = Nav->CurrentMember();
            return r;
        },
        this);

    auto* exporter = new TEntryExport(
        prompts_, Current, [this] { return SaveEntry(); }, [this] { return Nav->KeyDate(); }, this);
    exporter->Attach(ExportCmd);

    auto* tools = new TEntryTools(Editor, Store, Current, StatusPanel[2], prompts_, this);
    tools->Attach(ApplyTemplate1, SaveAsTemplate1, Protect1, Unprotect1);
}
