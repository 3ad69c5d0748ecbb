// The main window is composed of features, each a class of its own folder
// that carries its handlers: date navigation (nav/), formatting, find and
// replace and printing (editor/), find in files (search/), the windows of
// app/. Here each is created, given the controls and commands it serves, and
// attached; the window itself keeps only the sequences that join them.
#include "app/main_form.h"

#include "app/help_window_menu.h"
#include "app/preferences_form_apply.h"
#include "nav/date_navigator.h"
#include "ui/commands.h"

void TMainForm::Compose() {
    Nav = std::make_unique<TDateNavigator>(TreeView, MonthCalendar1, TabSet, Settings, Current,
                                           *this, prompts_);
    new TPreferencesCommand(*this, prompts_); // View > Preferences; owned by the window
    new THelpMenu(*this, prompts_);           // the Help menu; owned by the window
}
