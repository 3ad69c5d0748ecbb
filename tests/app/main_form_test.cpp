#include "app/main_form.h"
#include "platform/profile_file.h"
#include "settings/password_scramble.h"
#include "support/test_support.h"
#include "ui/prompts.h"

#include "editor/editor.h"
#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

using testsupport::ReadFile;
using testsupport::WriteFile;
using TKind = TScriptedPrompts::TKind;

namespace {

class MainForm : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    TScriptedPrompts prompts;

    std::string IniPath() const { return folders.configDir() + "/Dayscrib.INI"; }
    void WriteIni(const std::string& body) {
        ProfileFilePath("Dayscrib.INI"); // creates the configuration folder
        WriteFile(IniPath(), "[Main]\n" + body);
    }
    std::unique_ptr<TMainForm> Create() { return std::make_unique<TMainForm>(prompts); }
    std::string Ini(const std::string& key) {
        return GetPrivateProfileStringA("Main", key, "<missing>", "Dayscrib.INI");
    }
};

bool Shown(QWidget* w, TMainForm& form) {
    return w->isVisibleTo(&form);
}

QAction* FindAction(QMenu* menu, const QString& caption) {
    for (QAction* a : menu->actions()) {
        if (a->text() == caption) return a;
        if (a->menu())
            if (QAction* found = FindAction(a->menu(), caption)) return found;
    }
    return nullptr;
}

} // namespace

TEST_F(MainForm, NoSettingsFileOpensProfileOneWithoutLogin) {
    auto form = Create();
    ASSERT_TRUE(form->LoginPassed());
    EXPECT_EQ(prompts.Count(TKind::Input), 0);
    EXPECT_EQ(form->windowTitle(), "Dayscrib");
    form->show();
    ASSERT_EQ(form->TabSet->count(), 1);
    EXPECT_EQ(form->TabSet->tabText(0), "User1");
    EXPECT_EQ(form->TabSet->currentIndex(), 0);
    EXPECT_EQ(form->Current.CurrentPath, "Data\\");
    EXPECT_FALSE(form->Current.CurrentRO);
    EXPECT_FALSE(form->Editor->isReadOnly());
    for (QWidget* w :
         {static_cast<QWidget*>(form->MonthCalendar1), static_cast<QWidget*>(form->TreeView),
          form->LeftPnl, static_cast<QWidget*>(form->TabSet),
          static_cast<QWidget*>(form->StandardToolBar)})
        EXPECT_TRUE(Shown(w, *form)) << w->objectName().toStdString();
    const QDate today = QDate::currentDate();
    EXPECT_EQ(form->Nav->Key.Year, today.year());
    EXPECT_EQ(form->Nav->Key.Day, today.day());
    EXPECT_EQ(form->MonthCalendar1->selectedDate(), today);
    ASSERT_NE(form->Nav->CurrentNode, nullptr);
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_EQ(form->Nav->CurrentNode->text(0), QString::number(today.day()));
    EXPECT_EQ(MemberPath(form->Nav->Key, form->Nav->CurrentLevel()),
              QString("%1\\%2\\Week%3\\%4.rtf")
                  .arg(today.year())
                  .arg(today.month())
                  .arg(form->Nav->Key.Week)
                  .arg(today.day())
                  .toStdString());
    EXPECT_EQ(form->StatusPanel[0]->text(), "Line:   1   Col:   1");
    EXPECT_TRUE(form->FindInFiles1->isEnabled());
    EXPECT_EQ(form->Editor->DefAttributes().Name(), "MS Sans Serif");
    EXPECT_EQ(form->Editor->DefAttributes().Size(), 8);
    EXPECT_TRUE(prompts.Asked.empty());
    form.reset();
    EXPECT_EQ(Ini("User1Path"), "Data\\");
    EXPECT_EQ(Ini("YearCount"), "1");
    EXPECT_EQ(Ini("Year1"), std::to_string(today.year()));
}

TEST_F(MainForm, LayoutControlsAndStatusPanels) {
    auto form = Create();
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->Splitter1->sizes().front(), 209);
    EXPECT_EQ(form->Ruler->height(), 26);
    EXPECT_EQ(form->TabSet->height(), form->TabSet->sizeHint().height()); // not squeezed away
    EXPECT_EQ(form->MonthCalendar1->firstDayOfWeek(), Qt::Sunday);
    // At least the classic widths; wider where a text needs it.
    const int widths[3] = {120, 60, 50};
    for (int i = 0; i < 3; ++i)
        EXPECT_GE(form->StatusPanel[i]->width(), widths[i]);
    // The password panel is as wide as its longest words.
    EXPECT_GE(
        form->StatusPanel[2]->contentsRect().width(),
        form->StatusPanel[2]->fontMetrics().horizontalAdvance("Password Protected (AES-256)"));
    EXPECT_TRUE(form->StatusPanel[1]->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(form->StatusPanel[0]->alignment() & Qt::AlignLeft);
    for (const char* name :
         {"SaveButton", "PrintButton", "CutButton", "CopyButton", "PasteButton", "UndoButton",
          "FontName", "FontSize", "ColorFramePnl", "ColorButton", "BoldButton", "ItalicButton",
          "UnderlineButton", "LeftAlign", "CenterAlign", "RightAlign", "BulletsButton"})
        EXPECT_NE(form->StandardToolBar->findChild<QWidget*>(name), nullptr) << name;
    EXPECT_GT(form->findChild<QComboBox*>("FontName")->count(), 0); // font list filled
}

TEST_F(MainForm, MenusHaveTheirCaptionsAndShortcuts) {
    auto form = Create();
    const QList<QAction*> menus = form->menuBar()->actions();
    QStringList titles;
    for (QAction* m : menus)
        titles << m->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Insert", "&Tools", "&Help"}));
    struct Entry {
        QMenu* menu;
        const char* caption;
        const char* shortcut;
    };
    const Entry entries[] = {
        {form->FileMenu, "&Save", "Ctrl+S"},
        {form->FileMenu, "Save &As...", ""},
        {form->FileMenu, "&Print...", "Ctrl+P"},
        {form->FileMenu, "E&xit", "Alt+X"},
        {form->EditMenu, "&Undo", "Ctrl+Z"},
        {form->EditMenu, "Cu&t", "Ctrl+X"},
        {form->EditMenu, "&Copy", "Ctrl+C"},
        {form->EditMenu, "&Paste", "Ctrl+V"},
        {form->EditMenu, "Find...", "Ctrl+F"},
        {form->EditMenu, "Replace...", "Ctrl+R"},
        {form->EditMenu, "Find in Files...", "Ctrl+G"},
        {form->EditMenu, "Color...", ""},
        {form->EditMenu, "&Font...", ""},
        {form->ViewMenu, "&Calendar", ""},
        {form->ViewMenu, "T&abs", ""},
        {form->ViewMenu, "&Tool Bar", ""},
        {form->ViewMenu, "Tree &View", ""},
        {form->ViewMenu, "&Statistics...", ""},
        {form->ViewMenu, "Check &Spelling", ""},
        {form->ViewMenu, "&Preferences...", ""},
        {form->InsertMenu, "&Picture...", ""},
        {form->ToolsMenu, "Apply Template", "Ctrl+T"},
        {form->ToolsMenu, "Save as Template", ""},
        {form->ToolsMenu, "Protect", ""},
        {form->ToolsMenu, "Unprotect", ""},
        {form->HelpMenu, "Contents...", "F1"},
        {form->HelpMenu, "License Agreement...", ""},
        {form->HelpMenu, "Ordering Information...", ""},
        {form->HelpMenu, "&About...", ""},
    };
    for (const Entry& e : entries) {
        QAction* a = FindAction(e.menu, e.caption);
        ASSERT_NE(a, nullptr) << e.caption;
        EXPECT_EQ(a->shortcut(), QKeySequence(e.shortcut)) << e.caption;
    }
    EXPECT_FALSE(form->FindInFiles1->isEnabled()); // until the window is shown
    EXPECT_EQ(form->FileSaveCmd->statusTip(), "Save current file");
}

TEST_F(MainForm, HidingCalendarAndTreeHidesTheLeftPane) {
    auto form = Create();
    form->show();
    form->Calendar1->trigger();
    EXPECT_FALSE(form->Calendar1->isChecked());
    EXPECT_FALSE(Shown(form->MonthCalendar1, *form));
    EXPECT_TRUE(Shown(form->LeftPnl, *form));
    form->TreeView1->trigger();
    EXPECT_FALSE(Shown(form->TreeView, *form));
    EXPECT_FALSE(Shown(form->LeftPnl, *form));
    form->TreeView1->trigger();
    EXPECT_TRUE(Shown(form->LeftPnl, *form));
    EXPECT_TRUE(Shown(form->TreeView, *form));
    EXPECT_FALSE(Shown(form->MonthCalendar1, *form));
    form->ToolBar1->trigger();
    EXPECT_FALSE(Shown(form->StandardToolBar, *form));
    form->Tabs1->trigger();
    EXPECT_FALSE(Shown(form->TabSet, *form));
    form.reset();
    EXPECT_EQ(Ini("ShowCalendar"), "0");
    EXPECT_EQ(Ini("ShowTreeView"), "1");
    EXPECT_EQ(Ini("ShowToolBar"), "0");
    EXPECT_EQ(Ini("ShowTabs"), "0");
}

TEST_F(MainForm, BothPanesHiddenInTheSettingsHideTheLeftPaneAtStart) {
    WriteIni("ShowCalendar=0\nShowTreeView=0\n");
    auto form = Create();
    form->show();
    EXPECT_FALSE(form->Calendar1->isChecked());
    EXPECT_FALSE(form->TreeView1->isChecked());
    EXPECT_FALSE(Shown(form->LeftPnl, *form));
    form->Calendar1->trigger();
    EXPECT_TRUE(Shown(form->LeftPnl, *form));
    EXPECT_TRUE(Shown(form->MonthCalendar1, *form));
}

TEST_F(MainForm, ReadOnlyMarkSurvivesClearingTheModifiedMark) {
    auto form = Create();
    form->ShowReadOnlyMark(true);
    form->ShowModifiedMark(false);
    EXPECT_EQ(form->StatusPanel[1]->text(), "Read Only");
    form->ShowModifiedMark(true);
    EXPECT_EQ(form->StatusPanel[1]->text(), "Modified");
    form->ShowModifiedMark(false);
    EXPECT_EQ(form->StatusPanel[1]->text(), "");
    form->ShowReadOnlyMark(true);
    form->ShowReadOnlyMark(false);
    EXPECT_EQ(form->StatusPanel[1]->text(), "");
}

TEST_F(MainForm, TypingShowsModifiedAndCaretPosition) {
    auto form = Create();
    form->show();
    QTest::keyClicks(form->Editor, "ab");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    QTest::keyClicks(form->Editor, "cde");
    EXPECT_EQ(form->StatusPanel[1]->text(), "Modified");
    EXPECT_EQ(form->StatusPanel[0]->text(), "Line:   2   Col:   4");
}

TEST_F(MainForm, LoginWithTheRightPasswordPasses) {
    WriteIni("User1Password=" + ScramblePassword("Secret") + "\n");
    prompts.Inputs.push_back(QString("Secret"));
    auto form = Create();
    EXPECT_TRUE(form->LoginPassed());
    ASSERT_EQ(prompts.Asked.size(), 1u);
    EXPECT_EQ(prompts.Asked[0].Caption, "Dayscrib Login");
    EXPECT_EQ(prompts.Asked[0].Text, "Enter User/Project #1 Default Password:");
    EXPECT_TRUE(prompts.Asked[0].Masked);
}

TEST_F(MainForm, LoginInAnotherLetterCaseIsRefusedAndSettingsAreStillWritten) {
    WriteIni("Left=0x20\nUser1Password=" + ScramblePassword("Secret") + "\n");
    prompts.Inputs = {QString("secret"), QString("SECRET"), QString("sEcret"), QString("Secret")};
    auto form = Create();
    EXPECT_FALSE(form->LoginPassed());
    // Three tries, each wrong one said to be wrong, then the program ends.
    EXPECT_EQ(prompts.Count(TKind::Input), 3);
    EXPECT_EQ(prompts.Messages(), (QStringList{"Wrong password.", "Wrong password.",
                                               "Invalid User/Project #1 Default Password"}));
    EXPECT_EQ(form->Nav->CurrentNode, nullptr);
    form.reset();
    EXPECT_EQ(Ini("Left"), "32"); // the values just read, written back
    EXPECT_EQ(Ini("User1Password"), ScramblePassword("Secret"));
    EXPECT_EQ(Ini("User5Protect"), "0");
}

TEST_F(MainForm, ATypoInTheLoginPasswordCostsATryNotTheStart) {
    WriteIni("User1Password=" + ScramblePassword("Secret") + "\n");
    prompts.Inputs = {QString("Secrte"), QString("Secret")};
    auto form = Create();
    EXPECT_TRUE(form->LoginPassed());
    ASSERT_EQ(prompts.Asked.size(), 3u);
    EXPECT_EQ(prompts.Asked[1].Text, "Wrong password.");
    EXPECT_EQ(prompts.Asked[2].Caption, "Dayscrib Login");
    EXPECT_EQ(prompts.Asked[2].Text, "Enter User/Project #1 Default Password:");
}

// At start the tree shows the current year's node, not only today's node
// with its year scrolled off the top.
TEST_F(MainForm, TheTreeStartsWithTheCurrentYearInView) {
    const int thisYear = QDate::currentDate().year();
    std::string years;
    int count = 0;
    for (int y = 1990; y <= thisYear + 10; ++y)
        years += "Year" + std::to_string(++count) + "=" + std::to_string(y) + "\n";
    WriteIni("YearCount=" + std::to_string(count) + "\n" + years);
    auto form = Create();
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QApplication::processEvents();
    QTreeWidgetItem* year = form->Nav->CurrentNode;
    ASSERT_NE(year, nullptr);
    while (year->parent())
        year = year->parent();
    ASSERT_EQ(year->text(0), QString::number(thisYear));
    const QRect view = form->TreeView->viewport()->rect();
    auto inView = [&](QTreeWidgetItem* node) {
        return view.contains(form->TreeView->visualItemRect(node));
    };
    EXPECT_TRUE(inView(year));
    EXPECT_TRUE(inView(form->Nav->CurrentNode));
    // Scrolled while the window was still being laid out, the day's node
    // alone would be in view; bringing it into view again brings its year.
    form->TreeView->scrollToItem(form->Nav->CurrentNode, QAbstractItemView::PositionAtTop);
    ASSERT_FALSE(inView(year));
    form->Nav->SelectCurrentNode();
    EXPECT_TRUE(inView(year));
    EXPECT_TRUE(inView(form->Nav->CurrentNode));
}

// The title says which entry is open, so a week's summary is not taken for
// the day the calendar still shows.
TEST_F(MainForm, TheWindowTitleNamesTheOpenEntry) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English));
    WriteIni("YearCount=1\nYear1=2026\n");
    auto form = Create();
    form->show();
    QApplication::processEvents();
    ASSERT_TRUE(form->Nav->GoToDate(QDate(2026, 12, 9)));
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Wednesday 9 December 2026 \u2014 Dayscrib"));
    form->TreeView->setCurrentItem(form->Nav->CurrentNode->parent());
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8("Week 2 of December 2026 \u2014 Dayscrib"));
    EXPECT_EQ(form->MonthCalendar1->selectedDate(), QDate(2026, 12, 9)); // the calendar stays
    QLocale::setDefault(before);
}

// What the Keys help page says: Tab types a tab in the editor, Ctrl+Tab and
// Ctrl+Shift+Tab (and Shift+Tab) move between the panes, from the editor too.
TEST_F(MainForm, TabTypesATabInTheEditorAndCtrlTabMovesBetweenPanes) {
    auto form = Create();
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto key = [](Qt::Key k, Qt::KeyboardModifiers m = {}) {
        QTest::keyClick(QApplication::focusWidget(), k, m);
    };
    form->Editor->setFocus();
    key(Qt::Key_Tab);
    EXPECT_EQ(form->Editor->toPlainText(), "\t");
    EXPECT_EQ(QApplication::focusWidget(), form->Editor);
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_NE(QApplication::focusWidget(), form->Editor);
    EXPECT_TRUE(form->isAncestorOf(QApplication::focusWidget()));
    key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->Editor);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_NE(QApplication::focusWidget(), form->Editor);
    EXPECT_EQ(form->Editor->toPlainText(), "\t");
    form->TreeView->setFocus();
    key(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_NE(QApplication::focusWidget(), form->TreeView);
}

TEST_F(MainForm, CancelledLoginIsRefused) {
    WriteIni("User1Password=" + ScramblePassword("x") + "\n");
    prompts.Inputs.push_back(std::nullopt);
    auto form = Create();
    EXPECT_FALSE(form->LoginPassed());
    EXPECT_EQ(prompts.Messages(), QStringList{"Invalid User/Project #1 Default Password"});
}

TEST_F(MainForm, WindowGeometryAtExitIsReadAtNextStart) {
    {
        auto form = Create();
        form->show();
        form->move(140, 90);
        form->resize(800, 610);
        QApplication::processEvents();
        form->close();
    }
    EXPECT_EQ(Ini("Left"), "140");
    EXPECT_EQ(Ini("Top"), "90");
    EXPECT_EQ(Ini("Width"), "800");
    EXPECT_EQ(Ini("Height"), "610");
    auto form = Create();
    EXPECT_EQ(form->x(), 140);
    EXPECT_EQ(form->y(), 90);
    EXPECT_EQ(form->width(), 800);
    EXPECT_EQ(form->height(), 610);
}

TEST_F(MainForm, TabsListTheProfilesThatAreOn) {
    WriteIni("User2On=0\nUser3On=1\nUser3Name=Proj\nUser3Path=/tmp/p/\nUser3RO=0\n"
             "User3Protect=1\nUser5On=1\nStartProject=5\n");
    auto form = Create();
    form->show();
    ASSERT_EQ(form->TabSet->count(), 3);
    EXPECT_EQ(form->TabSet->tabText(1), "Proj");
    EXPECT_EQ(form->TabSet->tabText(2), "User5");
    // The start profile is the one named on its tab.
    EXPECT_EQ(form->TabSet->currentIndex(), 2);
    EXPECT_EQ(form->Current.CurrentPath, "Data\\User5");
    EXPECT_TRUE(form->Editor->isReadOnly());
    EXPECT_EQ(form->StatusPanel[1]->text(), "Read Only");
    QTest::keyClicks(form->Editor, "typed");
    EXPECT_TRUE(form->Editor->toPlainText().isEmpty()); // read-only refuses typing
    EXPECT_EQ(form->StatusPanel[1]->text(), "Read Only");
    form->TabSet->setCurrentIndex(1);
    EXPECT_EQ(form->Current.CurrentPath, "/tmp/p/");
    EXPECT_TRUE(form->Current.CurrentProtect);
    EXPECT_FALSE(form->Editor->isReadOnly());
    EXPECT_EQ(form->StatusPanel[1]->text(), "");
}

TEST_F(MainForm, StartProfileThatIsOffFallsBackToProfileOne) {
    WriteIni("StartProject=4\nUser2On=1\n");
    auto form = Create();
    form->show();
    EXPECT_EQ(form->TabSet->currentIndex(), 0);
    EXPECT_EQ(form->Current.CurrentPath, "Data\\");
    form.reset();
    EXPECT_EQ(Ini("StartProject"), "4"); // the setting itself is kept
}

TEST_F(MainForm, FailedSettingsWriteIsShownAsAnError) {
    class TFail : public TProfileFileIO {
    public:
        bool ReadAll(const std::string& p, std::string& b) override {
            return SystemProfileFileIO().ReadAll(p, b);
        }
        bool ReplaceAll(const std::string&, const std::string&) override { return false; }
    } failing;
    auto form = Create();
    TProfileFileIO* old = SetProfileFileIO(&failing);
    form.reset();
    SetProfileFileIO(old);
    EXPECT_EQ(prompts.Messages(),
              QStringList{QString::fromStdString("Unable to write to " + IniPath())});
    EXPECT_EQ(prompts.Count(TKind::Error), 1);
}

TEST_F(MainForm, HandlerExceptionsBecomeErrorMessages) {
    auto form = Create();
    form->Guarded([] { throw Exception("Something broke"); });
    form->Guarded([] { throw 42; });
    EXPECT_EQ(prompts.Messages(), (QStringList{"Something broke", "Unknown error."}));
}

TEST_F(MainForm, HintsReachTheStatusBar) {
    auto form = Create();
    QStatusTipEvent tip("Select font name");
    QApplication::sendEvent(form.get(), &tip);
    EXPECT_EQ(form->StatusBar->currentMessage(), "Select font name");
    EXPECT_EQ(form->FontName->toolTip(), "Font Name");
    EXPECT_EQ(form->FontName->statusTip(), "Select font name");
}

TEST_F(MainForm, ExitClosesTheWindow) {
    auto form = Create();
    form->show();
    ASSERT_TRUE(form->isVisible());
    form->FileExitCmd->trigger();
    EXPECT_FALSE(form->isVisible());
}
