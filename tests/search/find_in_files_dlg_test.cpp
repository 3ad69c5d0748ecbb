// The "Find in Files" dialog with its real widgets over real archives
// written by the engine's writer.
#include "search/find_in_files_dlg.h"
#include "support/archive_store.h"
#include "support/modal.h"
#include "support/test_support.h"
#include "ui/help.h"
#include "ui/prompts.h"
#include "zip/aes_key_cache.h"
#include "zip/stream.h"
#include "zip/zip_writer.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolTip>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A click on a radio button's or check box's indicator, where it answers
// however wide the layout made the button.
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

// What a tooltip shows, read as Qt reads a tooltip (rich text when it looks
// like markup): its characters, and whether it holds a picture.
struct TShownTip {
    QString Text;
    bool Picture = false;
};
TShownTip Shown(const QString& tip) {
    QTextDocument doc;
    if (Qt::mightBeRichText(tip))
        doc.setHtml(tip);
    else
        doc.setPlainText(tip);
    TShownTip shown{doc.toPlainText()};
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            shown.Picture = shown.Picture || it.fragment().charFormat().isImageFormat();
    return shown;
}

std::string Rtf(const std::string& text) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

class FindDlg : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string archive = dir.file("Daybank.zip");
    TScriptedPrompts prompts;
    TYearList years;
    std::unique_ptr<TFindDlg> dlg;

    void SetUp() override {
        years.Add("2000");
        dlg = std::make_unique<TFindDlg>(prompts);
        dlg->YearList = &years;
        dlg->ArchiveFile = archive;
        dlg->DefaultPassword = "Secret";
        dlg->show();
        QApplication::processEvents();
    }
    void TearDown() override { SetHelpHandler({}); }

    void Store(const std::string& member, const std::string& text, const std::string& password = {},
               TZipCipher cipher = zcTraditional) {
        testsupport::Store(archive, member, Rtf(text), password, cipher);
    }
    // Types the text and presses Start; returns the lines listed.
    QStringList Search(const QString& text) {
        dlg->TextEdit->clear();
        QTest::keyClicks(dlg->TextEdit, text);
        QTest::mouseClick(dlg->StartBtn, Qt::LeftButton);
        return Listed();
    }
    QStringList Listed() const {
        QStringList lines;
        for (int i = 0; i < dlg->ResultsList->count(); ++i)
            lines << dlg->ResultsList->item(i)->text();
        return lines;
    }
    void DoubleClick(int row) {
        QListWidgetItem* item = dlg->ResultsList->item(row);
        const QPoint at = dlg->ResultsList->visualItemRect(item).center();
        QTest::mouseClick(dlg->ResultsList->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dlg->ResultsList->viewport(), Qt::LeftButton, {}, at);
    }
};

TEST_F(FindDlg, OpensWithEveryControlInItsFirstState) {
    EXPECT_EQ(dlg->windowTitle(), "Find in Files");
    EXPECT_TRUE(dlg->isModal());
    EXPECT_TRUE(dlg->TextEdit->text().isEmpty());
    EXPECT_EQ(dlg->focusWidget(), dlg->TextEdit);
    EXPECT_TRUE(dlg->AllRBtn->isChecked());
    EXPECT_FALSE(dlg->RangeRBtn->isChecked());
    EXPECT_TRUE(dlg->DailyCBox->isChecked());
    EXPECT_FALSE(dlg->WeeklyCBox->isChecked());
    EXPECT_FALSE(dlg->MonthlyCBox->isChecked());
    EXPECT_FALSE(dlg->YearlyCBox->isChecked());
    for (QDateEdit* picker : {dlg->StartDatePicker, dlg->EndDatePicker}) {
        EXPECT_EQ(picker->date(), QDate::currentDate());
        EXPECT_FALSE(picker->isEnabled());
        EXPECT_TRUE(picker->calendarPopup());
        EXPECT_TRUE(picker->displayFormat().contains("yyyy"))
            << picker->displayFormat().toStdString();
    }
    EXPECT_FALSE(dlg->StartDateLbl->isEnabled());
    EXPECT_FALSE(dlg->EndDateLbl->isEnabled());
    EXPECT_EQ(dlg->ResultsList->count(), 0);
    EXPECT_EQ(dlg->ProgressBar->value(), 0);
    EXPECT_TRUE(dlg->StartBtn->isDefault());
    EXPECT_TRUE(dlg->SelectedEntry.empty());

    // captions, names, groups
    const std::pair<QAbstractButton*, const char*> buttons[] = {
        {dlg->AllRBtn, "All entries"},
        {dlg->RangeRBtn, "Range of entries"},
        {dlg->DailyCBox, "Include Daily Entries"},
        {dlg->WeeklyCBox, "Include Weekly Summaries"},
        {dlg->MonthlyCBox, "Include Monthly Summaries"},
        {dlg->YearlyCBox, "Include Yearly Summaries"},
        {dlg->StartBtn, "&Start"},
        {dlg->CloseBtn, "&Close"},
        {dlg->BitBtn1, "&Help"}};
    for (const auto& [button, caption] : buttons)
        EXPECT_EQ(button->text(), caption);
    EXPECT_EQ(dlg->StartDateLbl->text(), "Starting Date:");
    EXPECT_EQ(dlg->EndDateLbl->text(), "Ending Date:");
    EXPECT_EQ(dlg->StartDateLbl->buddy(), dlg->StartDatePicker);
    EXPECT_EQ(dlg->TextEdit->parentWidget()->property("title").toString(), "Text to find");
    EXPECT_EQ(dlg->ResultsList->parentWidget()->property("title").toString(), "Results");
    EXPECT_EQ(dlg->StartDatePicker->parentWidget()->property("title").toString(), "Range Options");
    EXPECT_EQ(dlg->DailyCBox->parentWidget()->property("title").toString(), "Options");
    EXPECT_EQ(dlg->BitBtn1->objectName(), "BitBtn1");

    // every control has a name a screen reader says
    for (QWidget* c : std::initializer_list<QWidget*>{
             dlg->TextEdit, dlg->AllRBtn, dlg->RangeRBtn, dlg->DailyCBox, dlg->WeeklyCBox,
             dlg->MonthlyCBox, dlg->YearlyCBox, dlg->StartDateLbl, dlg->StartDatePicker,
             dlg->EndDateLbl, dlg->EndDatePicker, dlg->ResultsList, dlg->ProgressBar, dlg->StartBtn,
             dlg->CloseBtn, dlg->BitBtn1})
        EXPECT_FALSE(c->accessibleName().isEmpty()) << c->objectName().toStdString();
    EXPECT_EQ(dlg->accessibleName(), "Find in Files");
}

TEST_F(FindDlg, KeyboardReachesEveryControl) {
    ASSERT_TRUE(testsupport::WaitForFocus(dlg.get()));
    dlg->TextEdit->setFocus();
    // the checked radio button holds the group's place in the Tab order; the
    // arrow keys move between the two
    QTest::keyClick(dlg->TextEdit, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dlg->AllRBtn);
    QTest::keyClick(dlg->AllRBtn, Qt::Key_Down);
    ASSERT_TRUE(dlg->RangeRBtn->isChecked());
    ASSERT_EQ(QApplication::focusWidget(), dlg->RangeRBtn);
    // Tab steps through a picker's day, month and year before it leaves
    std::vector<QWidget*> reached;
    for (int i = 0; i < 30 && reached.size() < 11; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* w = QApplication::focusWidget();
        while (w && w->objectName().isEmpty() && w->parentWidget()) // a picker's own line edit
            w = w->parentWidget();
        if (reached.empty() || reached.back() != w) reached.push_back(w);
    }
    const std::vector<QWidget*> expected = {
        dlg->DailyCBox,       dlg->WeeklyCBox,    dlg->MonthlyCBox, dlg->YearlyCBox,
        dlg->StartDatePicker, dlg->EndDatePicker, dlg->ResultsList, dlg->StartBtn,
        dlg->CloseBtn,        dlg->BitBtn1,       dlg->TextEdit};
    EXPECT_EQ(reached, expected);
}

TEST_F(FindDlg, HelpOpensContextSixteen) {
    std::vector<int> shown;
    SetHelpHandler([&](int context) { shown.push_back(context); });
    QTest::mouseClick(dlg->BitBtn1, Qt::LeftButton);
    EXPECT_EQ(shown, std::vector<int>{16});
}

TEST_F(FindDlg, RangeModeEnablesThePickersAndKeepsTheStartBeforeTheEnd) {
    Click(dlg->RangeRBtn);
    for (QWidget* w : std::initializer_list<QWidget*>{dlg->StartDateLbl, dlg->StartDatePicker,
                                                      dlg->EndDateLbl, dlg->EndDatePicker})
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    dlg->StartDatePicker->setDate(QDate(2000, 1, 15));
    dlg->EndDatePicker->setDate(QDate(2000, 2, 10));
    dlg->StartDatePicker->setDate(QDate(2000, 3, 1)); // after the end: held at the end
    EXPECT_EQ(dlg->StartDatePicker->date(), QDate(2000, 2, 10));
    dlg->StartDatePicker->setDate(QDate(2000, 1, 15));
    dlg->EndDatePicker->setDate(QDate(1999, 12, 31)); // before the start: held at the start
    EXPECT_EQ(dlg->EndDatePicker->date(), QDate(2000, 1, 15));
    // typed into the picker, the same
    dlg->EndDatePicker->setDate(QDate(2000, 2, 10));
    dlg->StartDatePicker->setFocus();
    dlg->StartDatePicker->setSelectedSection(QDateTimeEdit::MonthSection);
    QTest::keyClick(dlg->StartDatePicker, Qt::Key_Up); // February
    QTest::keyClick(dlg->StartDatePicker, Qt::Key_Up); // March: refused
    EXPECT_LE(dlg->StartDatePicker->date(), dlg->EndDatePicker->date());
    Click(dlg->AllRBtn);
    EXPECT_TRUE(dlg->AllRBtn->isChecked());
    EXPECT_FALSE(dlg->StartDatePicker->isEnabled());
    EXPECT_FALSE(dlg->EndDateLbl->isEnabled());
}

TEST_F(FindDlg, WholeWordsCaseIgnoredTextAsTyped) {
    Store("2000\\3\\Week3\\15.rtf", "It will rain today.");
    Store("2000\\3\\Week3\\16.rtf", "Let's party!");
    Store("2000\\3\\Week3\\17.rtf", "{\\b ra}in again"); // split by formatting
    Store("2000\\3\\Week3\\18.rtf", "Rainy");
    EXPECT_EQ(Search("Rain"), (QStringList{"2000\\3\\Week3\\15", "2000\\3\\Week3\\17"}));
    EXPECT_EQ(Search("art"), QStringList{});
    EXPECT_EQ(Search("party"), QStringList{"2000\\3\\Week3\\16"});
    EXPECT_EQ(Search("rain today"), QStringList{"2000\\3\\Week3\\15"});
    EXPECT_EQ(Search("rain  today"), QStringList{}); // blanks count as typed
    // Each result shows the line of its entry that holds the match.
    EXPECT_EQ(Search("again"), QStringList{"2000\\3\\Week3\\17"});
    EXPECT_EQ(Shown(dlg->ResultsList->item(0)->toolTip()).Text, "rain again");
    EXPECT_EQ(dlg->ResultsList->item(0)->data(Qt::AccessibleDescriptionRole).toString(),
              "rain again");
    EXPECT_EQ(Search(""), QStringList{});
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_EQ(dlg->ProgressBar->value(), 0);
}

// An entry's words are never markup: "<img src=...>" typed into an entry
// shows as those characters in the result's tooltip, and no file is loaded.
TEST_F(FindDlg, MarkupInAnEntryIsShownAsTextInTheResultsTooltip) {
    const QString line = "see <img src=\"/etc/hostname\"> & <b>bold</b>\ttoo";
    Store("2000\\3\\Week3\\15.rtf", "see <img src=\"/etc/hostname\"> & <b>bold</b>\\tab too");
    ASSERT_EQ(Search("see"), QStringList{"2000\\3\\Week3\\15"});
    QListWidgetItem* item = dlg->ResultsList->item(0);
    const TShownTip tip = Shown(item->toolTip());
    EXPECT_EQ(tip.Text, line);
    EXPECT_FALSE(tip.Picture);
    // The tooltip the list really shows when pointed at.
    const QPoint at = dlg->ResultsList->visualItemRect(item).center();
    QHelpEvent help(QEvent::ToolTip, at, dlg->ResultsList->viewport()->mapToGlobal(at));
    QApplication::sendEvent(dlg->ResultsList->viewport(), &help);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(Shown(QToolTip::text()).Text, line);
    EXPECT_FALSE(Shown(QToolTip::text()).Picture);
    QToolTip::hideText();
}

TEST_F(FindDlg, DefaultPasswordOpensAMemberAnotherPasswordIsPassedOverSilently) {
    Store("2000\\1\\Week1\\1.rtf", "rain, plainly");
    Store("2000\\1\\Week1\\2.rtf", "rain under the default password", "Secret");
    Store("2000\\1\\Week1\\3.rtf", "rain under another password", "Other");
    Store("2000\\1\\Week1\\4.rtf", "sun under the default password", "Secret");
    EXPECT_EQ(Search("rain"), (QStringList{"2000\\1\\Week1\\1", "2000\\1\\Week1\\2"}));
    EXPECT_TRUE(prompts.Asked.empty());

    // the default password is offered (once per member: entry_reader_test),
    // then the member is passed over
    std::string_view bytes;
    EXPECT_FALSE(dlg->ReadMember("2000\\1\\Week1\\3.rtf", bytes));
    EXPECT_TRUE(dlg->ReadMember("2000\\1\\Week1\\4.rtf", bytes));
    EXPECT_NE(bytes.find("sun under"), std::string_view::npos);
    EXPECT_EQ(dlg->Reader.Password(), "Secret");
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(FindDlg, AesMembersAreSearchedWithTheDefaultPasswordAsTraditionalOnesAre) {
    Store("2000\\1\\Week1\\1.rtf", "hail under the default password", "Secret", zcAes256);
    Store("2000\\1\\Week1\\2.rtf", "hail under another password", "Other", zcAes256);
    Store("2000\\1\\Week1\\3.rtf", "hail the old way", "Secret", zcTraditional);
    EXPECT_EQ(Search("hail"), (QStringList{"2000\\1\\Week1\\1", "2000\\1\\Week1\\3"}));
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(FindDlg, AnAesMembersKeysAreDerivedOncePerRunHoweverOftenItIsSearched) {
    // Entries stored in one save each; then a new run: no key kept.
    for (int day = 1; day <= 12; ++day)
        Store("2000\\1\\Week1\\" + std::to_string(day) + ".rtf",
              day % 4 == 0 ? "frost, day " + std::to_string(day) : "thaw", "Secret", zcAes256);
    Store("2000\\2\\Week1\\1.rtf", "frost under another password", "Other", zcAes256);
    TAesKeyCache& keys = TAesKeyCache::Instance();
    keys.Clear();

    // The keys are derived ahead on every processor while the walk reads;
    // no member is keyed twice, and the results are those of one processor.
    const std::uint64_t before = keys.Derivations();
    const QStringList found = Search("frost");
    EXPECT_EQ(found, (QStringList{"2000\\1\\Week1\\4", "2000\\1\\Week1\\8", "2000\\1\\Week1\\12"}));
    EXPECT_EQ(keys.Derivations() - before, 13u);

    // Searched again, or opened after the search: nothing is derived.
    EXPECT_EQ(Search("frost"), found);
    std::string_view bytes;
    EXPECT_TRUE(dlg->ReadMember("2000\\1\\Week1\\8.rtf", bytes));
    EXPECT_NE(bytes.find("frost, day 8"), std::string_view::npos);
    EXPECT_EQ(keys.Derivations() - before, 13u);

    // A range search prepares only the members it reads.
    keys.Clear();
    Click(dlg->RangeRBtn);
    dlg->StartDatePicker->setDate(QDate(2000, 1, 5));
    dlg->EndDatePicker->setDate(QDate(2000, 1, 9));
    EXPECT_EQ(Search("frost"), QStringList{"2000\\1\\Week1\\8"});
    EXPECT_EQ(keys.Derivations() - before, 13u + 5u);
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(FindDlg, SummariesAreListedByTheirPaths) {
    Store("2000\\Summary.rtf", "a year of rain");
    Store("2000\\3\\Summary.rtf", "a month of rain");
    Store("2000\\3\\Week2\\Summary.rtf", "a week of rain");
    Store("2000\\3\\Week2\\7.rtf", "rain");
    EXPECT_EQ(Search("rain"), QStringList{"2000\\3\\Week2\\7"}); // days only by default
    dlg->WeeklyCBox->setChecked(true);
    dlg->MonthlyCBox->setChecked(true);
    dlg->YearlyCBox->setChecked(true);
    EXPECT_EQ(Search("rain"), (QStringList{"2000\\Summary", "2000\\3\\Summary",
                                           "2000\\3\\Week2\\Summary", "2000\\3\\Week2\\7"}));
    // a range of one day in March still meets the year, the month and its weeks
    Click(dlg->RangeRBtn);
    dlg->EndDatePicker->setDate(QDate(2000, 3, 20));
    dlg->StartDatePicker->setDate(QDate(2000, 3, 20));
    EXPECT_EQ(Search("rain"),
              (QStringList{"2000\\Summary", "2000\\3\\Summary", "2000\\3\\Week2\\Summary"}));
    dlg->StartDatePicker->setDate(QDate(2000, 2, 1));
    dlg->EndDatePicker->setDate(QDate(2000, 2, 29));
    EXPECT_EQ(Search("rain"), QStringList{"2000\\Summary"});
}

TEST_F(FindDlg, NoArchiveMeansNoResultsAndNoError) {
    EXPECT_EQ(Search("rain"), QStringList{});
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_EQ(dlg->ProgressBar->value(), 0);
}

TEST_F(FindDlg, ADamagedArchiveIsReportedOnceAndTheSearchEnds) {
    testsupport::WriteFile(archive, "not a zip file at all");
    EXPECT_EQ(Search("rain"), QStringList{});
    EXPECT_EQ(prompts.Messages(), QStringList{"Incomplete Zip File"});
    EXPECT_FALSE(dlg->Searching());
    EXPECT_TRUE(dlg->isVisible());
}

TEST_F(FindDlg, EmptyYearListLeavesNoResultsAndTheBarAtZero) {
    Store("2000\\1\\Week1\\1.rtf", "rain");
    years.Clear();
    int moves = 0;
    QObject::connect(dlg->ProgressBar, &QProgressBar::valueChanged, [&] { ++moves; });
    EXPECT_EQ(Search("rain"), QStringList{});
    EXPECT_EQ(dlg->ProgressBar->value(), 0);
    EXPECT_EQ(moves, 0);
}

TEST_F(FindDlg, AYearThatIsNoIntegerStopsARangeSearchKeepingWhatWasFound) {
    Store("2000\\1\\Week1\\1.rtf", "rain");
    years.Add("x1"); // listed after "2000"
    Click(dlg->RangeRBtn);
    dlg->StartDatePicker->setDate(QDate(1999, 1, 1));
    EXPECT_EQ(Search("rain"), QStringList{"2000\\1\\Week1\\1"});
    EXPECT_EQ(prompts.Messages(), QStringList{"'x1' is not a valid integer value"});
    EXPECT_EQ(dlg->ProgressBar->maximum(), 2 * 2232);
    EXPECT_EQ(dlg->ProgressBar->value(), 2317 + 1); // 2000 walked whole, then x1's step
    // the same year list in "All entries" walks "x1" as a folder name
    Click(dlg->AllRBtn);
    EXPECT_EQ(Search("rain"), QStringList{"2000\\1\\Week1\\1"});
    EXPECT_EQ(prompts.Messages().size(), 1) << prompts.Messages().join('|').toStdString();
}

TEST_F(FindDlg, TheBarMovesAndTheDialogPaintsDuringASearch) {
    Store("2000\\1\\Week1\\1.rtf", "rain");
    Store("2000\\6\\Week1\\1.rtf", "rain");
    dlg->ProcessInterval = 0;
    std::vector<int> values;
    QObject::connect(dlg->ProgressBar, &QProgressBar::valueChanged,
                     [&](int v) { values.push_back(v); });
    // The results list is painted while the search goes on, not only after it.
    struct TPaints : QObject {
        int count = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            count += e->type() == QEvent::Paint;
            return false;
        }
    } paints;
    QObject::connect(dlg->ResultsList->model(), &QAbstractItemModel::rowsInserted,
                     [&] { dlg->ResultsList->viewport()->installEventFilter(&paints); });
    // Start pressed again while the search lets events through changes nothing.
    QObject::connect(dlg->ProgressBar, &QProgressBar::valueChanged, dlg.get(), [&](int v) {
        if (v == 1) QMetaObject::invokeMethod(dlg->StartBtn, "click", Qt::QueuedConnection);
    });
    EXPECT_EQ(Search("rain"), (QStringList{"2000\\1\\Week1\\1", "2000\\6\\Week1\\1"}));
    const int paintedDuringSearch = paints.count;
    dlg->ResultsList->viewport()->removeEventFilter(&paints);
    EXPECT_GT(paintedDuringSearch, 0);
    ASSERT_GT(values.size(), 100u);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end() - 1));
    EXPECT_EQ(values[values.size() - 2], 2232); // full before the walk's 2317 steps end
    EXPECT_EQ(values.back(), 0);                // and back to 0 at the end
}

TEST_F(FindDlg, EscapeAndCloseStopARunningSearch) {
    Store("2000\\12\\Week6\\31.rtf", "rain");
    dlg->ProcessInterval = 0;
    // Both are queued when the search has begun; they come through between members.
    auto stopWith = [&](std::function<void()> stop) {
        auto c = std::make_shared<QMetaObject::Connection>();
        *c = QObject::connect(dlg->ProgressBar, &QProgressBar::valueChanged, [c, stop](int v) {
            if (v != 1) return;
            QObject::disconnect(*c);
            stop();
        });
    };
    stopWith([&] {
        QCoreApplication::postEvent(dlg->TextEdit,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
    });
    EXPECT_EQ(Search("rain"), QStringList{});
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    EXPECT_FALSE(dlg->Searching());
    EXPECT_LT(dlg->ProgressBar->value(), 100);

    dlg->show();
    QApplication::processEvents();
    stopWith([&] { QMetaObject::invokeMethod(dlg->CloseBtn, "click", Qt::QueuedConnection); });
    EXPECT_EQ(Search("rain"), QStringList{});
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_TRUE(dlg->SelectedEntry.empty());
}

TEST_F(FindDlg, ADoubleClickOrEnterOnAResultChoosesItAndCloses) {
    Store("2000\\3\\Week3\\15.rtf", "rain");
    Store("2000\\3\\Week3\\16.rtf", "more rain");
    ASSERT_EQ(Search("rain").size(), 2);
    // a double-click below the lines, nothing selected: nothing happens
    const QPoint below(5, dlg->ResultsList->viewport()->height() - 3);
    QTest::mouseDClick(dlg->ResultsList->viewport(), Qt::LeftButton, {}, below);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_TRUE(dlg->SelectedEntry.empty());
    DoubleClick(1);
    EXPECT_EQ(dlg->SelectedEntry, "2000\\3\\Week3\\16");
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Accepted);

    // from the keyboard: End selects the last line, Enter chooses it
    dlg->SelectedEntry.clear();
    dlg->show();
    ASSERT_EQ(Search("rain").size(), 2);
    QApplication::processEvents(); // the list lays its lines out
    dlg->ResultsList->setFocus();
    QTest::keyClick(dlg->ResultsList, Qt::Key_End);
    QTest::keyClick(dlg->ResultsList, Qt::Key_Return);
    EXPECT_EQ(dlg->SelectedEntry, "2000\\3\\Week3\\16");
}

} // namespace
