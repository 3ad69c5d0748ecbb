// The View menu's pane switches, the status bar's marks, the window's title
// and the transfer of the settings to and from the controls.
#include "app/main_form.h"

#include "app/entry_tools.h"
#include "zip/zip_header.h"

#include "editor/editor.h"
#include "editor/spell_commands.h"
#include "ui/entry_title.h"

#include <QAction>
#include <QCalendarWidget>
#include <QLabel>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

// A user writing a week's summary must not believe they are writing the day
// the calendar still shows: the title says which entry is open.
void TMainForm::ShowEntryTitle() {
    setWindowTitle(EntryTitle(Nav->Key, Nav->CurrentLevel()) +
                   QString::fromUtf8(" \u2014 Dayscrib"));
}

void TMainForm::AddPaneKeys() {
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), this);
    connect(next, &QShortcut::activated, this, [this] { focusNextChild(); });
    // Shift+Tab arrives as Backtab, or as Tab with Shift.
    for (const QKeyCombination keys :
         {Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, Qt::CTRL | Qt::SHIFT | Qt::Key_Tab}) {
        auto* previous = new QShortcut(QKeySequence(keys), this);
        connect(previous, &QShortcut::activated, this, [this] { focusPreviousChild(); });
    }
}

// ---- View menu: Qt has toggled the check mark before the handler runs ----

void TMainForm::Calendar1Click() {
    MonthCalendar1->setVisible(Calendar1->isChecked());
    UpdateLeftPane();
}

void TMainForm::TreeView1Click() {
    TreeView->setVisible(TreeView1->isChecked());
    UpdateLeftPane();
}

void TMainForm::ToolBar1Click() {
    StandardToolBar->setVisible(ToolBar1->isChecked());
}

void TMainForm::Tabs1Click() {
    TabSet->setVisible(Tabs1->isChecked());
}

void TMainForm::UpdateLeftPane() {
    LeftPnl->setVisible(Calendar1->isChecked() || TreeView1->isChecked());
}

// ---- status bar ----

QStringList TMainForm::StatusPanelTexts(int panel) {
    switch (panel) {
    case 0: // a long entry's caret: four-digit numbers
        return {QString::asprintf("Line: %3d   Col: %3d", 9999, 9999)};
    case 1:
        return {"Modified", "Read Only"};
    case 2: // every cipher's words
        return {ProtectionStatusText(zcTraditional), ProtectionStatusText(zcAes128),
                ProtectionStatusText(zcAes192), ProtectionStatusText(zcAes256)};
    default:
        return {};
    }
}

void TMainForm::ShowModifiedMark(bool modified) {
    if (modified)
        StatusPanel[1]->setText("Modified");
    else if (StatusPanel[1]->text() != "Read Only")
        StatusPanel[1]->setText(QString());
}

void TMainForm::ShowReadOnlyMark(bool readOnly) {
    StatusPanel[1]->setText(readOnly ? "Read Only" : QString());
}

// ---- settings <-> controls ----

void TMainForm::ApplySettings() {
    move(Settings.Left, Settings.Top);
    resize(Settings.Width, Settings.Height);
    Calendar1->setChecked(Settings.ShowCalendar);
    Tabs1->setChecked(Settings.ShowTabs);
    ToolBar1->setChecked(Settings.ShowToolBar);
    TreeView1->setChecked(Settings.ShowTreeView);
    MonthCalendar1->setVisible(Settings.ShowCalendar);
    TabSet->setVisible(Settings.ShowTabs);
    StandardToolBar->setVisible(Settings.ShowToolBar);
    TreeView->setVisible(Settings.ShowTreeView);
    UpdateLeftPane();
    Spelling->SetOn(Settings.CheckSpelling);
    Current = SelectProfile(Settings, 1);
    Nav->FillTabs();
}

void TMainForm::CollectSettings() {
    Settings.Left = x();
    Settings.Top = y();
    Settings.Width = width();
    Settings.Height = height();
    Settings.ShowCalendar = Calendar1->isChecked();
    Settings.ShowTabs = Tabs1->isChecked();
    Settings.ShowToolBar = ToolBar1->isChecked();
    Settings.ShowTreeView = TreeView1->isChecked();
}
