// The Preferences dialog driven through the main window as a user would: the
// menu entry opens the real dialog, the test types, ticks and clicks in it
// from inside its event loop, and then reads the main window's settings, its
// tabs and tree, and the archives (through a reader of its own).
#include "app/main_form.h"
#include "app/preferences_form.h"
#include "dialog_test_support.h"
#include "editor/editor.h"
#include "platform/profile_file.h"
#include "platform/user_folders.h"
#include "rtf/rtf_text.h"
#include "settings/password_scramble.h"
#include "support/test_support.h"
#include "ui/help.h"
#include "ui/password_box.h"
#include "ui/prompts.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

#include <QAction>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

using apptest::WhenModal;
using testsupport::WriteFile;
using TKind = TScriptedPrompts::TKind;

namespace {

const QString FirstPasswordMessage =
    "The default password for Project #1 must be assigned\nbefore assigning a default password "
    "here.";
const QString NeedsPasswordMessage =
    "User/Project #1 must have a password because\nanother User/Project has a password.";

QStringList Items(const QListWidget* list) {
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->item(i)->text();
    return items;
}

void Select(QListWidget* list, const QStringList& texts) {
    list->clearSelection();
    for (const QString& text : texts) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        found.front()->setSelected(true);
    }
}

// Selects what the box holds and types `text` over it, one key at a time
// (characters beyond Latin-1 arrive as key events carrying their text).
void TypeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty()) QTest::keyClick(edit, Qt::Key_Delete);
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(edit, c.toLatin1());
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
        QApplication::sendEvent(edit, &release);
    }
}

void Click(QPushButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

// The member's plain text read with a reader of the test's own; "" when the
// archive or the member is not there.
std::string StoredText(const std::string& archive, const std::string& member) {
    if (!testsupport::FileExists(archive)) return {};
    TZipReader reader;
    reader.SetZipName(archive);
    TMemoryStream stream;
    if (reader.ExtractToStream(&stream, member) != 1) return {};
    return RtfToPlainText(stream.ToString());
}

class Preferences : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir scratch;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;
    const int year = QDate::currentDate().year();
    const QString thisYear = QString::number(QDate::currentDate().year());

    std::string Folder(int profile) const {
        return scratch.path() + "/profile" + std::to_string(profile) + "/";
    }
    std::string Archive(int profile) const { return Folder(profile) + "Daybank.zip"; }
    std::string Today() const { return form->Nav->CurrentMember(); }

    // The years 2000 and this one, profile 1 in `path` (its scratch folder
    // when none is given), and `extra`.
    void WriteIni(const std::string& extra = {}, const std::string& path = {}) {
        ProfileFilePath("Dayscrib.INI");
        WriteFile(folders.configDir() + "/Dayscrib.INI",
                  "[Main]\nYearCount=2\nYear1=2000\nYear2=" + std::to_string(year) +
                      "\nUser1Path=" + (path.empty() ? Folder(1) : path) + "\n" + extra);
    }
    void Start() {
        form = std::make_unique<TMainForm>(prompts);
        ASSERT_TRUE(form->LoginPassed());
        form->show();
        // Activation arrives late on a busy machine: wait for it, so that it
        // cannot take the focus from a dialog opened next.
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Opens Preferences from the View menu and runs `act` in the dialog.
    void Open(const std::function<void(TPreferencesFrm&)>& act) {
        bool ran = false;
        WhenModal([&](QWidget* w) {
            auto* dlg = qobject_cast<TPreferencesFrm*>(w);
            ASSERT_NE(dlg, nullptr);
            // Keys and focus reach a window only once it is active.
            ASSERT_TRUE(testsupport::WaitForFocus(dlg));
            ran = true;
            act(*dlg);
        });
        ASSERT_TRUE(form->Preferences1->isEnabled());
        form->Preferences1->trigger();
        QApplication::processEvents();
        ASSERT_TRUE(ran);
    }
    void Type(const QString& text) {
        form->Editor->setFocus();
        QTest::keyClicks(form->Editor, text);
    }
    QStringList Tabs() const {
        QStringList tabs;
        for (int i = 0; i < form->TabSet->count(); ++i)
            tabs << form->TabSet->tabText(i);
        return tabs;
    }
};

} // namespace

TEST_F(Preferences, OpensFilledWithTheProfilesThatAreOnAndTheYears) {
    WriteIni("StartProject=2\nUser1Name=Me\nUser1Protect=1\n"
             "User2On=1\nUser2Name=Work\nUser2Path=Data\\Work\\\nUser2RO=0\nUser2Protect=1\n"
             "User3On=0\nUser3Name=Old\nUser3Path=Data\\Old\\\n");
    Start();
    Open([&](TPreferencesFrm& d) {
        EXPECT_EQ(d.windowTitle(), "Preferences");
        EXPECT_EQ(d.UserNameEdit(1)->text(), "Me");
        EXPECT_TRUE(d.UserProtectCheck(1)->isChecked());
        EXPECT_TRUE(d.ProjectRBtn(2)->isChecked());
        EXPECT_EQ(d.ChosenProject, 2);
        // Profile 2 is on: its fields are filled and enabled.
        EXPECT_TRUE(d.UserCheck(2)->isChecked());
        EXPECT_EQ(d.UserPathEdit(2)->text(), "Data\\Work\\");
        EXPECT_FALSE(d.UserROCheck(2)->isChecked());
        EXPECT_TRUE(d.UserROCheck(2)->isEnabled());
        // Profile 3 is off: empty and disabled, though it has values.
        EXPECT_TRUE(d.UserNameEdit(3)->text().isEmpty());
        EXPECT_FALSE(d.UserNameEdit(3)->isEnabled());
        for (int n = 1; n <= 5; ++n)
            EXPECT_EQ(d.UserPasswordEdit(n)->echoMode(), QLineEdit::Password) << n;
        // Included years leave the available ones, which run to ten years
        // from now; they can be excluded at once.
        EXPECT_EQ(Items(d.DstList), (QStringList{"2000", thisYear}));
        const QStringList available = Items(d.SrcList);
        EXPECT_EQ(available.size(), year + 10 - 1990 + 1 - 2);
        EXPECT_EQ(available.back(), QString::number(year + 10));
        EXPECT_FALSE(available.contains(thisYear));
        EXPECT_TRUE(d.ExcludeBtn->isEnabled());
        EXPECT_TRUE(d.BitBtn1->isDefault());
        apptest::ExpectAccessible(&d);
        d.reject();
    });
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
}

TEST_F(Preferences, EveryPasswordBoxShowsWhatWasTypedWithItsShowToggle) {
    WriteIni("User2On=1\nUser2RO=0\n");
    Start();
    Open([&](TPreferencesFrm& d) {
        for (int n = 1; n <= 5; ++n) {
            QCheckBox* show = ShowToggleOf(d.UserPasswordEdit(n));
            ASSERT_NE(show, nullptr) << n;
            EXPECT_EQ(show->accessibleName(), "Show Default Password");
            EXPECT_EQ(show->isEnabled(), n <= 2) << n; // with its box
        }
        TypeInto(d.UserPasswordEdit(1), "Secret one");
        // A keyboard user reaches the toggle from the box and turns it.
        QTest::keyClick(d.UserPasswordEdit(1), Qt::Key_Tab);
        QCheckBox* show = ShowToggleOf(d.UserPasswordEdit(1));
        ASSERT_EQ(QApplication::focusWidget(), show);
        QTest::keyClick(show, Qt::Key_Space);
        EXPECT_EQ(d.UserPasswordEdit(1)->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(d.UserPasswordEdit(1)->displayText(), "Secret one");
        QTest::keyClick(show, Qt::Key_Space);
        EXPECT_EQ(d.UserPasswordEdit(1)->echoMode(), QLineEdit::Password);
        // Turning a profile off masks its box again and greys its toggle.
        ShowToggleOf(d.UserPasswordEdit(2))->setChecked(true);
        d.UserCheck(2)->click();
        EXPECT_FALSE(ShowToggleOf(d.UserPasswordEdit(2))->isEnabled());
        EXPECT_EQ(d.UserPasswordEdit(2)->echoMode(), QLineEdit::Password);
        d.UserCheck(2)->click();
        d.BitBtn1->click();
    });
    EXPECT_EQ(form->Settings.Project(1).Password, "Secret one");
}

TEST_F(Preferences, ProfileTwoPasswordWithoutProfileOnePasswordIsRefusedWhileFilling) {
    // A settings file can hold this; the dialog says so as it fills in.
    WriteIni("User2On=1\nUser2Password=" + ScramblePassword("two") + "\n");
    Start();
    ASSERT_EQ(form->Settings.Project(2).Password, "two");
    Open([&](TPreferencesFrm& d) {
        EXPECT_EQ(prompts.Messages(), QStringList{FirstPasswordMessage});
        EXPECT_TRUE(d.UserPasswordEdit(2)->text().isEmpty());
        Click(d.BitBtn1);
    });
    EXPECT_EQ(prompts.Messages(), QStringList{FirstPasswordMessage}); // once
    EXPECT_EQ(form->Settings.Project(2).Password, "");
}

TEST_F(Preferences, PasswordRulesBetweenProfileOneAndTheOthers) {
    WriteIni("User2On=1\nUser2RO=0\n");
    Start();
    Open([&](TPreferencesFrm& d) {
        // Typing a password for profile 2 while profile 1 has none.
        TypeInto(d.UserPasswordEdit(2), "x");
        EXPECT_EQ(prompts.Messages(), QStringList{FirstPasswordMessage});
        EXPECT_TRUE(d.UserPasswordEdit(2)->text().isEmpty());
        // With profile 1's password first it is taken; blanks stay.
        TypeInto(d.UserPasswordEdit(1), " one ");
        TypeInto(d.UserPasswordEdit(2), "two words");
        EXPECT_EQ(d.UserPasswordEdit(2)->text(), "two words");
        // Emptying profile 1's (blanks count as empty) and leaving it:
        // the message, and the focus comes back.
        TypeInto(d.UserPasswordEdit(1), "   ");
        d.UserNameEdit(3)->setFocus(); // disabled: the focus goes nowhere
        d.UserPathEdit(1)->setFocus();
        EXPECT_EQ(prompts.Messages().size(), 2);
        EXPECT_EQ(prompts.Messages().back(), NeedsPasswordMessage);
        EXPECT_EQ(QApplication::focusWidget(), d.UserPasswordEdit(1));
        // OK from inside the box (Enter) is refused the same way.
        QTest::keyClick(d.UserPasswordEdit(1), Qt::Key_Return);
        EXPECT_EQ(prompts.Messages().size(), 3);
        EXPECT_TRUE(d.isVisible());
        TypeInto(d.UserPasswordEdit(1), "one");
        QTest::keyClick(d.UserPasswordEdit(1), Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(prompts.Messages().size(), 3);
    EXPECT_EQ(form->Settings.Project(1).Password, "one");
    EXPECT_EQ(form->Settings.Project(2).Password, "two words");
}

TEST_F(Preferences, TwoYearsIncludedInOneStepArriveInReverseAndAreListedSorted) {
    WriteIni();
    Start();
    Open([&](TPreferencesFrm& d) {
        Select(d.SrcList, {"2003", "2005"});
        Click(d.IncludeBtn);
        EXPECT_EQ(Items(d.DstList), (QStringList{"2000", thisYear, "2005", "2003"}));
        EXPECT_FALSE(Items(d.SrcList).contains("2003"));
        EXPECT_FALSE(Items(d.SrcList).contains("2005"));
        // The available list's selection moves to where the first one was.
        EXPECT_EQ(d.SrcList->selectedItems().size(), 1);
        EXPECT_EQ(d.SrcList->selectedItems().front()->text(), "2004");
        EXPECT_EQ(QApplication::focusWidget(), d.SrcList);
        Click(d.BitBtn1);
    });
    const std::vector<std::string> expected = {"2000", "2003", "2005", std::to_string(year)};
    EXPECT_EQ(form->Settings.YearList.Strings(), expected);
    EXPECT_EQ(form->TreeView->topLevelItemCount(), 4);
    EXPECT_EQ(form->TreeView->topLevelItem(1)->text(0), "2003");
}

TEST_F(Preferences, ExcludingEveryYearLeavesTheTreeEmptyAndTheDayStillStoresItsText) {
    WriteIni();
    Start();
    const std::string today = Today();
    Open([&](TPreferencesFrm& d) {
        Select(d.DstList, {"2000", thisYear});
        Click(d.ExcludeBtn);
        EXPECT_EQ(d.DstList->count(), 0);
        EXPECT_FALSE(d.ExcludeBtn->isEnabled());
        // Both return to their sorted places.
        const QStringList available = Items(d.SrcList);
        EXPECT_EQ(available.indexOf("2000"), 10);
        EXPECT_EQ(available.indexOf(thisYear), year - 1990);
        Click(d.BitBtn1);
    });
    EXPECT_EQ(form->Settings.YearList.Count(), 0);
    EXPECT_EQ(form->TreeView->topLevelItemCount(), 0);
    EXPECT_EQ(form->Nav->CurrentNode, nullptr);
    // The calendar's day stays open under its own key: nothing typed is lost.
    EXPECT_EQ(Today(), today);
    EXPECT_FALSE(form->Editor->isReadOnly());
    Type("still here");
    form->FileSaveCmd->trigger();
    EXPECT_EQ(StoredText(Archive(1), today), "still here\n");
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
}

TEST_F(Preferences, PathsComeBackEndingInABackslash) {
    WriteIni("User2On=1\nUser2Path=Data\\User2\nUser3On=1\nUser3Path=/home/me/diary/\n", "Data\\");
    Start();
    const std::string data = folders.dataDir() + "/";
    Open([&](TPreferencesFrm& d) {
        TypeInto(d.UserPathEdit(2), "D:\\Diary");
        // Each path shows the folder it resolves to, as it is typed: a
        // Windows drive letter lies under the data folder.
        EXPECT_EQ(d.UserFolderLabel(1)->text().toStdString(), "Folder: " + data + "Data/");
        EXPECT_EQ(d.UserFolderLabel(2)->text().toStdString(), "Folder: " + data + "Diary/");
        EXPECT_EQ(d.UserFolderLabel(3)->text(), "Folder: /home/me/diary/");
        Click(d.BitBtn1);
        // Every path box shows it too, also those of profiles that are off.
        EXPECT_EQ(d.UserPathEdit(1)->text(), "Data\\");
        EXPECT_EQ(d.UserPathEdit(2)->text(), "D:\\Diary\\");
        EXPECT_EQ(d.UserPathEdit(3)->text(), "/home/me/diary/"); // "/" ends it as well
        EXPECT_EQ(d.UserPathEdit(4)->text(), "\\");
    });
    EXPECT_EQ(form->Settings.Project(1).Path, "Data\\");
    EXPECT_EQ(form->Settings.Project(2).Path, "D:\\Diary\\");
    EXPECT_EQ(form->Settings.Project(4).Path, "Data\\User4"); // off: kept as it was
    EXPECT_EQ(form->Current.CurrentPath, "Data\\");
}

TEST_F(Preferences, SwitchingAProfileOffKeepsItsValuesAndItsGroupOpensEmptyNextTime) {
    WriteIni("User3On=1\nUser3RO=0\nUser3Name=Novel\nUser3Path=" + Folder(3) + "\nUser3Password=" +
             ScramblePassword("pw") + "\nUser1Password=" + ScramblePassword("login") + "\n");
    prompts.Inputs = {QString("login")};
    Start();
    ASSERT_EQ(Tabs(), (QStringList{"User1", "Novel"}));
    Open([&](TPreferencesFrm& d) {
        EXPECT_EQ(d.UserNameEdit(3)->text(), "Novel");
        d.UserCheck(3)->click();
        EXPECT_FALSE(d.UserNameEdit(3)->isEnabled());
        EXPECT_EQ(d.UserNameEdit(3)->text(), "Novel"); // contents stay while disabled
        Click(d.BitBtn1);
    });
    EXPECT_EQ(Tabs(), QStringList{"User1"});
    const TUserProject& p3 = form->Settings.Project(3);
    EXPECT_FALSE(p3.On);
    EXPECT_EQ(p3.Name, "Novel");
    EXPECT_EQ(p3.Path, Folder(3));
    EXPECT_EQ(p3.Password, "pw");
    Open([&](TPreferencesFrm& d) {
        EXPECT_FALSE(d.UserCheck(3)->isChecked());
        EXPECT_TRUE(d.UserNameEdit(3)->text().isEmpty());
        EXPECT_TRUE(d.UserPathEdit(3)->text().isEmpty());
        d.UserCheck(3)->click(); // an empty group takes the profile's defaults
        EXPECT_EQ(d.UserPathEdit(3)->text(), "Data\\User3");
        TypeInto(d.UserNameEdit(3), "Poems");
        Click(d.BitBtn1);
    });
    EXPECT_TRUE(form->Settings.Project(3).On);
    EXPECT_EQ(form->Settings.Project(3).Name, "Poems");
    EXPECT_EQ(form->Settings.Project(3).Path, "Data\\User3\\");
    EXPECT_EQ(form->Settings.Project(3).Password, "");
    EXPECT_EQ(Tabs(), (QStringList{"User1", "Poems"}));
}

// Setting up a second diary: ticking it gives it a name and a folder of its
// own, and the folder button chooses another.
TEST_F(Preferences, TickingAProfileFillsItsDefaultsAndTheFolderButtonChoosesItsFolder) {
    WriteIni();
    Start();
    const std::string chosen = scratch.path() + "/travels";
    std::filesystem::create_directories(chosen);
    prompts.FileNames = {QString::fromStdString(chosen),
                         QString::fromStdString(ProgramFolder() + "Data/Poems")};
    Open([&](TPreferencesFrm& d) {
        EXPECT_FALSE(d.UserPathBtn(2)->isEnabled()); // off: nothing to choose
        EXPECT_TRUE(d.UserPathBtn(1)->isEnabled());
        EXPECT_EQ(d.UserPathBtn(2)->accessibleName(), "Choose the data folder");
        d.UserCheck(2)->click();
        EXPECT_EQ(d.UserNameEdit(2)->text(), "User2");
        EXPECT_EQ(d.UserPathEdit(2)->text(), "Data\\User2");
        QTest::mouseClick(d.UserPathBtn(2), Qt::LeftButton);
        EXPECT_EQ(d.UserPathEdit(2)->text(), QString::fromStdString(chosen + "/"));
        // A folder below the program's own is written as the defaults are.
        d.UserCheck(3)->click();
        TypeInto(d.UserNameEdit(3), "Verse");
        QTest::mouseClick(d.UserPathBtn(3), Qt::LeftButton);
        EXPECT_EQ(d.UserPathEdit(3)->text(), "Data\\Poems\\");
        ASSERT_EQ(prompts.Count(TKind::Folder), 2);
        EXPECT_EQ(prompts.Asked[0].Caption, "Data folder of User/Project #2");
        EXPECT_EQ(prompts.Asked[0].Text, QString::fromStdString(ProgramFolder())); // none yet
        Click(d.BitBtn1);
    });
    EXPECT_EQ(Tabs(), (QStringList{"User1", "User2", "Verse"}));
    form.reset();
    const std::string ini = testsupport::ReadFile(folders.configDir() + "/Dayscrib.INI");
    EXPECT_NE(ini.find("User2Name=User2\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("User2Path=" + chosen + "/\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("User3Path=Data\\Poems\\\n"), std::string::npos) << ini;
}

// Two diaries in one archive would mix; a diary without a folder would use
// the program's own.
TEST_F(Preferences, OkRefusesAnEmptyDataPathAndTwoProfilesSharingAFolder) {
    WriteIni({}, "Data\\");
    Start();
    Open([&](TPreferencesFrm& d) {
        d.UserCheck(2)->click();
        TypeInto(d.UserPathEdit(2), QString::fromStdString(ProgramFolder() + "Data/./"));
        Click(d.BitBtn1);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompts.Messages(),
                  QStringList{"User/Project #2 uses the same data folder as #1."});
        EXPECT_EQ(QApplication::focusWidget(), d.UserPathEdit(2));
        TypeInto(d.UserPathEdit(2), "Data\\Work");
        TypeInto(d.UserPathEdit(1), " ");
        Click(d.BitBtn1);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompts.Messages().back(), "User/Project #1 needs a data path.");
        EXPECT_EQ(d.UserPathEdit(2)->text(), "Data\\Work"); // nothing was changed yet
        TypeInto(d.UserPathEdit(1), "Data");
        // A profile that is off shares nothing.
        d.UserCheck(4)->click();
        TypeInto(d.UserPathEdit(4), "Data\\Work\\");
        d.UserCheck(4)->click();
        Click(d.BitBtn1);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(prompts.Messages().size(), 2);
    EXPECT_EQ(form->Settings.Project(1).Path, "Data\\");
    EXPECT_EQ(form->Settings.Project(2).Path, "Data\\Work\\");
    EXPECT_FALSE(form->Settings.Project(4).On);
}

TEST_F(Preferences, StartProjectFollowsTheCheckedRadioButton) {
    WriteIni("StartProject=1\n");
    Start();
    Open([&](TPreferencesFrm& d) { Click(d.BitBtn1); }); // nothing clicked
    EXPECT_EQ(form->Settings.StartProject, 1);
    Open([&](TPreferencesFrm& d) {
        QTest::mouseClick(d.ProjectRBtn(5), Qt::LeftButton, {}, QPoint(8, 8));
        EXPECT_EQ(d.ChosenProject, 5);
        Click(d.BitBtn1);
    });
    EXPECT_EQ(form->Settings.StartProject, 5);
    form->Settings.StartProject = 9; // no such radio button: the first stays checked
    Open([&](TPreferencesFrm& d) { Click(d.BitBtn1); });
    EXPECT_EQ(form->Settings.StartProject, 1);
}

TEST_F(Preferences, CancelEscapeAndTheCloseBoxChangeNothing) {
    WriteIni("User2On=1\nUser2Name=Work\n");
    Start();
    Type("kept in the editor");
    const std::string before = Today();
    const auto change = [&](TPreferencesFrm& d) {
        TypeInto(d.UserNameEdit(1), "Changed");
        TypeInto(d.UserPathEdit(1), "/elsewhere/");
        d.UserCheck(2)->click();
        d.UserCheck(4)->click();
        Select(d.DstList, {"2000"});
        Click(d.ExcludeBtn);
        d.ProjectRBtn(4)->click();
    };
    Open([&](TPreferencesFrm& d) {
        change(d);
        Click(d.BitBtn2);
    });
    Open([&](TPreferencesFrm& d) {
        change(d);
        QTest::keyClick(&d, Qt::Key_Escape);
    });
    Open([&](TPreferencesFrm& d) {
        change(d);
        d.close();
    });
    EXPECT_EQ(form->Settings.Project(1).Name, "User1");
    EXPECT_EQ(form->Settings.Project(1).Path, Folder(1));
    EXPECT_TRUE(form->Settings.Project(2).On);
    EXPECT_FALSE(form->Settings.Project(4).On);
    EXPECT_EQ(form->Settings.StartProject, 1);
    EXPECT_EQ(form->Settings.YearList.Count(), 2);
    EXPECT_EQ(Tabs(), (QStringList{"User1", "Work"}));
    // Nothing was stored either: the text waits in the editor.
    EXPECT_FALSE(testsupport::FileExists(Archive(1)));
    EXPECT_TRUE(form->Editor->Modified());
    EXPECT_EQ(form->Editor->toPlainText(), "kept in the editor");
    EXPECT_EQ(Today(), before);
    EXPECT_TRUE(prompts.Asked.empty());
}

TEST_F(Preferences, OkStoresTheModifiedEntryInTheArchiveOfTheProfileCurrentBefore) {
    WriteIni("User2On=1\nUser2RO=0\nUser2Path=" + Folder(2) + "\nStartProject=2\n");
    Start();
    ASSERT_EQ(form->Current.CurrentPath, Folder(2));
    const std::string today = Today();
    Type("written in profile 2");
    const std::string moved = scratch.path() + "/moved/";
    Open([&](TPreferencesFrm& d) {
        // Profile 2's folder changes and a tab is added before its tab.
        TypeInto(d.UserPathEdit(2), QString::fromStdString(moved));
        d.UserCheck(3)->click();
        TypeInto(d.UserNameEdit(3), "Third");
        Click(d.BitBtn1);
    });
    EXPECT_EQ(StoredText(Archive(2), today), "written in profile 2\n");
    EXPECT_FALSE(testsupport::FileExists(Archive(1)));
    EXPECT_FALSE(testsupport::FileExists(moved + "Daybank.zip"));
    // The remembered tab (the second) is selected again; its profile, with
    // its new folder, is current, and its entry of the day was loaded.
    EXPECT_EQ(Tabs(), (QStringList{"User1", "User2", "Third"}));
    EXPECT_EQ(form->TabSet->currentIndex(), 1);
    EXPECT_EQ(form->Current.CurrentPath, moved);
    EXPECT_TRUE(form->Editor->toPlainText().isEmpty());
    EXPECT_FALSE(form->Editor->Modified());
    ASSERT_NE(form->Nav->CurrentNode, nullptr);
    EXPECT_EQ(Today(), today);
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();
}

TEST_F(Preferences, RemovedTabFallsBackToTheLastTabAndItsProfile) {
    WriteIni("User2On=1\nUser2RO=0\nUser2Path=" + Folder(2) +
             "\nUser3On=1\nUser3Path=" + Folder(3) + "\nStartProject=3\n");
    Start();
    ASSERT_EQ(form->TabSet->currentIndex(), 2);
    Open([&](TPreferencesFrm& d) {
        d.UserCheck(3)->click();
        Click(d.BitBtn1);
    });
    EXPECT_EQ(form->TabSet->currentIndex(), 1);
    EXPECT_EQ(form->Current.CurrentPath, Folder(2));
    EXPECT_FALSE(form->Current.CurrentRO);
}

TEST_F(Preferences, FailedStoreKeepsTheDialogOpenAndChangesNothing) {
    // A data folder below a file cannot be made, so the store fails.
    WriteFile(scratch.file("blocker"), "a file");
    WriteIni({}, scratch.file("blocker") + "/diary/");
    Start();
    Type("must not be lost");
    Open([&](TPreferencesFrm& d) {
        TypeInto(d.UserNameEdit(1), "Renamed");
        Click(d.BitBtn1);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompts.Messages().size(), 1); // the store's failure, shown once
        Click(d.BitBtn2);
    });
    EXPECT_EQ(form->Settings.Project(1).Name, "User1");
    EXPECT_EQ(form->Editor->toPlainText(), "must not be lost");
    EXPECT_TRUE(form->Editor->Modified());
}

TEST_F(Preferences, PasswordWithCharactersWindows1252LacksOpensTheNextLogin) {
    WriteIni();
    Start();
    const QString password = QString::fromUtf8("\xD0\xBF\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C");
    Open([&](TPreferencesFrm& d) {
        TypeInto(d.UserPasswordEdit(1), password);
        Click(d.BitBtn1);
    });
    EXPECT_EQ(form->Settings.Project(1).Password, password.toStdString()); // UTF-8
    form.reset();
    prompts.Inputs = {password};
    Start();
    EXPECT_EQ(prompts.Count(TKind::Input), 1);
}

TEST_F(Preferences, ANameWithCharactersWindows1252LacksIsKeptAsTyped) {
    WriteIni();
    Start();
    const QString name = QString::fromUtf8("\xCE\x97\xCE\xBC\xCE\xB5\xCF\x81\xCE\xBF\xCE\xBB\xCF"
                                           "\x8C\xCE\xB3\xCE\xB9\xCE\xBF"); // Ημερολόγιο
    Open([&](TPreferencesFrm& d) {
        TypeInto(d.UserNameEdit(1), name);
        Click(d.BitBtn1);
    });
    EXPECT_EQ(Tabs(), QStringList{name});
    form.reset(); // the settings are written
    EXPECT_EQ(GetPrivateProfileStringA("Main", "User1Name", "", "Dayscrib.INI"),
              name.toStdString()); // UTF-8
    Start();
    EXPECT_EQ(Tabs(), QStringList{name});
    Open([&](TPreferencesFrm& d) {
        EXPECT_EQ(d.UserNameEdit(1)->text(), name);
        d.reject();
    });
}

TEST_F(Preferences, HelpButtonAndF1OpenContextSeventeen) {
    WriteIni();
    Start();
    std::vector<int> asked;
    SetHelpHandler([&](int context) { asked.push_back(context); });
    Open([&](TPreferencesFrm& d) {
        Click(d.BitBtn3);
        QTest::keyClick(&d, Qt::Key_F1);
        d.reject();
    });
    SetHelpHandler({});
    EXPECT_EQ(asked, (std::vector<int>{17, 17}));
}

TEST_F(Preferences, ProtectionOfADiaryWithAnArchiveStartsTraditionalAndCanBecomeAes) {
    WriteIni();
    std::filesystem::create_directories(Folder(1));
    {
        TZipWriter writer; // an archive from before the choice existed
        writer.SetZipName(Archive(1));
        writer.SetStorePaths(true);
        TMemoryStream stream(std::string("{\\rtf1 old\\par}"));
        ASSERT_EQ(writer.AddFromStream(&stream, "2000\\3\\Week3\\15.rtf"), 1);
    }
    Start();
    Open([&](TPreferencesFrm& d) {
        EXPECT_EQ(d.UserCipherCombo(1)->currentText(),
                  "Traditional (every zip program opens it; weak)");
        EXPECT_EQ(d.UserCipherCombo(1)->accessibleName(), "Protection:");
        EXPECT_FALSE(d.UserCipherCombo(2)->isEnabled()); // profile 2 is off
        d.UserCipherCombo(1)->setFocus();
        QTest::keyClick(d.UserCipherCombo(1), Qt::Key_Up);
        EXPECT_EQ(d.UserCipherCombo(1)->currentText(), "AES-256 (7-Zip, WinZip, PeaZip open it)");
        Click(d.BitBtn1);
    });
    EXPECT_EQ(form->Settings.Project(1).Protection, TProtection::Aes256);
    Type("locked away");
    prompts.Inputs = {QString("pw"), QString("pw")}; // asked twice
    form->Protect1->trigger();
    const std::string member = Today();
    form->close();
    form.reset();
    TZipReader reader;
    reader.SetZipName(Archive(1));
    reader.OpenArchive();
    int aes = 0;
    for (int i = 0; i < reader.Count(); ++i)
        aes += reader.Member(i).Name() == member && reader.Member(i).Cipher() == zcAes256;
    reader.CloseArchive();
    EXPECT_EQ(aes, 1);
}
