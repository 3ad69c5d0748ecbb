// The days and nodes that have an entry are shown in bold, from the
// archive's directory, following stores, tab changes and the calendar's page.
#include "support/diary_window.h"

#include <QCalendarWidget>
#include <QTabBar>

using namespace testsupport;

namespace {

class Marks : public TDiaryWindowTest {
protected:
    bool Bold(const QStringList& path) {
        QTreeWidgetItem* n = Node(path);
        return n && n->font(0).bold();
    }
    bool BoldDay(const QDate& d) const {
        return form->MonthCalendar1->dateTextFormat(d).fontWeight() == QFont::Bold;
    }
};

} // namespace

TEST_F(Marks, FollowTheArchiveStoresAndTabs) {
    WriteIni("User2On=1\nUser2RO=0\nUser2Path=" + Folder(2) + "\n");
    Store(Archive(), Day15, Rtf("fifteenth"));
    Store(Archive(), "2000\\3\\Summary.rtf", Rtf("March"));
    Store(Archive(), "2000\\4\\Week1\\1.rtf", Rtf("April fool"));
    Store(Archive(2), Day16, Rtf("theirs"));
    Start();
    Select16();
    EXPECT_TRUE(Bold({"2000", "March", "Week3", "15"}));
    EXPECT_FALSE(Bold({"2000", "March", "Week3", "16"}));
    EXPECT_TRUE(Bold({"2000", "March"}));
    EXPECT_FALSE(Bold({"2000", "March", "Week3"}));
    EXPECT_FALSE(Bold({"2000"}));
    EXPECT_TRUE(BoldDay(QDate(2000, 3, 15)));
    EXPECT_FALSE(BoldDay(QDate(2000, 3, 16)));
    EXPECT_TRUE(BoldDay(QDate(2000, 4, 1))); // shown beside March

    Type("now written"); // a new day entry is marked once it is stored
    EXPECT_FALSE(Bold({"2000", "March", "Week3", "16"}));
    Select({"2000", "March", "Week3", "17"});
    EXPECT_TRUE(Bold({"2000", "March", "Week3", "16"}));
    EXPECT_TRUE(BoldDay(QDate(2000, 3, 16)));

    form->TabSet->setCurrentIndex(1); // profile 2's diary
    QApplication::processEvents();
    EXPECT_FALSE(Bold({"2000", "March", "Week3", "15"}));
    EXPECT_TRUE(Bold({"2000", "March", "Week3", "16"}));
    EXPECT_FALSE(Bold({"2000", "March"}));
    EXPECT_FALSE(BoldDay(QDate(2000, 3, 15)));
    EXPECT_TRUE(BoldDay(QDate(2000, 3, 16)));
}

TEST_F(Marks, TurningTheCalendarAndOpeningANodeMarkWhatTheyShow) {
    WriteIni();
    Store(Archive(), "2000\\11\\Week4\\20.rtf", Rtf("autumn"));
    Store(Archive(), "2000\\11\\Week4\\Summary.rtf", Rtf("a week"));
    Start();
    Select15();
    EXPECT_FALSE(BoldDay(QDate(2000, 11, 20)));
    form->MonthCalendar1->setCurrentPage(2000, 11);
    EXPECT_TRUE(BoldDay(QDate(2000, 11, 20)));
    EXPECT_TRUE(Bold({"2000", "November", "Week4"}));
    EXPECT_TRUE(Bold({"2000", "November", "Week4", "20"}));
    EXPECT_FALSE(Bold({"2000", "November", "Week4", "21"}));
    EXPECT_EQ(form->Nav->Entries().Count(), 2);
}

TEST_F(Marks, ReopeningTheMonthOfTheShownEntryWithMarkedNodes) {
    WriteIni();
    Store(Archive(), Day15, Rtf("fifteenth"));
    Store(Archive(), "2000\\3\\Week3\\Summary.rtf", Rtf("week"));
    Start();
    Select15();
    for (int round = 0; round < 3; ++round) {
        QTreeWidgetItem* march = Node({"2000", "March"});
        march->setExpanded(false);
        if (round == 0) QApplication::processEvents();
        march->setExpanded(true);
        QApplication::processEvents();
        EXPECT_EQ(form->TreeView->currentItem(), Node({"2000", "March", "Week3", "15"}));
        EXPECT_TRUE(Bold({"2000", "March", "Week3", "15"}));
    }
}
