// A main window for the editing tests: profile 1 in a scratch folder, the
// year 2000 in the tree, questions answered from a script. The tests drive
// the real controls (the tool bar, the ruler's markers, the dialogs) and read
// what the editor, the files and the archive hold afterwards.
#pragma once

#include "app/main_form.h"
#include "editor/editor.h"
#include "platform/profile_file.h"
#include "support/diary_window.h"
#include "support/test_support.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QStringList>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace edtest {

// Waits (bounded, generously) until `done` holds, processing events.
inline bool WaitFor(const std::function<bool()>& done, int ms = 30000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QTest::qWait(5);
    }
    return true;
}

class EditorWindow : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    testsupport::TempDir scratch;
    std::unique_ptr<TScriptedPrompts> ownPrompts = std::make_unique<TScriptedPrompts>();
    TScriptedPrompts* prompts = ownPrompts.get();
    std::unique_ptr<TMainForm> form;

    std::string Folder() const { return scratch.path() + "/profile1/"; }
    std::string Archive() const { return Folder() + "Daybank.zip"; }

    // Opens the window, answering with `answers` (the fixture's own script
    // when null).
    void Start(TScriptedPrompts* answers = nullptr) {
        if (answers) prompts = answers;
        ProfileFilePath("Dayscrib.INI"); // creates the configuration folder
        testsupport::WriteFile(folders.configDir() + "/Dayscrib.INI",
                               "[Main]\nYearCount=2\nYear1=2000\nYear2=" +
                                   std::to_string(QDate::currentDate().year()) +
                                   "\nUser1Path=" + Folder() + "\nWidth=900\nHeight=600\n");
        form = std::make_unique<TMainForm>(*prompts);
        ASSERT_TRUE(form->LoginPassed());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
    }
    void TearDown() override { form.reset(); }

    QTreeWidgetItem* Node(const QStringList& path) {
        return testsupport::FindNode(form->TreeView, path);
    }
    void Select(const QStringList& path) {
        QTreeWidgetItem* node = Node(path);
        ASSERT_NE(node, nullptr) << path.join('/').toStdString();
        form->TreeView->setCurrentItem(node);
        QApplication::processEvents();
    }
    void Type(const QString& text) {
        form->Editor->setFocus();
        QTest::keyClicks(form->Editor, text);
    }
    TRichEdit& Ed() { return *form->Editor; }
    QString Panel(int i) const { return form->StatusPanel[i]->text(); }
};

} // namespace edtest
