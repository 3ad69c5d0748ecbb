// View > "&Preferences...": fills the Preferences dialog from the main
// window's settings, shows it, and after OK applies what it holds in the
// main window's order: start profile, tabs (the tab change stores and loads),
// the current profile, the year list, then the calendar click's sequence
// (store, tree rebuilt at the calendar's date, load).
//
// The open entry is stored before anything is applied, from inside the
// dialog's OK: when that fails the dialog stays open and nothing changes,
// so the text is never left under a profile or key it does not belong to.
#pragma once

#include <QObject>
#include <array>
#include <string>

class TMainForm;
class TPreferencesFrm;
class TPrompts;

class TPreferencesCommand : public QObject {
    Q_OBJECT

public:
    TPreferencesCommand(TMainForm& form, TPrompts& prompts);

    // The menu entry's handler.
    void Preferences1Click();

private:
    // What the dialog showed of each profile, so that a field left as shown
    // hands back its bytes untouched.
    struct TShown {
        bool Filled = false;
        std::string Name, Path, Password;
    };

    void Fill(TPreferencesFrm& dlg);
    void Apply(TPreferencesFrm& dlg);
    void ReadProfile(TPreferencesFrm& dlg, int n);

    TMainForm& form_;
    TPrompts& prompts_;
    std::array<TShown, 5> shown_;
};
