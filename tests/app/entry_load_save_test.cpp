// The diary end to end through the real main window: entries are typed into
// the editor, the date tree is opened and selected as a user would, and the
// archive is then read back through the archive engine (and the peers), never
// through the window itself.
#include "support/diary_window.h"
#include "ui/entry_title.h"

#include <QAction>
#include <QTabBar>
#include <sys/stat.h>

using namespace testsupport;
using TKind = TScriptedPrompts::TKind;

namespace {
class EntryLoadSave : public testsupport::TDiaryWindowTest {};
} // namespace

TEST_F(EntryLoadSave, NewFolderLoadsEmptyEntriesAndTheFirstMoveCreatesTheArchive) {
    WriteIni();
    std::filesystem::create_directories(Folder());
    Start();
    EXPECT_TRUE(Text().isEmpty());
    for (const QStringList& path :
         {QStringList{"2000"}, QStringList{"2000", "March"}, QStringList{"2000", "March", "Week3"},
          QStringList{"2000", "March", "Week3", "16"},
          QStringList{"2000", "March", "Week3", "15"}}) {
        Select(path);
        EXPECT_TRUE(Text().isEmpty()) << path.join('/').toStdString();
        EXPECT_FALSE(form->Editor->isReadOnly());
    }
    EXPECT_FALSE(testsupport::FileExists(Archive())); // nothing typed, nothing stored
    EXPECT_TRUE(prompts.Asked.empty());
    ASSERT_EQ(Member(), Day15);
    Type("Ides of March");
    EXPECT_EQ(Panel(1), "Modified");
    Select16();
    EXPECT_EQ(Panel(1), "");
    EXPECT_TRUE(Text().isEmpty());
    ASSERT_TRUE(testsupport::FileExists(Archive()));
    EXPECT_EQ(Check().Names(), std::vector<std::string>{Day15});
    EXPECT_FALSE(Check().Info(Day15).Encrypted);
    EXPECT_EQ(Check().Text(Day15), "Ides of March\n");
    Select15(); // and it loads again
    EXPECT_EQ(Text(), "Ides of March");
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(EntryLoadSave, MissingDataFolderIsMadeByTheFirstStore) {
    WriteIni();
    Start();
    Select15();
    Type("first words");
    Select16();
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
    EXPECT_EQ(Check().Text(Day15), "first words\n");
}

TEST_F(EntryLoadSave, DefaultPasswordOpensSilentlyAndTheEditIsStoredEncryptedAgain) {
    WriteProfile2("Secret", false);
    Store(Archive(2), Day15, Rtf("locked away"), "Secret");
    Start();
    ASSERT_EQ(form->Current.CurrentPath, Folder(2));
    Select15();
    EXPECT_EQ(Text(), "locked away");
    EXPECT_EQ(Panel(2), "Password Protected");
    EXPECT_TRUE(prompts.Asked.empty());
    form->Editor->moveCursor(QTextCursor::End);
    Type(" and edited");
    Select16();
    EXPECT_EQ(Panel(2), "");
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_TRUE(Check(2).Info(Day15).Encrypted);
    EXPECT_EQ(Check(2).Text(Day15), ""); // no password, no text
    EXPECT_EQ(Check(2).Text(Day15, "Other"), "");
    EXPECT_EQ(Check(2).Text(Day15, "Secret"), "locked away and edited\n");
}

TEST_F(EntryLoadSave, AnotherPasswordIsAskedForUntilTheRightOne) {
    WriteProfile2("Secret", false);
    Store(Archive(2), Day15, Rtf("their words"), "Other");
    Start();
    prompts.Inputs = {QString("wrong"), QString("Other")};
    Select15();
    // The box names the entry; a wrong answer is said to be wrong before the
    // question comes again.
    ASSERT_EQ(prompts.Asked.size(), 3u);
    EXPECT_EQ(prompts.Asked[1].Kind, TKind::Message);
    EXPECT_EQ(prompts.Asked[1].Text, "Wrong password.");
    for (const auto& asked : {prompts.Asked[0], prompts.Asked[2]}) {
        EXPECT_EQ(asked.Kind, TKind::Input);
        EXPECT_EQ(asked.Caption, "Password Prompt");
        EXPECT_EQ(asked.Text, "Enter the password of " +
                                  EntryTitle({2000, 3, 3, 15}, TEntryLevel::elDay) + ":");
        EXPECT_TRUE(asked.Masked);
    }
    EXPECT_EQ(Text(), "their words");
    EXPECT_EQ(Panel(2), "Password Protected");
    EXPECT_FALSE(form->Editor->isReadOnly());
    // The password that opened it is the one it is stored with again.
    form->Editor->moveCursor(QTextCursor::End);
    Type("!");
    Select16();
    EXPECT_TRUE(Check(2).Info(Day15).Encrypted);
    EXPECT_EQ(Check(2).Text(Day15, "Other"), "their words!\n");
}

TEST_F(EntryLoadSave, GivingUpOnAPasswordLeavesTheMemberUntouched) {
    WriteIni();
    Store(Archive(), Day15, Rtf("keep me"), "Other");
    Store(Archive(), Day16, Rtf("neighbour"));
    const std::string before = ReadFile(Archive());
    Start();
    Select15(); // the prompt queue is empty: Cancel, the empty answer
    EXPECT_EQ(prompts.Count(TKind::Input), 1);
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_TRUE(form->Editor->isReadOnly());
    EXPECT_EQ(Panel(1), "Read Only");
    Type("overwrite");
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_NE(Panel(1), "Modified");
    form->FileSaveCmd->trigger();
    Select16();
    EXPECT_EQ(Text(), "neighbour");
    EXPECT_FALSE(form->Editor->isReadOnly());
    prompts.Inputs = {QString("")}; // gives up again
    Select15();
    EXPECT_TRUE(Text().isEmpty());
    Type("again");
    form->FileSaveCmd->trigger();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join('|').toStdString();
    form.reset();
    EXPECT_EQ(ReadFile(Archive()), before);
    EXPECT_EQ(Check().Text(Day15, "Other"), "keep me\n");
}

TEST_F(EntryLoadSave, ProtectEncryptsAnEditedPlainEntryWithTheDefaultPassword) {
    WriteProfile2("Secret", true);
    Store(Archive(2), Day15, Rtf("plain so far"));
    Start();
    Select15();
    EXPECT_EQ(Text(), "plain so far");
    EXPECT_EQ(Panel(2), "");
    form->Editor->moveCursor(QTextCursor::End);
    Type(" now hidden");
    Select16();
    Type("new and hidden");
    Select15();
    EXPECT_TRUE(prompts.Asked.empty());
    EXPECT_EQ(Panel(2), "Password Protected");
    for (const char* member : {Day15, Day16})
        EXPECT_TRUE(Check(2).Info(member).Encrypted) << member;
    EXPECT_EQ(Check(2).Text(Day15, "Secret"), "plain so far now hidden\n");
    EXPECT_EQ(Check(2).Text(Day16, "Secret"), "new and hidden\n");
}

TEST_F(EntryLoadSave, WithoutProtectAnEditedPlainEntryStaysPlain) {
    WriteProfile2("Secret", false);
    Store(Archive(2), Day15, Rtf("plain so far"));
    Start();
    Select15();
    form->Editor->moveCursor(QTextCursor::End);
    Type(" and still");
    Select16();
    Type("new");
    Select15();
    EXPECT_EQ(Panel(2), "");
    EXPECT_FALSE(Check(2).Info(Day15).Encrypted);
    EXPECT_FALSE(Check(2).Info(Day16).Encrypted);
    EXPECT_EQ(Check(2).Text(Day15), "plain so far and still\n");
    EXPECT_EQ(Check(2).Text(Day16), "new\n");
}

TEST_F(EntryLoadSave, ChoosingTheSameNodeAgainWithoutEditingStoresNothing) {
    WriteIni();
    Store(Archive(), Day15, Rtf("stay as you are"));
    Start();
    Select15();
    const std::string bytes = ReadFile(Archive());
    const auto mtime = MTime(Archive());
    QTreeWidgetItem* node = form->Nav->CurrentNode;
    const QPoint centre = form->TreeView->visualItemRect(node).center();
    QTest::mouseClick(form->TreeView->viewport(), Qt::LeftButton, {}, centre);
    form->TreeView->setCurrentItem(node);
    form->FileSaveCmd->trigger();
    Select16(); // away and back, still unedited
    Select15();
    EXPECT_EQ(Text(), "stay as you are");
    EXPECT_TRUE(form->close());
    form.reset();
    EXPECT_EQ(ReadFile(Archive()), bytes);
    EXPECT_EQ(MTime(Archive()), mtime);
}

TEST_F(EntryLoadSave, ReadOnlyProfileShowsItsEntryAndRefusesTyping) {
    WriteIni("User2On=1\nUser2RO=1\nUser2Path=" + Folder(2) + "\n");
    Store(Archive(2), Day15, Rtf("look, do not touch"));
    const std::string bytes = ReadFile(Archive(2));
    Start();
    Select15();
    form->TabSet->setCurrentIndex(1);
    QApplication::processEvents();
    ASSERT_EQ(form->Current.CurrentPath, Folder(2));
    EXPECT_EQ(Text(), "look, do not touch");
    EXPECT_TRUE(form->Editor->isReadOnly());
    EXPECT_EQ(Panel(1), "Read Only");
    form->Editor->moveCursor(QTextCursor::End);
    Type("scribble");
    QTest::keyClick(form->Editor, Qt::Key_Backspace);
    EXPECT_EQ(Text(), "look, do not touch");
    EXPECT_EQ(Panel(1), "Read Only");
    form->FileSaveCmd->trigger();
    Select16();
    EXPECT_EQ(Panel(1), "Read Only");
    Type("more");
    EXPECT_TRUE(Text().isEmpty());
    EXPECT_NE(Panel(1), "Modified");
    form->TabSet->setCurrentIndex(0); // back to profile 1: typing again
    EXPECT_EQ(Panel(1), "");
    EXPECT_FALSE(form->Editor->isReadOnly());
    EXPECT_TRUE(form->close());
    form.reset();
    EXPECT_EQ(ReadFile(Archive(2)), bytes);
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(EntryLoadSave, ACorruptArchiveKeepsTheTextTheEntryAndTheWindowUntilRepaired) {
    WriteIni();
    Store(Archive(), Day16, Rtf("older entry"));
    const std::string good = ReadFile(Archive());
    Start();
    Select15();
    Type("precious words");
    QTreeWidgetItem* current = form->Nav->CurrentNode;
    WriteFile(Archive(), "this is no archive at all, just some text standing in its place");

    Select16();
    EXPECT_EQ(prompts.Count(TKind::Error) + prompts.Count(TKind::Message), 1);
    EXPECT_EQ(Text(), "precious words");
    EXPECT_EQ(Panel(1), "Modified");
    EXPECT_EQ(form->Nav->CurrentNode, current);
    EXPECT_EQ(form->TreeView->currentItem(), current);
    EXPECT_EQ(Member(), Day15);

    EXPECT_FALSE(form->close()); // refused: the text would be lost
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(prompts.Count(TKind::Error) + prompts.Count(TKind::Message), 2);

    WriteFile(Archive(), good); // repaired
    Type(", more");
    Select16();
    EXPECT_EQ(prompts.Count(TKind::Error) + prompts.Count(TKind::Message), 2);
    EXPECT_EQ(Text(), "older entry");
    EXPECT_EQ(Check().Text(Day15), "precious words, more\n");
    EXPECT_EQ(Check().Text(Day16), "older entry\n");
    EXPECT_TRUE(form->close());
}

TEST_F(EntryLoadSave, ADataFolderThatIsAFileKeepsTheTextUntilRepaired) {
    WriteIni();
    std::filesystem::create_directories(scratch.path());
    WriteFile(scratch.path() + "/profile1", "a file where the folder should be");
    Start();
    Select15();
    Type("still here");
    Select16();
    EXPECT_EQ(prompts.Count(TKind::Error) + prompts.Count(TKind::Message), 1);
    EXPECT_EQ(Text(), "still here");
    EXPECT_EQ(Panel(1), "Modified");
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_FALSE(form->close());

    std::filesystem::remove(scratch.path() + "/profile1");
    std::filesystem::create_directories(Folder());
    EXPECT_TRUE(form->close());
    EXPECT_EQ(Check().Text(Day15), "still here\n");
}

TEST_F(EntryLoadSave, OpeningAnotherMonthThenSelectingStoresUnderTheEntryThatWasCurrent) {
    WriteIni();
    Start();
    Select15();
    Type("written on the fifteenth");
    QTreeWidgetItem* april = Node({"2000", "April"});
    ASSERT_NE(april, nullptr);
    april->setExpanded(true);
    QApplication::processEvents();
    EXPECT_EQ(Member(), Day15);
    EXPECT_EQ(Panel(1), "Modified");
    Select({"2000", "May"});
    EXPECT_EQ(Member(), "2000\\5\\Summary.rtf");
    EXPECT_EQ(Check().Names(), std::vector<std::string>{Day15});
    EXPECT_EQ(Check().Text(Day15), "written on the fifteenth\n");
}

TEST_F(EntryLoadSave, ArchiveWrittenByTheWindowPassesThePeers) {
    ASSERT_TRUE(testsupport::HaveProgram("unzip"));
    ASSERT_TRUE(testsupport::HaveProgram("soffice"));
    WriteIni();
    Start();
    Select15();
    Type("Dear diary");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    Type("second line");
    Select16();
    ASSERT_TRUE(form->close());
    form.reset();

    const std::string zip = testsupport::ShellQuote(Archive());
    std::string out;
    EXPECT_EQ(testsupport::RunCommand("unzip -t " + zip, &out), 0) << out;
    std::string names;
    ASSERT_EQ(testsupport::RunCommand("unzip -Z1 " + zip, &names), 0);
    EXPECT_EQ(names, "2000/3/Week3/15.rtf\n");
    const std::string rtfFile = scratch.file("15.rtf");
    ASSERT_EQ(testsupport::RunCommand("unzip -p " + zip + " 2000/3/Week3/15.rtf > " +
                                      testsupport::ShellQuote(rtfFile)),
              0);
    const std::string outDir = scratch.file("txt");
    const std::string convert =
        "soffice --headless -env:UserInstallation=file:///tmp/lo-guitests --convert-to "
        "'txt:Text (encoded):UTF8' --outdir " +
        testsupport::ShellQuote(outDir) + " " + testsupport::ShellQuote(rtfFile) +
        " >/dev/null 2>&1";
    ASSERT_EQ(testsupport::RunCommand(convert), 0);
    std::string text = ReadFile(outDir + "/15.txt");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3); // the converter's BOM
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    EXPECT_EQ(text, "Dear diary\nsecond line");
    EXPECT_EQ(Check().Text(Day15), "Dear diary\nsecond line\n");
}

// As a user starts the program: no settings file, today's entry, then
// yesterday's, close, start again.
TEST(EntryLoadSaveEndToEnd, TodayAndYesterdaySurviveARestart) {
    testsupport::ScopedUserFolders folders;
    TScriptedPrompts prompts;
    const QDate today = QDate::currentDate();
    const QDate yesterday = today.addDays(-1);
    const auto findDay = [](TMainForm& form, const QDate& date) -> QTreeWidgetItem* {
        QTreeWidgetItem* root = form.TreeView->invisibleRootItem();
        const auto child = [](QTreeWidgetItem* n, const QString& text) -> QTreeWidgetItem* {
            for (int i = 0; i < n->childCount(); ++i)
                if (n->child(i)->text(0) == text) return n->child(i);
            return nullptr;
        };
        QTreeWidgetItem* year = child(root, QString::number(date.year()));
        if (!year) return nullptr;
        year->setExpanded(true);
        QTreeWidgetItem* month = child(year, QLocale(QLocale::English).monthName(date.month()));
        if (!month) return nullptr;
        month->setExpanded(true);
        for (int w = 0; w < month->childCount(); ++w) {
            month->child(w)->setExpanded(true);
            if (QTreeWidgetItem* day = child(month->child(w), QString::number(date.day())))
                return day;
        }
        return nullptr;
    };
    {
        TMainForm form(prompts);
        ASSERT_TRUE(form.LoginPassed());
        form.show();
        EXPECT_TRUE(form.Editor->toPlainText().isEmpty());
        QTest::keyClicks(form.Editor, "Today I wrote tests");
        QTreeWidgetItem* node = findDay(form, yesterday);
        if (!node) {
            // The first of January: last year is not in a new tree yet.
            form.Settings.YearList.Add(std::to_string(yesterday.year()));
            form.Nav->BuildTreeForDate(today);
            node = findDay(form, yesterday);
        }
        ASSERT_NE(node, nullptr);
        form.TreeView->setCurrentItem(node);
        EXPECT_TRUE(form.Editor->toPlainText().isEmpty());
        QTest::keyClicks(form.Editor, "Yesterday I planned them");
        EXPECT_TRUE(form.close());
    }
    EXPECT_TRUE(prompts.Messages().isEmpty()) << prompts.Messages().join('|').toStdString();
    EXPECT_TRUE(testsupport::FileExists(folders.configDir() + "/Dayscrib.INI"));
    EXPECT_TRUE(testsupport::FileExists(ProgramFolder() + "Data/Daybank.zip"));
    TMainForm form(prompts);
    form.show();
    EXPECT_EQ(form.Editor->toPlainText(), "Today I wrote tests");
    QTreeWidgetItem* node = findDay(form, yesterday);
    ASSERT_NE(node, nullptr);
    form.TreeView->setCurrentItem(node);
    EXPECT_EQ(form.Editor->toPlainText(), "Yesterday I planned them");
    EXPECT_TRUE(prompts.Asked.empty());
}
