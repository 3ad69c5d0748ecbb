#include "app/preferences_form_apply.h"

#include "app/preferences_form.h"
#include "app/preferences_form_rules.h"
#include "editor/spell_language_box.h"
#include "nav/date_navigator.h"
#include "platform/password.h"
#include "settings/settings.h"
#include "ui/commands.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>

namespace {

void ShowProtection(QComboBox* combo, TProtection protection) {
    combo->setCurrentIndex(protection == TProtection::Traditional
                               ? TPreferencesFrm::CipherTraditionalItem
                               : TPreferencesFrm::CipherAesItem);
}

TProtection ChosenProtection(const QComboBox* combo) {
    return combo->currentIndex() == TPreferencesFrm::CipherTraditionalItem
               ? TProtection::Traditional
               : TProtection::Aes256;
}

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

std::string Typed(const QLineEdit* edit) {
    return edit->text().toStdString();
}

} // namespace

TPreferencesCommand::TPreferencesCommand(QAction* command, TPreferencesTarget target,
                                         TPrompts& prompts)
    : QObject(target.Window), target_(std::move(target)), prompts_(prompts) {
    AttachCommand(command, prompts_, [this] { Preferences1Click(); });
}

void TPreferencesCommand::Preferences1Click() {
    TPreferencesFrm dlg(prompts_, CurrentYear(), target_.Window);
    Fill(dlg);
    // Storing the open entry first is what the tab change would do with it
    // (into the archive of the profile current until now, under its key);
    // doing it before anything changes lets a failed store keep the dialog
    // open with nothing applied.
    dlg.OnAccepting = [this] { return target_.SaveEntry(); };
    const bool accepted = dlg.exec() == QDialog::Accepted;
    if (accepted) Apply(dlg);
    // The passwords as the dialog showed them are not kept past it.
    for (TShown& shown : shown_)
        WipeString(shown.Password);
}

void TPreferencesCommand::Fill(TPreferencesFrm& dlg) {
    const TSettings& s = *target_.Settings;
    shown_ = {};
    auto show = [&](int n, const TUserProject& p) {
        TShown& shown = shown_[static_cast<std::size_t>(n - 1)];
        shown.Filled = true;
        shown.Name = NameText(p.Name);
        shown.Path = PathText(p.Path);
        shown.Password = PasswordText(std::string(p.Password.View()));
    };

    const TUserProject& p1 = s.Project(1);
    show(1, p1);
    dlg.UserNameEdit(1)->setText(Text(shown_[0].Name));
    dlg.UserPathEdit(1)->setText(Text(shown_[0].Path));
    dlg.UserPasswordEdit(1)->setText(Text(shown_[0].Password));
    dlg.UserProtectCheck(1)->setChecked(p1.Protect);

    dlg.MarkStartProject(s.StartProject);
    for (int n = 1; n <= ProfileCount; ++n)
        ShowProtection(dlg.UserCipherCombo(n), s.Project(n).Protection);

    for (int n = 2; n <= ProfileCount; ++n) {
        const TUserProject& p = s.Project(n);
        if (!p.On) continue;
        show(n, p);
        const TShown& shown = shown_[static_cast<std::size_t>(n - 1)];
        dlg.UserCheck(n)->setChecked(true); // runs User<N>CheckClick
        dlg.UserNameEdit(n)->setText(Text(shown.Name));
        dlg.UserPathEdit(n)->setText(Text(shown.Path));
        dlg.UserROCheck(n)->setChecked(p.RO);
        // A password here while profile 1 has none brings the message now,
        // and the box opens empty.
        dlg.UserPasswordEdit(n)->setText(Text(shown.Password));
        dlg.UserProtectCheck(n)->setChecked(p.Protect);
    }

    for (const std::string& year : s.YearList.Strings())
        dlg.DstList->addItem(QString::fromStdString(year));
    for (int n = 1; n <= ProfileCount; ++n)
        dlg.SpellingBox->SetLanguage(n, s.Project(n).SpellLanguage);
}

void TPreferencesCommand::ReadProfile(TPreferencesFrm& dlg, int n) {
    TUserProject& p = target_.Settings->Project(n);
    const TShown& shown = shown_[static_cast<std::size_t>(n - 1)];
    // A field of a profile that was not filled was never shown: what it
    // holds now is what the user typed.
    auto read = [&](const QLineEdit* edit, const std::string& shownText,
                    const std::string& original, std::string (*convert)(const std::string&)) {
        return shown.Filled ? EditedBytes(Typed(edit), shownText, original, convert)
                            : convert(Typed(edit));
    };
    p.Name = read(dlg.UserNameEdit(n), shown.Name, p.Name, NameBytes);
    p.Path = read(dlg.UserPathEdit(n), shown.Path, p.Path, PathBytes);
    std::string password(p.Password.View());
    std::string typed = read(dlg.UserPasswordEdit(n), shown.Password, password, PasswordFieldBytes);
    p.Password = typed;
    WipeString(typed);
    WipeString(password);
    p.Protect = dlg.UserProtectCheck(n)->isChecked();
    p.Protection = ChosenProtection(dlg.UserCipherCombo(n));
    if (n > 1) p.RO = dlg.UserROCheck(n)->isChecked();
}

void TPreferencesCommand::Apply(TPreferencesFrm& dlg) {
    TSettings& s = *target_.Settings;
    TDateNavigator& nav = *target_.Nav;

    // 1. the start profile, and each profile's spelling language (the load
    // of the tab change below follows it)
    s.StartProject = dlg.ChosenProject;
    for (int n = 1; n <= ProfileCount; ++n)
        s.Project(n).SpellLanguage = dlg.SpellingBox->Language(n);

    // 2 to 4. the profiles, and the tabs of those that are on
    const int remembered = target_.TabSet->currentIndex();
    ReadProfile(dlg, 1);
    for (int n = 2; n <= ProfileCount; ++n) {
        // A profile switched off keeps its other values.
        s.Project(n).On = dlg.UserCheck(n)->isChecked();
        if (s.Project(n).On) ReadProfile(dlg, n);
    }
    nav.FillTabs();

    // 5. the remembered tab again, or the last one; selecting it is a tab
    // change (store, then load from the tab's profile)
    int tab = -1;
    if (remembered >= 0) {
        tab = remembered < target_.TabSet->count() ? remembered : target_.TabSet->count() - 1;
        {
            const QSignalBlocker block(target_.TabSet);
            target_.TabSet->setCurrentIndex(tab);
        }
        nav.TabSetChange(tab);
    }

    // 6. the selected tab's profile is current (profile 1 without a tab)
    *target_.Current = SelectProfile(s, tab >= 0 ? nav.TabProfile(tab) : 1);

    // 7. the year list, sorted by the list itself
    s.YearList.Clear();
    for (int i = 0; i < dlg.DstList->count(); ++i)
        s.YearList.Add(dlg.DstList->item(i)->text().toStdString());

    // 8. the calendar click's sequence at the calendar's date. When that
    // date's year is no longer listed the tree has no node for it: the
    // entry of that day stays open (CurrentNode empty, the day's level), so
    // what is typed next is still stored under its own key.
    if (!target_.SaveEntry()) return;
    nav.BuildTreeForDate(target_.Calendar->selectedDate());
    nav.SelectCurrentNode();
    target_.LoadEntry();
    if (nav.OnNavigated) nav.OnNavigated();
}
