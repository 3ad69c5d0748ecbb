// The formatting tool bar in the running window: what it shows of the
// selection, what its buttons and boxes and the font and colour dialogs do,
// the caret panel, the edit commands' enabled state and the status-bar hints.
#include "editor/format_bar.h"
#include "editor_window.h"

#include "ui/help.h"
#include <QAccessible>
#include <QAction>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFrame>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

using TKind = TScriptedPrompts::TKind;

namespace {

class FormatBar : public edtest::EditorWindow {
protected:
    void SetUp() override { Start(); }
    TFormatBar& Bar() { return *form->Formatting; }
    QColor Swatch() { return form->ColorPnl->grab().toImage().pixelColor(5, 5); }
    QTextCharFormat FormatAt(int position) {
        QTextCursor c(Ed().document());
        c.setPosition(position + 1);
        return c.charFormat();
    }
};

} // namespace

TEST_F(FormatBar, TheToolBarShowsTheSelectionsAttributes) {
    EXPECT_EQ(Panel(0), "Line:   1   Col:   1");
    EXPECT_EQ(form->FontName->currentText(), "MS Sans Serif");
    EXPECT_EQ(form->FontSize->text(), "8");
    EXPECT_TRUE(form->LeftAlign->isChecked());
    Ed().LoadFromStream("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                        "{\\colortbl;\\red200\\green10\\blue20;}"
                        "\\pard\\qc\\f0\\fs20 plain \\b\\i\\ul\\cf1\\f1\\fs36 loud\\par"
                        "\\pard\\plain\\fi-200\\li400\\ri60 second line\\par}");
    Ed().SetSelection(6, 2); // "lo"
    EXPECT_TRUE(form->BoldButton->isChecked());
    EXPECT_TRUE(form->ItalicButton->isChecked());
    EXPECT_TRUE(form->UnderlineButton->isChecked());
    EXPECT_TRUE(form->CenterAlign->isChecked());
    EXPECT_FALSE(form->LeftAlign->isChecked());
    EXPECT_EQ(form->FontName->currentText(), "Courier New");
    EXPECT_EQ(form->FontSize->text(), "18");
    EXPECT_EQ(Swatch(), QColor(200, 10, 20));
    EXPECT_EQ(Panel(0), "Line:   1   Col:   7");
    Ed().SetSelStart(11); // "second line": F = 10, L = 10 (twips / 20), R = 3
    EXPECT_FALSE(form->BoldButton->isChecked());
    EXPECT_TRUE(form->LeftAlign->isChecked());
    EXPECT_EQ(form->Ruler->FirstInd->x(), 15);
    EXPECT_EQ(form->Ruler->LeftInd->x(), 28);
    EXPECT_EQ(form->Ruler->RightInd->x(), form->Ruler->width() - 6 - 12);
    EXPECT_EQ(Panel(0), "Line:   2   Col:   1");
    // Showing the state changed nothing.
    EXPECT_FALSE(Ed().Modified());
    EXPECT_FALSE(Bar().SyncingToolbar);
}

TEST_F(FormatBar, BoldWithoutSelectionChangesTheDefaultsWithOneTheSelection) {
    form->BoldButton->click();
    EXPECT_TRUE(Ed().DefAttributes().Style().testFlag(TFontStyle::fsBold));
    Type("dark");
    EXPECT_EQ(FormatAt(0).fontWeight(), QFont::Bold);
    Type(" ");
    form->BoldButton->click(); // off again for what follows
    Type("light");
    EXPECT_EQ(FormatAt(6).fontWeight(), QFont::Normal);
    EXPECT_FALSE(Ed().DefAttributes().Style().testFlag(TFontStyle::fsBold));
    // With a selection only the selection changes, and only the one style:
    // an italic word inside stays italic, the rest stays upright.
    Ed().SetSelection(5, 5);
    form->ItalicButton->click();
    Ed().SetSelection(0, 10);
    form->UnderlineButton->click();
    EXPECT_TRUE(FormatAt(0).fontUnderline());
    EXPECT_TRUE(FormatAt(6).fontItalic());
    EXPECT_FALSE(FormatAt(1).fontItalic());
    EXPECT_EQ(FormatAt(1).fontWeight(), QFont::Bold);
    EXPECT_FALSE(Ed().DefAttributes().Style().testFlag(TFontStyle::fsUnderline));
    EXPECT_EQ(Panel(1), "Modified");
}

TEST_F(FormatBar, SizeFaceAlignmentAndBulletsApplyToTheirTargets) {
    Type("words");
    Ed().SetSelection(0, 5);
    form->FontSize->setFocus();
    form->FontSize->stepBy(4); // 8 -> 12 through the up-down buttons
    EXPECT_EQ(FormatAt(0).fontPointSize(), 12);
    form->FontSize->setValue(100);
    form->FontSize->stepBy(1); // the buttons stop at 100
    EXPECT_EQ(form->FontSize->value(), 100);
    form->FontSize->setValue(99);
    EXPECT_EQ(FormatAt(2).fontPointSize(), 99);
    // A face of the list applies; typed text that names none applies nothing.
    const QString face = QFontDatabase::families().value(0);
    ASSERT_FALSE(face.isEmpty());
    form->FontName->setEditText("No Such Face At All");
    EXPECT_NE(Ed().SelAttributes().Name(), "No Such Face At All");
    form->FontName->setEditText(face);
    EXPECT_EQ(Ed().SelAttributes().Name(), face);
    form->RightAlign->click();
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taRightJustify);
    EXPECT_FALSE(form->LeftAlign->isChecked());
    form->CenterAlign->click();
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taCenter);
    form->BulletsButton->click();
    EXPECT_EQ(Ed().Paragraph().Numbering(), TNumberingStyle::nsBullet);
    form->BulletsButton->click();
    EXPECT_EQ(Ed().Paragraph().Numbering(), TNumberingStyle::nsNone);
}

TEST_F(FormatBar, ASizeThatIsNoIntegerIsReportedAtEnterAndChangesNothing) {
    Type("abc");
    Ed().SetSelection(0, 3);
    const QByteArray before = Ed().SaveToStream();
    form->FontSize->setFocus();
    QTest::keyClick(form->FontSize, Qt::Key_Backspace); // the size was selected on focusing
    EXPECT_TRUE(prompts->Messages().isEmpty());         // still typing
    QTest::keyClick(form->FontSize, Qt::Key_Return);
    EXPECT_EQ(prompts->Messages(), QStringList{"'' is not a valid integer value"});
    EXPECT_EQ(Ed().SaveToStream(), before);
}

// As a user met it: a click into the box showing 8, "12" typed, Enter, and
// the sentence typed next goes into the entry at 12 points, not into the box.
TEST_F(FormatBar, TheSizeBoxTypedOverAppliesAtEnterAndGivesTheFocusBack) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Select({"2000", "March", "Week3", "15"});
    Type("Small ");
    // Keys go where the focus is, as a user's do.
    auto keys = [](const QString& text) { QTest::keyClicks(QApplication::focusWidget(), text); };
    auto key = [](Qt::Key k) { QTest::keyClick(QApplication::focusWidget(), k); };
    QLineEdit* box = form->FontSize->findChild<QLineEdit*>();
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() - 3, box->height() / 2));
    ASSERT_EQ(QApplication::focusWidget(), form->FontSize);
    EXPECT_EQ(box->selectedText(), "8"); // selected by the click: typing replaces it
    keys("12");
    EXPECT_EQ(Ed().DefAttributes().Size(), 8); // nothing applies before Enter
    key(Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), form->Editor);
    keys("big words");
    EXPECT_EQ(form->FontSize->text(), "12");
    EXPECT_EQ(Ed().toPlainText(), "Small big words");

    // Escape gives the focus back and changes nothing; the keyboard's way in
    // (Tab from the face box) selects the size too.
    form->FontName->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), form->FontSize);
    EXPECT_EQ(box->selectedText(), "12");
    keys("30");
    key(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), form->Editor);
    EXPECT_EQ(form->FontSize->text(), "12");
    QTest::keyClicks(form->Editor, "!");

    form->FileSaveCmd->trigger();
    const std::string rtf = testsupport::TArchiveCheck(Archive()).Bytes("2000\\3\\Week3\\15.rtf");
    EXPECT_NE(rtf.find("\\fs16 Small "), std::string::npos) << rtf;
    EXPECT_NE(rtf.find("\\fs24 big words!"), std::string::npos) << rtf;
    EXPECT_EQ(rtf.find("\\fs60"), std::string::npos) << rtf;
}

TEST_F(FormatBar, CancelledDialogsChangeNothingAndTheFontDialogStillRefreshes) {
    Type("text");
    Ed().SetSelection(0, 4);
    const QByteArray before = Ed().SaveToStream();
    form->Color1->trigger(); // the script answers Cancel
    EXPECT_EQ(prompts->Count(TKind::Color), 1);
    EXPECT_EQ(Ed().SaveToStream(), before);
    EXPECT_EQ(Swatch(), QColor(Qt::black));
    // A tool bar out of step with the text is brought back by the font
    // dialog even when it is cancelled.
    {
        const QSignalBlocker block(form->BoldButton);
        form->BoldButton->setChecked(true);
    }
    form->EditFontCmd->trigger();
    EXPECT_EQ(prompts->Count(TKind::Font), 1);
    EXPECT_EQ(prompts->Asked.back().Text, "MS Sans Serif"); // loaded with the selection's face
    EXPECT_FALSE(form->BoldButton->isChecked());
    EXPECT_EQ(Ed().SaveToStream(), before);
    EXPECT_TRUE(prompts->Messages().isEmpty());
}

TEST_F(FormatBar, ConfirmedDialogsFormatTheirTargets) {
    Type("paint me");
    Ed().SetSelection(0, 5);
    prompts->Colors.push_back(QColor(0, 128, 0));
    form->ColorButton->click();
    EXPECT_EQ(FormatAt(0).foreground().color(), QColor(0, 128, 0));
    EXPECT_EQ(Swatch(), QColor(0, 128, 0));
    // The next time the dialog opens on the colour last confirmed.
    form->ColorButton->click();
    EXPECT_EQ(prompts->Asked.back().Text, QColor(0, 128, 0).name());
    QFont font(QFontDatabase::families().value(0), 20);
    font.setItalic(true);
    prompts->Fonts.push_back(font);
    form->EditFontCmd->trigger();
    EXPECT_EQ(Ed().SelAttributes().Size(), 20);
    EXPECT_TRUE(Ed().SelAttributes().Style().testFlag(TFontStyle::fsItalic));
    EXPECT_EQ(form->FontSize->text(), "20");
    EXPECT_TRUE(form->ItalicButton->isChecked());
    // With nothing selected the colour goes to the caret, not to the defaults.
    Ed().SetSelStart(Ed().TextLength());
    prompts->Colors.push_back(QColor(0, 0, 255));
    form->Color1->trigger();
    EXPECT_FALSE(Ed().DefAttributes().Color() == QColor(0, 0, 255));
    Type("!");
    EXPECT_EQ(FormatAt(8).foreground().color(), QColor(0, 0, 255));
}

TEST_F(FormatBar, EditCommandsAreEnabledByTheRulesOfTheControl) {
    QApplication::clipboard()->clear();
    EXPECT_FALSE(form->EditCutCmd->isEnabled());
    EXPECT_FALSE(form->EditCopyCmd->isEnabled());
    EXPECT_FALSE(form->EditUndoCmd->isEnabled());
    Type("copy this");
    EXPECT_TRUE(form->EditUndoCmd->isEnabled());
    Ed().SetSelection(0, 4);
    EXPECT_TRUE(form->EditCutCmd->isEnabled());
    EXPECT_TRUE(form->EditCopyCmd->isEnabled());
    form->EditCopyCmd->trigger();
    EXPECT_TRUE(edtest::WaitFor([&] { return form->EditPasteCmd->isEnabled(); }));
    Ed().SetSelStart(Ed().TextLength());
    EXPECT_FALSE(form->EditCutCmd->isEnabled());
    form->EditPasteCmd->trigger();
    EXPECT_EQ(Ed().toPlainText(), "copy thiscopy");
    form->EditUndoCmd->trigger();
    EXPECT_EQ(Ed().toPlainText(), "copy this");
    Ed().SetReadOnly(true); // nothing can be pasted into a read-only text
    EXPECT_FALSE(form->EditPasteCmd->isEnabled());
    for (QToolButton* b : {form->CutButton, form->CopyButton, form->PasteButton, form->UndoButton,
                           form->SaveButton, form->PrintButton})
        EXPECT_EQ(b->defaultAction()->isEnabled(), b->isEnabled()) << b->objectName().toStdString();
}

TEST_F(FormatBar, HintsCoverThePanelsWhileTheyStand) {
    QStatusTipEvent tip("Select font name");
    QApplication::sendEvent(form->FontName, &tip);
    EXPECT_EQ(form->StatusBar->currentMessage(), "Select font name");
    EXPECT_FALSE(form->StatusPanel[0]->isVisible());
    QStatusTipEvent gone{QString()};
    QApplication::sendEvent(form->FontName, &gone);
    EXPECT_TRUE(form->StatusBar->currentMessage().isEmpty());
    EXPECT_TRUE(form->StatusPanel[0]->isVisible());
    // The hints and tips of the controls, the accessible names of icon buttons.
    EXPECT_EQ(form->FontName->toolTip(), "Font Name");
    EXPECT_EQ(form->FontName->statusTip(), "Select font name");
    EXPECT_EQ(form->BulletsButton->statusTip(), "Enter bullet mode");
    for (QToolButton* b : form->StandardToolBar->findChildren<QToolButton*>()) {
        if (b->objectName().startsWith("qt_")) continue; // the tool bar's own extension button
        EXPECT_FALSE(b->accessibleName().isEmpty() && b->text().isEmpty())
            << b->objectName().toStdString();
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    }
}

TEST(ToolIcons, OurIconsAreCompiledInAndDraw) {
    for (const char* name :
         {"save", "print", "cut", "copy", "paste", "undo", "color", "bold", "italic", "underline",
          "align-left", "align-center", "align-right", "bullets"}) {
        const QIcon icon(QString(":/icons/%1.svg").arg(name));
        const QImage image = icon.pixmap(16, 16).toImage();
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qAlpha(image.pixel(x, y)) > 0;
        EXPECT_GT(inked, 10) << name;
    }
}

TEST(FontAndColorDialogs, QtsDialogsHaveAHelpButtonForTheirContext) {
    std::vector<int> contexts;
    SetHelpHandler([&](int context) { contexts.push_back(context); });
    TQtPrompts prompts;
    int opened = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg) return;
        ++opened;
        if (auto* buttons = dlg->findChild<QDialogButtonBox*>())
            if (QPushButton* help = buttons->button(QDialogButtonBox::Help)) help->click();
        dlg->reject();
    });
    timer.start();
    QFont font("DejaVu Sans", 10);
    QColor color = Qt::black;
    EXPECT_FALSE(prompts.ChooseFont(font, color, 19));
    EXPECT_FALSE(prompts.ChooseColor(color, 19));
    timer.stop();
    SetHelpHandler({});
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(contexts, (std::vector<int>{19, 19}));
    EXPECT_EQ(font, QFont("DejaVu Sans", 10)); // cancelled: unchanged
    EXPECT_EQ(color, QColor(Qt::black));
}

TEST(FontAndColorDialogs, TheFontDialogsColourEffect) {
    TQtPrompts prompts;
    QTimer timer;
    timer.setInterval(20);
    bool picked = false, clicked = false;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        if (auto* pick = qobject_cast<QColorDialog*>(modal)) {
            pick->setCurrentColor(QColor(120, 0, 60));
            pick->accept();
            picked = true;
        } else if (auto* dlg = qobject_cast<QFontDialog*>(modal)) {
            if (picked) {
                dlg->accept();
                return;
            }
            if (clicked) return;
            clicked = true; // the colour dialog runs inside the click, after this returns
            QMetaObject::invokeMethod(dlg->findChild<QPushButton*>("ColorButton"), "click",
                                      Qt::QueuedConnection);
        }
    });
    timer.start();
    QFont font("DejaVu Sans", 10);
    QColor color = Qt::black;
    EXPECT_TRUE(prompts.ChooseFont(font, color, 19));
    timer.stop();
    EXPECT_TRUE(picked);
    EXPECT_EQ(color, QColor(120, 0, 60));
}

TEST_F(FormatBar, TheFormattingButtonsHaveKeys) {
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    Type("keys");
    Ed().SetSelection(0, 4);
    // A button's key presses it as a click would, a moment later.
    QTest::keyClick(form->Editor, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(
        edtest::WaitFor([&] { return Ed().SelAttributes().Style() == TFontStyle::fsBold; }));
    QTest::keyClick(form->Editor, Qt::Key_E, Qt::ControlModifier);
    EXPECT_TRUE(
        edtest::WaitFor([&] { return Ed().Paragraph().Alignment() == TAlignment::taCenter; }));
    QTest::keyClick(form->Editor, Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(
        edtest::WaitFor([&] { return Ed().Paragraph().Numbering() == TNumberingStyle::nsBullet; }));
}

TEST_F(FormatBar, AJustifiedParagraphLeavesTheAlignmentButtonsAsTheyAre) {
    Ed().LoadFromStream("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20"
                        "\\pard\\qr right\\par\\pard\\qj justified by another program\\par}");
    Ed().SetSelStart(2);
    ASSERT_TRUE(form->RightAlign->isChecked());
    Ed().SetSelStart(10); // into the justified paragraph: no button stands for it
    EXPECT_TRUE(form->RightAlign->isChecked());
    EXPECT_FALSE(form->LeftAlign->isChecked());
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taJustify);
    EXPECT_FALSE(Ed().Modified());
    // A click on the button shown down still aligns the paragraph.
    form->RightAlign->click();
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taRightJustify);
    EXPECT_TRUE(Ed().Modified());
    const QByteArray rtf = Ed().SaveToStream();
    EXPECT_FALSE(rtf.contains("\\qj")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\qr")) << rtf.constData();
}

// What an assistive tool does: the button's accessible Toggle action, which
// changes its state without a click.
TEST_F(FormatBar, TheButtonsApplyThroughTheirAccessibleToggle) {
    const auto toggle = [](QToolButton* button) {
        QAccessibleInterface* face = QAccessible::queryAccessibleInterface(button);
        ASSERT_NE(face, nullptr);
        ASSERT_NE(face->actionInterface(), nullptr);
        ASSERT_TRUE(face->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        face->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QApplication::processEvents();
    };
    Type("loud and quiet");
    Ed().SetModified(false);
    Ed().SetSelection(0, 4);
    toggle(form->BoldButton);
    EXPECT_TRUE(form->BoldButton->isChecked());
    EXPECT_EQ(FormatAt(0).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(3).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(4).fontWeight(), QFont::Normal);
    toggle(form->ItalicButton);
    EXPECT_TRUE(FormatAt(1).fontItalic());
    toggle(form->RightAlign);
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taRightJustify);
    toggle(form->BulletsButton);
    EXPECT_EQ(Ed().Paragraph().Numbering(), TNumberingStyle::nsBullet);
    toggle(form->BoldButton);
    EXPECT_EQ(FormatAt(0).fontWeight(), QFont::Normal);
    EXPECT_TRUE(Ed().Modified());

    // Showing the selection moves the buttons without applying anything.
    Ed().SetModified(false);
    Ed().SetSelection(0, 2); // italic
    EXPECT_TRUE(form->ItalicButton->isChecked());
    Ed().SetSelection(6, 3); // upright
    EXPECT_FALSE(form->ItalicButton->isChecked());
    EXPECT_FALSE(FormatAt(7).fontItalic());
    EXPECT_FALSE(Ed().Modified());

    // The keyboard on a focused button: Space presses it.
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->UnderlineButton->setFocus();
    QTest::keyClick(form->UnderlineButton, Qt::Key_Space);
    EXPECT_TRUE(edtest::WaitFor([&] { return FormatAt(7).fontUnderline(); }));
}
