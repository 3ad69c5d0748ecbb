// Find in files from the main window: Edit > "Find in Files..." opens the
// dialog on the current profile, and a result double-clicked there opens in
// the main window as its tree node would.
#include "app/main_form.h"
#include "editor/editor.h"
#include "platform/profile_file.h"
#include "search/find_in_files_dlg.h"
#include "support/modal.h"
#include "support/test_support.h"
#include "ui/prompts.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

namespace {

std::string Rtf(const std::string& text) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

// Runs `answer` on the find dialog once it is open.
void WhenFindDlgOpens(std::function<void(TFindDlg*)> answer) {
    testsupport::WhenModal([answer](QWidget* w) {
        auto* dlg = qobject_cast<TFindDlg*>(w);
        ASSERT_NE(dlg, nullptr);
        answer(dlg);
    });
}

class FindWindow : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir scratch;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;

    std::string Archive() const { return scratch.path() + "/diary/Daybank.zip"; }

    void SetUp() override {
        ProfileFilePath("Dayscrib.INI"); // creates the configuration folder
        const std::string year = std::to_string(QDate::currentDate().year());
        testsupport::WriteFile(folders.configDir() + "/Dayscrib.INI",
                               "[Main]\nYearCount=2\nYear1=2000\nYear2=" + year +
                                   "\nUser1Path=" + scratch.path() + "/diary/\n");
        Store("2000\\3\\Week3\\15.rtf", "rain on the ides");
        Store("2000\\3\\Week3\\Summary.rtf", "a week of rain");
        Store("2000\\3\\Week1\\2.rtf", "sun");
    }

    void Store(const std::string& member, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(Archive()).parent_path());
        TZipWriter writer;
        writer.SetStorePaths(true);
        writer.ZipAction = zaReplace;
        writer.SetZipName(Archive());
        TMemoryStream stream(Rtf(text));
        ASSERT_EQ(writer.AddFromStream(&stream, member), 1);
    }
    std::string StoredText(const std::string& member) const {
        TZipReader reader;
        reader.SetZipName(Archive());
        TMemoryStream stream;
        if (reader.ExtractToStream(&stream, member) != 1) return {};
        return stream.ToString();
    }

    // The command waits for the window to be shown.
    void Start() {
        form = std::make_unique<TMainForm>(prompts);
        ASSERT_TRUE(form->LoginPassed());
        EXPECT_FALSE(form->FindInFiles1->isEnabled());
        form->show();
        QApplication::processEvents();
        EXPECT_TRUE(form->FindInFiles1->isEnabled());
    }

    // Opens the dialog with Ctrl+G, searches for `text` with the weekly
    // summaries included, and double-clicks the result `line`.
    QStringList FindAndOpen(const QString& text, const QString& line,
                            const std::function<void()>& beforeOpening = {}) {
        QStringList listed;
        WhenFindDlgOpens([&](TFindDlg* dlg) {
            // the current profile's archive and password, the window's years
            EXPECT_EQ(dlg->ArchiveFile, Archive());
            EXPECT_TRUE(dlg->DefaultPassword.empty());
            EXPECT_EQ(dlg->YearList, &form->Settings.YearList);
            QTest::keyClicks(dlg->TextEdit, text);
            dlg->WeeklyCBox->setChecked(true);
            QTest::mouseClick(dlg->StartBtn, Qt::LeftButton);
            for (int i = 0; i < dlg->ResultsList->count(); ++i)
                listed << dlg->ResultsList->item(i)->text();
            const auto found = dlg->ResultsList->findItems(line, Qt::MatchExactly);
            if (found.isEmpty()) return;
            if (beforeOpening) beforeOpening();
            const QPoint at = dlg->ResultsList->visualItemRect(found.front()).center();
            QTest::mouseClick(dlg->ResultsList->viewport(), Qt::LeftButton, {}, at);
            QTest::mouseDClick(dlg->ResultsList->viewport(), Qt::LeftButton, {}, at);
        });
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QTest::keyClick(form.get(), Qt::Key_G, Qt::ControlModifier);
        QApplication::processEvents();
        return listed;
    }

    QStringList NodePath() const {
        QStringList path;
        for (QTreeWidgetItem* n = form->Nav->CurrentNode; n; n = n->parent())
            path.prepend(n->text(0));
        return path;
    }
};

TEST_F(FindWindow, ADoubleClickedDayOrWeekSummaryOpensInTheMainWindow) {
    Start();
    const std::string today = form->Nav->CurrentMember();
    form->Editor->setFocus();
    QTest::keyClicks(form->Editor, "typed today");
    const QStringList listed = FindAndOpen("rain", "2000\\3\\Week3\\15");
    EXPECT_EQ(listed, (QStringList{"2000\\3\\Week3\\Summary", "2000\\3\\Week3\\15"}));
    EXPECT_EQ(form->Nav->CurrentMember(), "2000\\3\\Week3\\15.rtf");
    EXPECT_EQ(NodePath(), (QStringList{"2000", "March", "Week3", "15"}));
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_EQ(form->Editor->toPlainText(), "rain on the ides");
    EXPECT_FALSE(form->Editor->Modified());
    // the entry shown before was stored first
    EXPECT_NE(StoredText(today).find("typed today"), std::string::npos);
    EXPECT_TRUE(prompts.Asked.empty()) << prompts.Messages().join('|').toStdString();

    // a week summary opens at the week's node
    FindAndOpen("rain", "2000\\3\\Week3\\Summary");
    EXPECT_EQ(form->Nav->CurrentMember(), "2000\\3\\Week3\\Summary.rtf");
    EXPECT_EQ(NodePath(), (QStringList{"2000", "March", "Week3"}));
    EXPECT_EQ(form->TreeView->currentItem(), form->Nav->CurrentNode);
    EXPECT_EQ(form->Editor->toPlainText(), "a week of rain");
}

TEST_F(FindWindow, AResultWhoseYearIsNoLongerListedShowsTheYearMessage) {
    Start();
    const std::string before = form->Nav->CurrentMember();
    FindAndOpen("rain", "2000\\3\\Week3\\15", [&] {
        form->Settings.YearList.Clear();
        form->Settings.YearList.Add(std::to_string(QDate::currentDate().year()));
    });
    EXPECT_EQ(prompts.Messages(),
              QStringList{"Add the year 2000 in Preferences before selecting this date."});
    EXPECT_EQ(form->Nav->CurrentMember(), before);
}

} // namespace
