// The View menu's pane switches, the status bar's marks and the transfer of
// the settings to and from the controls.
#include "app/main_form.h"

#include "editor/editor.h"

#include <QAction>
#include <QCalendarWidget>
#include <QLabel>
#include <QStatusBar>
#include <QTabBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QTreeWidget>

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
    case 2:
        return {"Password Protected"};
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
