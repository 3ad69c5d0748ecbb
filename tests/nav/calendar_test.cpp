// The month calendar and the day keys through the real main window: clicks
// on the calendar's days, keys typed while the editor has the focus, and the
// archive read back through a separate reader.
#include "nav/date_tree.h"
#include "store/entry_key.h"
#include "support/diary_window.h"

#include <QAbstractItemModel>
#include <QCalendarWidget>
#include <QTableView>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

class Calendar : public TDiaryWindowTest {
protected:
    // A click on a day of the calendar, as the mouse gives it.
    void Click(const QDate& date) {
        form->MonthCalendar1->setSelectedDate(date);
        emit form->MonthCalendar1->clicked(date);
        QApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers modifiers) {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        form->Editor->setFocus();
        QTest::keyClick(form->Editor, static_cast<Qt::Key>(key), modifiers);
        QApplication::processEvents();
    }
    QDate Shown() const { return form->MonthCalendar1->selectedDate(); }
};

} // namespace

TEST_F(Calendar, AYearNotListedIsRefusedAndNothingIsStored) {
    WriteYears({"1999", "2000"});
    Start();
    form->Nav->BuildTreeForDate(QDate(2000, 3, 15));
    form->Nav->SelectCurrentNode();
    form->Nav->MoveCalendar(2000, 3, 15);
    Type("not yet stored");
    prompts.Confirms = {TConfirmAnswer::No};
    Click(QDate(2001, 5, 2));
    ASSERT_EQ(prompts.Count(TKind::Confirm), 1);
    EXPECT_EQ(prompts.Asked[0].Text, "2001 is not in the diary's years. Add it?");
    EXPECT_EQ(prompts.Messages(),
              QStringList{"Add the year 2001 in Preferences before selecting this date."});
    EXPECT_FALSE(form->Settings.YearList.Contains("2001"));
    EXPECT_EQ(Shown(), QDate(2000, 3, 15)); // back at the entry's date
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(Text(), "not yet stored");
    EXPECT_EQ(Panel(1), "Modified");
    EXPECT_FALSE(FileExists(Archive()));
}

// On 2 January the diarist can still write on 31 December of a year the
// diary did not list yet.
TEST_F(Calendar, AYearNotListedIsOfferedAndYesAddsItAndOpensTheDate) {
    WriteYears({"2000"});
    Start();
    ASSERT_TRUE(form->Nav->GoToDate(QDate(2000, 1, 2)));
    Type("Second of January");
    prompts.Confirms = {TConfirmAnswer::Yes};
    Click(QDate(1999, 12, 31));
    ASSERT_EQ(prompts.Count(TKind::Confirm), 1);
    EXPECT_EQ(prompts.Asked[0].Text, "1999 is not in the diary's years. Add it?");
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_EQ(Member(), "1999\\12\\Week5\\31.rtf");
    EXPECT_EQ(Shown(), QDate(1999, 12, 31));
    EXPECT_EQ(form->TreeView->currentItem(), Node({"1999", "December", "Week5", "31"}));
    Type("New Year's Eve");
    Click(QDate(2000, 1, 2));
    EXPECT_EQ(Check().Text("1999\\12\\Week5\\31.rtf"), "New Year's Eve\n");
    EXPECT_EQ(Check().Text("2000\\1\\Week2\\2.rtf"), "Second of January\n");
    form.reset(); // the year reaches the settings file
    const std::string ini = ReadFile(folders.configDir() + "/Dayscrib.INI");
    EXPECT_NE(ini.find("Year1=1999\n"), std::string::npos) << ini;
}

TEST_F(Calendar, AYearThatIsNoNumberStopsTheClickWithNothingStored) {
    WriteYears({"2000", "abcd"});
    Start();
    form->Nav->BuildTreeForDate(QDate(2000, 3, 15));
    Type("kept");
    Click(QDate(1998, 1, 1)); // no listed year matches before "abcd" is met
    ASSERT_EQ(prompts.Count(TKind::Error), 1);
    EXPECT_EQ(prompts.Messages(), QStringList{"'abcd' is not a valid integer value"});
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(Text(), "kept");
    EXPECT_FALSE(FileExists(Archive()));
    EXPECT_TRUE(YearIncluded({"2000", "abcd"}, 2000)); // a match before it is no error
}

TEST_F(Calendar, AClickOpensTheTreeDownToAHiddenDayStoringTheShownEntryFirst) {
    WriteIni();
    Store(Archive(), "2000\\11\\Week4\\20.rtf", Rtf("late autumn"));
    Start();
    Select15();
    Type("mid March");
    ASSERT_EQ(Node({"2000", "November"})->child(0)->text(0), "+"); // not opened yet
    Click(QDate(2000, 11, 20));
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
    EXPECT_EQ(Member(), "2000\\11\\Week4\\20.rtf");
    ASSERT_NE(form->Nav->CurrentNode, nullptr);
    EXPECT_EQ(form->Nav->CurrentNode->text(0), "20");
    EXPECT_EQ(form->Nav->CurrentNode->parent()->text(0), "Week4");
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_TRUE(form->Nav->CurrentNode->parent()->isExpanded());
    EXPECT_EQ(Text(), "late autumn");
    EXPECT_EQ(Check().Text(Day15), "mid March\n");
}

TEST_F(Calendar, AClickOnTheShownDateStoresAndLoadsItAgain) {
    WriteIni();
    Start();
    Select15();
    Type("same day");
    Click(QDate(2000, 3, 15));
    EXPECT_EQ(Check().Text(Day15), "same day\n");
    EXPECT_EQ(Text(), "same day");
    EXPECT_FALSE(form->Editor->Modified());
    EXPECT_EQ(Panel(1), "");
}

TEST_F(Calendar, AFailedStoreKeepsTheUserOnTheEntry) {
    WriteIni();
    Start();
    Select15();
    Type("must not be lost");
    std::filesystem::remove_all(Folder());
    WriteFile(scratch.path() + "/profile1", "a file where the folder should be");
    Click(QDate(2000, 3, 16));
    EXPECT_EQ(prompts.Count(TKind::Error) + prompts.Count(TKind::Message), 1);
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(Shown(), QDate(2000, 3, 15));
    EXPECT_EQ(Text(), "must not be lost");
    EXPECT_TRUE(form->Editor->Modified());
}

TEST_F(Calendar, DayKeysMoveLikeClicksAndTheEditorDoesNotSwallowThem) {
    WriteIni();
    Store(Archive(), "2000\\2\\Week5\\29.rtf", Rtf("leap day"));
    Start();
    Select({"2000", "March", "Week1", "1"});
    Type("first of March");
    Key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Member(), "2000\\2\\Week5\\29.rtf");
    EXPECT_EQ(Shown(), QDate(2000, 2, 29));
    EXPECT_EQ(Text(), "leap day");
    EXPECT_EQ(Check().Text("2000\\3\\Week1\\1.rtf"), "first of March\n");
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Member(), "2000\\3\\Week1\\1.rtf");
    EXPECT_EQ(Text(), "first of March");
    Key(Qt::Key_Home, Qt::AltModifier);
    const QDate today = QDate::currentDate();
    EXPECT_EQ(Shown(), today);
    EXPECT_EQ(form->TreeView->currentItem()->text(0), QString::number(today.day()));
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
    // The View menu shows them with their keys.
    EXPECT_EQ(form->GoPreviousDay1->shortcut(), QKeySequence("Ctrl+PgUp"));
    EXPECT_EQ(form->GoNextDay1->shortcut(), QKeySequence("Ctrl+PgDown"));
    EXPECT_EQ(form->GoToday1->shortcut(), QKeySequence("Alt+Home"));
}

TEST_F(Calendar, NextDayPastTheLastListedYearShowsTheYearMessage) {
    WriteIni();
    Start();
    const int last = QDate::currentDate().year();
    ASSERT_TRUE(form->Nav->GoToDate(QDate(last, 12, 31)));
    Key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(
        prompts.Messages(),
        QStringList{
            QString("Add the year %1 in Preferences before selecting this date.").arg(last + 1)});
    EXPECT_EQ(Shown(), QDate(last, 12, 31));
    EXPECT_EQ(form->Nav->Key.Day, 31);
}

TEST_F(Calendar, TodayCarriesNoMarkOfItsOwn) {
    WriteIni();
    Start();
    const QDate today = QDate::currentDate();
    auto* view = form->MonthCalendar1->findChild<QTableView*>();
    ASSERT_NE(view, nullptr);
    const QAbstractItemModel* model = view->model();
    // Today's cell looks like the cell of another day of this month on the
    // same weekday.
    const QDate other = today.day() > 7 ? today.addDays(-7) : today.addDays(7);
    auto cellOf = [&](const QDate& d) {
        for (int r = 0; r < model->rowCount(); ++r)
            for (int c = 0; c < model->columnCount(); ++c) {
                const QModelIndex i = model->index(r, c);
                // Sunday is the first column; a number can stand twice (the
                // days of the months around), but not in its own week row range.
                if (model->data(i).toString() == QString::number(d.day()) &&
                    c == d.dayOfWeek() % 7 && r > 0 && (d.day() > 20 ? r > 3 : r < 5))
                    return i;
            }
        return QModelIndex();
    };
    form->MonthCalendar1->setSelectedDate(today.addMonths(1)); // today is not the selection
    form->MonthCalendar1->setCurrentPage(today.year(), today.month());
    const QModelIndex t = cellOf(today), o = cellOf(other);
    ASSERT_TRUE(t.isValid() && o.isValid());
    for (int role : {int(Qt::FontRole), int(Qt::ForegroundRole), int(Qt::BackgroundRole)})
        EXPECT_EQ(model->data(t, role), model->data(o, role)) << role;
}
