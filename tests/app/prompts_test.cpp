#include "ui/prompts.h"

#include "app/engine_messages.h"
#include "zip/hooks.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "support/modal.h"
#include "support/test_support.h"

namespace {

using testsupport::WhenModal;

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

TEST(QtPrompts, ColorDialogAnswersTheChosenColor) {
    TQtPrompts prompts;
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<QColorDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->currentColor(), QColor(Qt::black));
        dlg->setCurrentColor(QColor(10, 20, 30));
        dlg->accept();
    });
    QColor color = Qt::black;
    EXPECT_TRUE(prompts.ChooseColor(color, 19));
    EXPECT_EQ(color, QColor(10, 20, 30));
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(prompts.ChooseColor(color, 19));
    EXPECT_EQ(color, QColor(10, 20, 30));
}

TEST(QtPrompts, FontDialogAnswersTheChosenFont) {
    TQtPrompts prompts;
    WhenModal([](QWidget* w) {
        auto* dlg = qobject_cast<QFontDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        QFont f = dlg->currentFont();
        f.setPointSize(17);
        dlg->setCurrentFont(f);
        dlg->accept();
    });
    QFont font("DejaVu Sans", 8);
    QColor color = Qt::black;
    EXPECT_TRUE(prompts.ChooseFont(font, color, 19));
    EXPECT_EQ(font.pointSize(), 17);
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_FALSE(prompts.ChooseFont(font, color, 19));
    EXPECT_EQ(font.pointSize(), 17);
}

TEST(QtPrompts, FileDialogsStartInTheFolderAndAnswerTheFile) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("entry.rtf"), "{\\rtf1 x}");
    TQtPrompts prompts;
    QString folder;
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        folder = dlg->directory().absolutePath();
        // Typed into the name box, as a user does: selectFile() races with the
        // dialog's folder model still loading and may select nothing.
        auto* name = dlg->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText("out.rtf");
        static_cast<QDialog*>(dlg)->accept();
    });
    EXPECT_EQ(prompts.SaveFileName("Save As", QString::fromStdString(dir.path()),
                                   "Rich Text Files (*.rtf)"),
              QString::fromStdString(dir.file("out.rtf")));
    EXPECT_EQ(folder, QString::fromStdString(dir.path()));
    WhenModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
    EXPECT_EQ(prompts.OpenFileName("Open", QString::fromStdString(dir.path()), "*.rtf"), QString());
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

TEST(QtPrompts, EngineMessagesAndChoicesAreCaptionedWithTheProgramsName) {
    TQtPrompts prompts;
    InstallEngineHooks(prompts);
    QString title, text;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        box->accept();
    });
    // The engine captions its boxes "Zip Error" and "Error"; they are the
    // program's messages.
    ShowEngineMessage("Unknown Compression Method", "Zip Error");
    RemoveEngineHooks();
    EXPECT_EQ(title, "Dayscrib");
    EXPECT_EQ(text, "Unknown Compression Method");

    // A choice answers with the button chosen; Escape is its last one.
    QStringList buttons;
    WhenModal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            buttons << b->accessibleName();
        for (QAbstractButton* b : box->buttons())
            if (b->text() == "&Take the other version") b->click();
    });
    EXPECT_EQ(prompts.Choose("Dayscrib", "Which?",
                             {"&Keep my text", "&Take the other version", "Cancel"}),
              1);
    buttons.sort();
    EXPECT_EQ(buttons, (QStringList{"Cancel", "Keep my text", "Take the other version"}));
    WhenModal([&](QWidget* w) { QTest::keyClick(w, Qt::Key_Escape); });
    EXPECT_EQ(prompts.Choose("Dayscrib", "Which?", {"&Keep", "&Take", "Cancel"}), 2);
}

// Messages, questions and prompts name entries, files and engine messages:
// markup in them is shown as the characters it is, never rendered.
TEST(QtPrompts, MarkupInMessagesQuestionsAndPromptsIsShownAsText) {
    TQtPrompts prompts;
    const QString text = "<b>x</b> <img src=\"/etc/hostname\"> & more";
    std::vector<Qt::TextFormat> formats;
    QStringList shown;
    const auto box = [&](QWidget* w) {
        auto* b = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(b, nullptr);
        formats.push_back(b->textFormat());
        shown << b->text();
        b->reject();
    };
    WhenModal(box);
    prompts.ShowMessage(text);
    WhenModal(box);
    prompts.ShowError(text);
    WhenModal(box);
    prompts.Confirm("Dayscrib", text);
    WhenModal([&](QWidget* w) {
        auto* dlg = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        for (QLabel* label : dlg->findChildren<QLabel*>()) {
            formats.push_back(label->textFormat());
            shown << label->text();
        }
        dlg->reject();
    });
    QString value;
    prompts.InputQuery("Password Prompt", text, value, true);
    ASSERT_EQ(formats.size(), 4u);
    for (std::size_t i = 0; i < formats.size(); ++i) {
        EXPECT_EQ(formats[i], Qt::PlainText) << i;
        EXPECT_EQ(shown[static_cast<qsizetype>(i)], text) << i;
    }
}
