// The days and nodes that have an entry are shown in bold, from the
// archive's directory, following stores, tab changes and the calendar's page.
#include "store/entry_index.h"
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

// A closed tree still shows where the diary has content: bold for a node's
// own entry, the link colour for entries below it.
TEST_F(Marks, NodesWithEntriesBelowThemAreMarkedApartFromTheirOwn) {
    WriteIni();
    Store(Archive(), Day15, Rtf("a day"));
    Store(Archive(), "2000\\6\\Week2\\Summary.rtf", Rtf("a week in June"));
    Store(Archive(), "2000\\11\\Summary.rtf", Rtf("November"));
    Start();
    Select16();
    const QColor below = form->TreeView->palette().color(QPalette::Link);
    auto marks = [&](const QStringList& path) {
        QTreeWidgetItem* n = Node(path);
        EXPECT_NE(n, nullptr) << path.join('/').toStdString();
        if (!n) return std::string("?");
        const QVariant color = n->data(0, Qt::ForegroundRole);
        std::string m = n->font(0).bold() ? "own" : "";
        if (color.isValid() && color.value<QBrush>().color() == below) m += "+below";
        EXPECT_EQ(n->data(0, Qt::AccessibleDescriptionRole).toString().isEmpty(), m.empty());
        return m;
    };
    EXPECT_EQ(marks({"2000"}), "+below");
    EXPECT_EQ(marks({"2000", "January"}), "");
    EXPECT_EQ(marks({"2000", "March"}), "+below");
    EXPECT_EQ(marks({"2000", "March", "Week3"}), "+below");
    EXPECT_EQ(marks({"2000", "March", "Week3", "15"}), "own");
    EXPECT_EQ(marks({"2000", "June"}), "+below");
    EXPECT_EQ(marks({"2000", "June", "Week2"}), "own"); // its own summary is not "below"
    EXPECT_EQ(marks({"2000", "November"}), "own");
    EXPECT_EQ(Node({"2000", "March"})->data(0, Qt::AccessibleDescriptionRole).toString(),
              "has entries below");
    // A year with only its own summary has nothing below it.
    Store(Archive(), "2000\\Summary.rtf", Rtf("the year"));
    TEntryIndex index;
    index.Refresh(Archive());
    EXPECT_TRUE(index.HasBelow({2000, 1, 1, 1}, TEntryLevel::elYear));
    Store(Archive(2), "2001\\Summary.rtf", Rtf("alone"));
    index.Refresh(Archive(2));
    EXPECT_FALSE(index.HasBelow({2001, 1, 1, 1}, TEntryLevel::elYear));
    EXPECT_TRUE(index.Has({2001, 1, 1, 1}, TEntryLevel::elYear));
}
