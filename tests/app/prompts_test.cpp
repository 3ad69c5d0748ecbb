#include "app/prompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs `answer` on the modal dialog once it is open.
void WhenModal(std::function<void(QWidget*)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, answer, tries] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal && ++*tries < 500) return;
        timer->stop();
        timer->deleteLater();
        if (modal) answer(modal);
    });
    timer->start();
}

} // namespace

TEST(QtPrompts, MaskedInputDialogReturnsWhatWasTyped) {
    TQtPrompts prompts;
    bool masked = false;
    QString title, label;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        title = dlg->windowTitle();
        label = dlg->labelText();
        auto* edit = dlg->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        masked = edit->echoMode() == QLineEdit::Password;
        QTest::keyClicks(edit, "Top Secret");
        dlg->accept();
    });
    QString value;
    EXPECT_TRUE(prompts.InputQuery("Dayscrib Login",
                                   "Enter User/Project #1 Default Password:", value, true));
    EXPECT_EQ(value, "Top Secret");
    EXPECT_TRUE(masked);
    EXPECT_EQ(title, "Dayscrib Login");
    EXPECT_EQ(label, "Enter User/Project #1 Default Password:");
}

TEST(QtPrompts, CancelledInputBoxGivesTheDefault) {
    TQtPrompts prompts;
    bool masked = true;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        masked = dlg->findChild<QLineEdit*>()->echoMode() == QLineEdit::Password;
        QTest::keyClicks(dlg->findChild<QLineEdit*>(), "typed");
        dlg->reject();
    });
    EXPECT_EQ(prompts.InputBox("Caption", "Prompt:", "default"), "default");
    EXPECT_FALSE(masked);
}

TEST(QtPrompts, ConfirmationMapsTheButtons) {
    TQtPrompts prompts;
    WhenModal([](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(prompts.Confirm("Question", "Store it?"), TConfirmAnswer::No);
    WhenModal(
        [](QWidget* w) { qobject_cast<QMessageBox*>(w)->button(QMessageBox::Cancel)->click(); });
    EXPECT_EQ(prompts.Confirm("Question", "Store it?"), TConfirmAnswer::Cancel);
}

TEST(QtPrompts, ErrorMessageShowsTheText) {
    TQtPrompts prompts;
    QString text;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        text = box->text();
        box->accept();
    });
    prompts.ShowError("Unable to write to x");
    EXPECT_EQ(text, "Unable to write to x");
}

TEST(MessageTextTest, Utf8OrAnsi) {
    EXPECT_EQ(MessageText("caf\xC3\xA9"), QString::fromUtf8("caf\xC3\xA9"));
    EXPECT_EQ(MessageText("caf\xE9"), QString::fromUtf8("caf\xC3\xA9")); // ANSI
    EXPECT_EQ(MessageText("\xEF\xBF\xBD"), QString(QChar(0xFFFD)));
    EXPECT_EQ(MessageText(""), QString());
}

TEST(ScriptedPrompts, AnswersFromTheQueueAndRecords) {
    TScriptedPrompts p;
    p.Inputs = {QString("one"), std::nullopt};
    p.Confirms = {TConfirmAnswer::Yes};
    EXPECT_EQ(p.InputBox("C", "P", "d", true), "one");
    EXPECT_EQ(p.InputBox("C", "P", "d"), "d"); // cancelled
    EXPECT_EQ(p.InputBox("C", "P", "d"), "d"); // queue empty: cancelled
    EXPECT_EQ(p.Confirm("C", "T"), TConfirmAnswer::Yes);
    EXPECT_EQ(p.Confirm("C", "T"), TConfirmAnswer::Cancel);
    p.ShowMessage("m");
    ASSERT_EQ(p.Asked.size(), 6u);
    EXPECT_TRUE(p.Asked[0].Masked);
    EXPECT_FALSE(p.Asked[1].Masked);
    EXPECT_EQ(p.Messages(), QStringList{"m"});
    QColor c = Qt::black;
    EXPECT_FALSE(p.ChooseColor(c, 19));
    p.Colors.push_back(QColor(Qt::red));
    EXPECT_TRUE(p.ChooseColor(c, 19));
    EXPECT_EQ(c, QColor(Qt::red));
}
