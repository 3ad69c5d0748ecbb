// The main window as a person meets it at the first start (no settings
// file, the default 670 x 505): the whole tool bar in view, status panels
// that show their texts whole, calendar day names that fit their columns,
// and a name for every control an assistive tool reaches.
#include "app/help_window.h"
#include "app/main_form.h"
#include "editor/editor.h"
#include "nav/date_navigator.h"
#include "support/test_support.h"
#include "ui/entry_title.h"
#include "ui/prompts.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

class WindowView : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;

    void Start() {
        form = std::make_unique<TMainForm>(prompts);
        ASSERT_TRUE(form->LoginPassed());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
    }
    static QString Name(QWidget* w) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
        return face ? face->text(QAccessible::Name) : QString();
    }
};

TEST_F(WindowView, TheWholeToolBarShowsAtTheFirstStart) {
    Start();
    ASSERT_EQ(form->size(), QSize(670, 505));
    QToolBar* bar = form->StandardToolBar;
    const int small = bar->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, bar);
    EXPECT_EQ(bar->iconSize(), QSize(small, small));
    // Nothing went behind the overflow arrow: each control lies inside the
    // bar, in order, and the arrow is not shown.
    const QWidget* overflow = bar->findChild<QWidget*>("qt_toolbar_ext_button");
    EXPECT_TRUE(!overflow || !overflow->isVisible());
    int left = 0;
    const std::vector<QWidget*> controls = {
        form->SaveButton,      form->PrintButton, form->CutButton,   form->CopyButton,
        form->PasteButton,     form->UndoButton,  form->FontName,    form->FontSize,
        form->ColorFramePnl,   form->ColorButton, form->BoldButton,  form->ItalicButton,
        form->UnderlineButton, form->LeftAlign,   form->CenterAlign, form->RightAlign,
        form->BulletsButton};
    for (QWidget* w : controls) {
        SCOPED_TRACE(w->objectName().toStdString());
        EXPECT_TRUE(w->isVisible());
        EXPECT_EQ(w->parentWidget(), bar);
        EXPECT_TRUE(bar->contentsRect().contains(w->geometry())) << w->x() << "+" << w->width();
        EXPECT_GE(w->x(), left);
        left = w->x() + w->width();
    }
    // The size box holds the sizes its buttons reach.
    form->FontSize->setValue(100);
    const int digits = form->FontSize->fontMetrics().horizontalAdvance("100");
    EXPECT_GE(form->FontSize->findChild<QWidget*>("qt_spinbox_lineedit")->width(), digits);
}

TEST_F(WindowView, EachStatusPanelShowsItsTextsWhole) {
    Start();
    ASSERT_TRUE(form->StatusPanelTexts(2).contains("Password Protected"));
    int right = 0;
    for (int i = 0; i < 3; ++i) {
        QLabel* panel = form->StatusPanel[i];
        ASSERT_FALSE(form->StatusPanelTexts(i).isEmpty());
        for (const QString& text : form->StatusPanelTexts(i)) {
            SCOPED_TRACE(text.toStdString());
            panel->setText(text);
            // The label's text room: its frame and the indent of half an "x"
            // a framed label keeps on its aligned side.
            const QFontMetrics fm = panel->fontMetrics();
            const int indent = panel->alignment() & Qt::AlignHCenter
                                   ? 0
                                   : fm.horizontalAdvance(QLatin1Char('x')) / 2;
            EXPECT_GE(panel->contentsRect().width() - indent, fm.horizontalAdvance(text));
        }
        EXPECT_GE(panel->x(), right); // side by side, within the bar
        right = panel->x() + panel->width();
    }
    EXPECT_LE(right, form->StatusBar->width());
}

TEST_F(WindowView, CalendarDayNamesFitTheirColumns) {
    Start();
    auto* view = form->MonthCalendar1->findChild<QTableView*>("qt_calendar_calendarview");
    ASSERT_NE(view, nullptr);
    const int margin = view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
    const auto names = [&] {
        QStringList shown;
        const QFontMetrics fm(view->font());
        for (int c = 0; c < 7; ++c) {
            const QString name = view->model()->data(view->model()->index(0, c)).toString();
            EXPECT_LE(fm.horizontalAdvance(name), view->columnWidth(c) - 2 * margin)
                << name.toStdString();
            shown << name;
        }
        return shown;
    };
    // The pane's width, with this platform's font: the short names where
    // they fit, else the narrow ones.
    const QLocale locale = form->MonthCalendar1->locale();
    const QStringList first = names();
    EXPECT_TRUE(first.contains(locale.dayName(Qt::Wednesday, QLocale::ShortFormat)) ||
                first.contains(locale.standaloneDayName(Qt::Wednesday, QLocale::NarrowFormat)))
        << first.join(' ').toStdString();
    // A wide pane shows the short names, a narrow one the narrow names.
    form->Splitter1->setSizes({440, 230});
    QApplication::processEvents();
    EXPECT_TRUE(names().contains(locale.dayName(Qt::Wednesday, QLocale::ShortFormat)));
    QFont big = form->MonthCalendar1->font();
    big.setPointSize(big.pointSize() * 3);
    form->MonthCalendar1->setFont(big);
    form->Splitter1->setSizes({170, 500});
    QApplication::processEvents();
    EXPECT_FALSE(names().contains(locale.dayName(Qt::Wednesday, QLocale::ShortFormat)));
}

TEST_F(WindowView, AssistiveToolsFindANameForEveryControl) {
    Start();
    // Every control the keyboard reaches, the tool bar's and the calendar's
    // buttons included.
    QStringList unnamed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const bool control = w->focusPolicy() != Qt::NoFocus || qobject_cast<QToolButton*>(w);
        if (!control || !w->isVisible()) continue;
        if (Name(w).trimmed().isEmpty())
            unnamed << QString("%1 %2").arg(w->metaObject()->className(), w->objectName());
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(", ").toStdString();

    EXPECT_EQ(Name(form->TreeView), "Date tree");
    EXPECT_EQ(Name(form->MonthCalendar1), "Calendar");
    EXPECT_EQ(Name(form->MonthCalendar1->findChild<QWidget*>("qt_calendar_prevmonth")),
              "Previous month");
    EXPECT_EQ(Name(form->MonthCalendar1->findChild<QWidget*>("qt_calendar_nextmonth")),
              "Next month");
    EXPECT_EQ(Name(form->BulletsButton), "Bullets");
    // The tabs are named by their profiles.
    QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(form->TabSet);
    ASSERT_NE(tabs, nullptr);
    ASSERT_GE(tabs->childCount(), 1);
    EXPECT_EQ(tabs->child(0)->text(QAccessible::Name), "User1");
    // The editor is named by the entry it shows, and follows it.
    EXPECT_EQ(Name(form->Editor), EntryTitle(form->Nav->Key, TEntryLevel::elDay));
    form->Nav->GoToPreviousDay();
    QApplication::processEvents();
    const QDate yesterday = QDate::currentDate().addDays(-1);
    EXPECT_EQ(Name(form->Editor), QLocale().toString(yesterday, "dddd d MMMM yyyy"));
}

TEST(HelpWindowView, IsAWindowToAssistiveTools) {
    THelpWindow help;
    help.ShowContext(1);
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&help);
    ASSERT_NE(face, nullptr);
    EXPECT_TRUE(face->role() == QAccessible::Window || face->role() == QAccessible::Dialog)
        << face->role();
    EXPECT_EQ(face->text(QAccessible::Name), "Dayscrib Help");
    help.close();
}

} // namespace
