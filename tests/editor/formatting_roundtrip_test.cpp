// Formatting applied with the tool bar, the dialogs and the ruler is stored
// with the entry and comes back when the entry is opened again.
#include "editor/format_bar.h"
#include "editor_window.h"
#include "rtf/rtf_text.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"

#include <QAction>
#include <QComboBox>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QToolButton>

namespace {

class FormattingRoundTrip : public edtest::EditorWindow {
protected:
    void SetUp() override { Start(); }
    void Drag(QWidget* marker, int dx) {
        const int centre = marker->width() / 2;
        QTest::mousePress(marker, Qt::LeftButton, {}, {centre, 3});
        QMouseEvent move(QEvent::MouseMove, QPointF(centre + dx, 3),
                         marker->mapToGlobal(QPointF(centre + dx, 3)), Qt::NoButton, Qt::LeftButton,
                         {});
        QApplication::sendEvent(marker, &move);
        QTest::mouseRelease(marker, Qt::LeftButton, {}, {centre, 3});
    }
    // Selects the first occurrence of `word`.
    void SelectWord(const QString& word) {
        const int at = Ed().toPlainText().indexOf(word);
        ASSERT_GE(at, 0) << word.toStdString();
        Ed().SetSelection(at, static_cast<int>(word.size()));
    }
};

} // namespace

TEST_F(FormattingRoundTrip, EveryKindOfFormattingSurvivesStoreAndLoad) {
    QString face;
    for (const QString& f : QFontDatabase::families())
        if (f != Ed().DefAttributes().Name() && !f.startsWith("MS ")) face = f;
    ASSERT_FALSE(face.isEmpty());
    Select({"2000", "March", "Week3", "15"});
    Type("Bold italic underline coloured face sized");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    Type("a bulleted point");
    QTest::keyClick(form->Editor, Qt::Key_Return);
    Type("an indented paragraph long enough to wrap onto a second line in the editor pane");

    SelectWord("Bold");
    form->BoldButton->click();
    SelectWord("italic");
    form->ItalicButton->click();
    SelectWord("underline");
    form->UnderlineButton->click();
    SelectWord("coloured");
    prompts->Colors.push_back(QColor(10, 20, 200));
    form->ColorButton->click();
    SelectWord("face");
    form->FontName->setEditText(face);
    SelectWord("sized");
    form->FontSize->setValue(20);
    form->CenterAlign->click();
    SelectWord("bulleted");
    form->BulletsButton->click();
    SelectWord("indented");
    form->RightAlign->click();
    Drag(form->Ruler->FirstInd, 32); // F: trunc((2 + 32 + 5 - 6) * 3/4) = 24
    Drag(form->Ruler->LeftInd, 16);  // following lines at trunc((2 + 16 + 5 - 6) * 3/4) = 12
    Drag(form->Ruler->RightInd, -12);
    const int f = Ed().Paragraph().FirstIndent(), l = Ed().Paragraph().LeftIndent(),
              r = Ed().Paragraph().RightIndent();
    EXPECT_EQ(f, 24);
    EXPECT_EQ(f + l, 12);
    EXPECT_EQ(r, 9); // trunc((14 + 12 + 4 - 2) * 3/4) - 12

    Select({"2000", "March", "Week3", "16"}); // stores day 15
    ASSERT_TRUE(prompts->Asked.size() == 1) << prompts->Messages().join('|').toStdString();
    Select({"2000", "March", "Week3", "15"}); // loads it again
    ASSERT_FALSE(Ed().Modified());

    auto styleOf = [&](const QString& word) {
        SelectWord(word);
        return Ed().SelAttributes().Style();
    };
    EXPECT_EQ(styleOf("Bold"), TFontStyles(TFontStyle::fsBold));
    EXPECT_EQ(styleOf("italic"), TFontStyles(TFontStyle::fsItalic));
    EXPECT_EQ(styleOf("underline"), TFontStyles(TFontStyle::fsUnderline));
    EXPECT_EQ(styleOf("Bold"), TFontStyles(TFontStyle::fsBold));
    SelectWord("coloured");
    EXPECT_EQ(Ed().SelAttributes().Color(), QColor(10, 20, 200));
    SelectWord("face");
    EXPECT_EQ(Ed().SelAttributes().Name(), face);
    EXPECT_EQ(form->FontName->currentText(), face);
    SelectWord("sized");
    EXPECT_EQ(Ed().SelAttributes().Size(), 20);
    EXPECT_EQ(form->FontSize->text(), "20");
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taCenter);
    EXPECT_TRUE(form->CenterAlign->isChecked());
    SelectWord("bulleted");
    EXPECT_EQ(Ed().Paragraph().Numbering(), TNumberingStyle::nsBullet);
    EXPECT_TRUE(form->BulletsButton->isChecked());
    SelectWord("indented");
    EXPECT_EQ(Ed().Paragraph().Alignment(), TAlignment::taRightJustify);
    EXPECT_EQ(Ed().Paragraph().FirstIndent(), f);
    EXPECT_EQ(Ed().Paragraph().LeftIndent(), l);
    EXPECT_EQ(Ed().Paragraph().RightIndent(), r);
    EXPECT_EQ(form->Ruler->FirstInd->x(), ruler::FirstIndLeft(f));
    EXPECT_EQ(form->Ruler->LeftInd->x(), ruler::LeftIndLeft(f, l));

    // The stored member is RTF that reads as the same text.
    TZipReader reader;
    reader.SetZipName(Archive());
    TMemoryStream stream;
    ASSERT_EQ(reader.ExtractToStream(&stream, "2000\\3\\Week3\\15.rtf"), 1);
    EXPECT_EQ(QString::fromStdString(RtfToPlainText(stream.ToString())),
              "Bold italic underline coloured face sized\n\xE2\x80\xA2 a bulleted point\n"
              "an indented paragraph long enough to wrap onto a second line in the editor "
              "pane\n");
}
