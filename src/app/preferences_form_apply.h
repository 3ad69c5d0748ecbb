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
#include <functional>
#include <string>

class QAction;
class QCalendarWidget;
class QTabBar;
class QWidget;
class TDateNavigator;
class TPreferencesFrm;
class TPrompts;
struct TCurrentProfile;
struct TSettings;

// What the command reads and changes: the main window's settings, current
// profile, navigator, tabs and calendar, and its store and load of the entry.
struct TPreferencesTarget {
    QWidget* Window = nullptr; // the dialog's parent
    TSettings* Settings = nullptr;
    TCurrentProfile* Current = nullptr;
    TDateNavigator* Nav = nullptr;
    QTabBar* TabSet = nullptr;
    QCalendarWidget* Calendar = nullptr;
    std::function<bool()> SaveEntry;
    std::function<void()> LoadEntry;
};

class TPreferencesCommand : public QObject {
    Q_OBJECT

public:
    // Attaches the handler to `command`; owned by `target.Window`.
    TPreferencesCommand(QAction* command, TPreferencesTarget target, TPrompts& prompts);

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

    TPreferencesTarget target_;
    TPrompts& prompts_;
    std::array<TShown, 5> shown_;
};
