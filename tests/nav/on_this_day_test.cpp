// "On This Day" through the real window and its real dialog.
#include "nav/on_this_day_dialog.h"
#include "nav/on_this_day_list.h"
#include "support/diary_window.h"
#include "support/modal.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {

class OnThisDayWindow : public TDiaryWindowTest {
protected:
    void SetUpDiary() {
        WriteYears({"1997", "1998", "1999", "2000", "2001"});
        Store(Archive(), "1997\\3\\Week3\\15.rtf", Rtf("not listed"));
        Store(Archive(), "1998\\3\\Week3\\15.rtf", Rtf("\\par  Spring came early\\par second"));
        Store(Archive(), "1999\\3\\Week3\\15.rtf", Rtf("private"), "Own", zcAes256);
        Store(Archive(), "2001\\3\\Week3\\15.rtf", Rtf("later"));
        Store(Archive(), "1998\\3\\Week3\\14.rtf", Rtf("the day before"));
    }
    // Opens the window and answers it with `answer`; returns its lines.
    QStringList Open(const std::function<void(TOnThisDayDlg*)>& answer) {
        QStringList lines;
        WhenModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TOnThisDayDlg*>(w);
            ASSERT_NE(dlg, nullptr);
            EXPECT_EQ(dlg->windowTitle(), "On This Day");
            for (int i = 0; i < dlg->EntriesList->count(); ++i)
                lines << dlg->EntriesList->item(i)->text();
            answer(dlg);
        });
        form->OnThisDay1->trigger();
        QApplication::processEvents();
        return lines;
    }
    static void DoubleClick(TOnThisDayDlg* dlg, int row) {
        emit dlg->EntriesList->itemDoubleClicked(dlg->EntriesList->item(row));
    }
};

} // namespace

TEST_F(OnThisDayWindow, ListsTheEarlierListedYearsWithAnEntryNewestFirst) {
    WriteYears({"1998", "1999", "2000", "2001"}); // 1997 is not listed
    Store(Archive(), "1997\\3\\Week3\\15.rtf", Rtf("not listed"));
    Store(Archive(), "1998\\3\\Week3\\15.rtf", Rtf("\\par  Spring came early\\par second"));
    Store(Archive(), "1999\\3\\Week3\\15.rtf", Rtf("private"), "Own", zcAes256);
    Store(Archive(), "2001\\3\\Week3\\15.rtf", Rtf("later"));
    const TScopedLocale german(QLocale(QLocale::German, QLocale::Germany));
    Start();
    Select15();
    QString label;
    const QStringList lines = Open([&](TOnThisDayDlg* dlg) {
        label = dlg->findChild<QLabel*>()->text();
        dlg->reject();
    });
    // Each entry named by its date, in the system's language.
    EXPECT_EQ(label, QString::fromUtf8("15 M\xC3\xA4rz in earlier years:"));
    EXPECT_EQ(lines,
              QStringList({QString::fromUtf8("Montag 15 M\xC3\xA4rz 1999 (protected)"),
                           QString::fromUtf8("Sonntag 15 M\xC3\xA4rz 1998: Spring came early")}));
    EXPECT_EQ(Member(), Day15);
    EXPECT_TRUE(prompts.Asked.empty()); // nothing protected was read
}

TEST_F(OnThisDayWindow, ADoubleClickStoresTheShownEntryAndOpensTheChosenOne) {
    SetUpDiary();
    Start();
    Select15();
    Type("this year's words");
    Open([](TOnThisDayDlg* dlg) { DoubleClick(dlg, 1); }); // 1998
    EXPECT_EQ(Member(), "1998\\3\\Week3\\15.rtf");
    EXPECT_EQ(Text(), "\n Spring came early\nsecond");
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_EQ(Check().Text(Day15), "this year's words\n");
}

TEST_F(OnThisDayWindow, AProtectedEntryOpensOnlyThroughThePasswordPrompt) {
    SetUpDiary();
    Start();
    Select15();
    prompts.Inputs = {QString("Own")};
    Open([](TOnThisDayDlg* dlg) { DoubleClick(dlg, 0); }); // 1999
    EXPECT_EQ(prompts.Count(TKind::Input), 1);
    EXPECT_EQ(Member(), "1999\\3\\Week3\\15.rtf");
    EXPECT_EQ(Text(), "private");
    EXPECT_EQ(Panel(2), "Password Protected (AES-256)");
}

TEST(OnThisDayList, LeapDaysAndFirstLines) {
    testsupport::TempDir dir;
    const std::string archive = dir.file("Daybank.zip");
    Store(archive, "2000\\2\\Week5\\29.rtf", Rtf("leap"));
    Store(archive, "1996\\2\\Week5\\29.rtf", Rtf("older leap"));
    TEntryIndex index;
    index.Refresh(archive);
    int reads = 0;
    const auto read = [&](const std::string&) -> std::optional<std::string> {
        ++reads;
        return Rtf("x");
    };
    const auto items =
        OnThisDay({"1996", "1999", "2000", "abcd", "2004"}, QDate(2004, 2, 29), index, read);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].Date, QDate(2000, 2, 29));
    EXPECT_EQ(items[0].Member, "2000\\2\\Week5\\29.rtf");
    EXPECT_EQ(items[1].Date, QDate(1996, 2, 29));
    EXPECT_EQ(reads, 2);
    EXPECT_EQ(FirstLineOf("\n  \n  Dear diary  \nmore"), "Dear diary");
    EXPECT_EQ(FirstLineOf(QString(100, 'a'), 10), QString(9, 'a') + QChar(0x2026));
    EXPECT_EQ(FirstLineOf(""), "");
}
