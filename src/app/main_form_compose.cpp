// The main window is composed of features, each a class of its own folder
// that carries its handlers: date navigation (nav/), formatting, find and
// replace and printing (editor/), find in files (search/), the windows of
// app/. Here each is created, given the controls and commands it serves, and
// attached; the window itself keeps only the sequences that join them.
#include "app/main_form.h"

#include "nav/date_navigator.h"
#include "search/find_dlg.h"
#include "ui/commands.h"

#include <QAction>

void TMainForm::Compose() {
    Nav = std::make_unique<TDateNavigator>(TreeView, MonthCalendar1, TabSet, Settings, Current,
                                           *this, prompts_);

    // Find in files searches the current profile's archive with a reader of
    // its own; a result double-clicked there opens as its tree node would.
    AttachCommand(FindInFiles1, prompts_, [this] {
        const std::string entry =
            RunFindDlg(this, prompts_, Settings.YearList, ArchivePath(Current.CurrentPath),
                       Current.CurrentPassword);
        if (!entry.empty()) Nav->OpenMember(entry);
    });
    FindInFiles1->setEnabled(false); // until the window is first shown (FormShow)
}
