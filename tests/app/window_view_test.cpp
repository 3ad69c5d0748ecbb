// The main window as a person meets it at the first start: the whole tool
// bar in view at the default size, panels that show their texts whole, and
// a name for every control an assistive tool reaches.
#include "app/main_form.h"
#include "app/help_window.h"
#include "editor/editor.h"
#include "platform/profile_file.h"
#include "support/test_support.h"
#include "ui/prompts.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class WindowView : public ::testing::Test {
protected:
    testsupport::ScopedUserFolders folders;
    TScriptedPrompts prompts;
    std::unique_ptr<TMainForm> form;

    // The first start: no settings file at all.
    void Start() {
        form = std::make_unique<TMainForm>(prompts);
        ASSERT_TRUE(form->LoginPassed());
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QApplication::processEvents();
    }
};

TEST_F(WindowView, Diag) {
    Start();
    std::printf("window %dx%d bar %d\n", form->width(), form->height(), form->StandardToolBar->width());
    for (QWidget* w : form->StandardToolBar->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        std::printf("%s %s vis=%d %d,%d %dx%d\n", w->metaObject()->className(), qPrintable(w->objectName()), w->isVisible(), w->x(), w->y(), w->width(), w->height());
    }
    QAccessibleInterface* i = QAccessible::queryAccessibleInterface(form->BoldButton);
    std::printf("bold name=%s actions=%s\n", qPrintable(i->text(QAccessible::Name)), qPrintable(i->actionInterface()->actionNames().join(",")));
    THelpWindow h;
    std::printf("help role=%d window=%d dialog=%d\n", QAccessible::queryAccessibleInterface(&h)->role(), QAccessible::Window, QAccessible::Dialog);
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (w->focusPolicy() == Qt::NoFocus || !w->isVisible()) continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        std::printf("focusable %s %s name='%s' role=%d\n", w->metaObject()->className(), qPrintable(w->objectName()), a ? qPrintable(a->text(QAccessible::Name)) : "-", a ? a->role() : -1);
    }
}

} // namespace
