#include "app/main_form.h"
#include "support/diary_window.h"
#include "support/test_support.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

class TreeView : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        form = std::make_unique<TMainForm>(prompts);
        form->Settings.YearList.Add("2000");
        form->Settings.YearList.Add("2001");
        form->show();
        form->Nav->BuildTreeForDate(QDate(2000, 3, 15));
    }

    QTreeWidgetItem* Node(const QStringList& path) {
        return testsupport::FindNode(form->TreeView, path, false);
    }
    static QStringList Children(QTreeWidgetItem* n) {
        QStringList texts;
        for (int i = 0; i < n->childCount(); ++i)
            texts << n->child(i)->text(0);
        return texts;
    }
    std::string Member() { return MemberPath(form->Nav->Key, form->Nav->CurrentLevel()); }
};

} // namespace

TEST_F(TreeView, BuiltOpenAtTheDate) {
    EXPECT_EQ(Children(form->TreeView->invisibleRootItem()),
              QStringList({"2000", "2001", QString::number(QDate::currentDate().year())}));
    ASSERT_NE(form->Nav->CurrentNode, nullptr);
    EXPECT_EQ(form->Nav->CurrentNode, Node({"2000", "March", "Week3", "15"}));
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_EQ(Member(), "2000\\3\\Week3\\15.rtf");
    EXPECT_EQ(Children(Node({"2000", "March", "Week3"})),
              QStringList({"12", "13", "14", "15", "16", "17", "18"}));
    // Nodes not on the way keep their placeholders.
    EXPECT_EQ(Children(Node({"2001"})), QStringList{"+"});
    EXPECT_EQ(Children(Node({"2000", "April"})), QStringList{"+"});
    EXPECT_EQ(Children(Node({"2000", "March", "Week2"})), QStringList{"+"});
}

TEST_F(TreeView, OpeningAYearGivesTwelveMonthsWithPlaceholders) {
    QTreeWidgetItem* year = Node({"2001"});
    year->setExpanded(true);
    const QStringList months = Children(year);
    ASSERT_EQ(months.size(), 12);
    EXPECT_EQ(months.front(), "January");
    EXPECT_EQ(months.back(), "December");
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(Children(year->child(i)), QStringList{"+"});
    EXPECT_EQ(form->Nav->CurrentNode, Node({"2000", "March", "Week3", "15"})); // unchanged
    EXPECT_EQ(Member(), "2000\\3\\Week3\\15.rtf");
}

TEST_F(TreeView, OpeningMonthsAndWeeksFillsThem) {
    QTreeWidgetItem* feb = Node({"2000", "February"});
    feb->setExpanded(true);
    EXPECT_EQ(Children(feb), QStringList({"Week1", "Week2", "Week3", "Week4", "Week5"}));
    QTreeWidgetItem* week5 = Node({"2000", "February", "Week5"});
    week5->setExpanded(true);
    EXPECT_EQ(Children(week5), QStringList({"27", "28", "29"}));
    QTreeWidgetItem* jan = Node({"2000", "January"});
    jan->setExpanded(true);
    EXPECT_EQ(Children(jan).size(), 6);
    Node({"2000", "January", "Week1"})->setExpanded(true);
    EXPECT_EQ(Children(Node({"2000", "January", "Week1"})), QStringList{"1"});
}

TEST_F(TreeView, SelectingAMonthOfAnotherYearChangesTheKeysYear) {
    Node({"2001"})->setExpanded(true);
    form->TreeView->setCurrentItem(Node({"2001", "April"}));
    EXPECT_EQ(form->Nav->Key.Year, 2001);
    EXPECT_EQ(form->Nav->Key.Month, 4);
    EXPECT_EQ(Member(), "2001\\4\\Summary.rtf");
    EXPECT_EQ(form->MonthCalendar1->selectedDate(), QDate(2001, 4, 15));
}

TEST_F(TreeView, WeekMovesNoCalendarButADayDoes) {
    form->MonthCalendar1->setSelectedDate(QDate(2000, 3, 15));
    form->TreeView->setCurrentItem(Node({"2000", "March", "Week2"}));
    EXPECT_EQ(Member(), "2000\\3\\Week2\\Summary.rtf");
    EXPECT_EQ(form->Nav->Key.Week, 2);
    const QDate before = QDate(2000, 3, 15);
    EXPECT_EQ(form->MonthCalendar1->selectedDate(), before);
    Node({"2000", "March", "Week2"})->setExpanded(true);
    form->TreeView->setCurrentItem(Node({"2000", "March", "Week2", "7"}));
    EXPECT_EQ(Member(), "2000\\3\\Week2\\7.rtf");
    EXPECT_EQ(form->MonthCalendar1->selectedDate(), QDate(2000, 3, 7));
    form->TreeView->setCurrentItem(Node({"2000"}));
    EXPECT_EQ(Member(), "2000\\Summary.rtf");
    EXPECT_EQ(form->Nav->Key.Day, 7);
}

TEST_F(TreeView, ADayTheMonthLacksMovesTheCalendarToItsLastDay) {
    form->Nav->BuildTreeForDate(QDate(2000, 1, 31));
    Node({"2001"})->setExpanded(true);
    form->TreeView->setCurrentItem(Node({"2001", "February"}));
    EXPECT_EQ(form->Nav->Key.Day, 31); // the key keeps its day
    EXPECT_EQ(Member(), "2001\\2\\Summary.rtf");
    EXPECT_EQ(form->MonthCalendar1->selectedDate(), QDate(2001, 2, 28));
}

TEST_F(TreeView, ReopeningTheCurrentEntrysMonthKeepsCurrentNodeValid) {
    // Twice: before the view has laid its rows out, and once it has painted
    // them, as after a user's collapse and expand with the mouse.
    for (int round = 0; round < 2; ++round) {
        QTreeWidgetItem* march = Node({"2000", "March"});
        march->setExpanded(false);
        QApplication::processEvents();
        march->setExpanded(true); // refills the weeks, deleting the old day node
        QApplication::processEvents();
        QTreeWidgetItem* day = Node({"2000", "March", "Week3", "15"});
        ASSERT_NE(day, nullptr);
        EXPECT_EQ(form->Nav->CurrentNode, day);
        EXPECT_EQ(form->TreeView->currentItem(), day);
        EXPECT_EQ(Member(), "2000\\3\\Week3\\15.rtf");
        form->TreeView->collapse(form->TreeView->indexFromItem(Node({"2000", "March", "Week3"})));
        QApplication::processEvents();
        form->TreeView->expand(form->TreeView->indexFromItem(Node({"2000", "March", "Week3"})));
        QApplication::processEvents();
        EXPECT_EQ(form->TreeView->currentItem(), Node({"2000", "March", "Week3", "15"}));
    }
}

TEST_F(TreeView, AYearMissingFromTheListSelectsNothing) {
    form->Nav->BuildTreeForDate(QDate(1980, 5, 1));
    EXPECT_EQ(form->Nav->CurrentNode, nullptr);
    EXPECT_EQ(form->Nav->Key.Year, 1980);
}

TEST_F(TreeView, AYearNodeThatIsNoNumberIsReportedNotFollowed) {
    form->Settings.YearList.Add("abcd");
    form->Nav->BuildTreeForDate(QDate(2000, 3, 15));
    form->TreeView->setCurrentItem(Node({"abcd"}));
    EXPECT_EQ(prompts.Count(TScriptedPrompts::TKind::Error), 1);
    EXPECT_EQ(Member(), "2000\\3\\Week3\\15.rtf");
}
