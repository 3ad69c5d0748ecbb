// The entry editor driven as a user drives it: typing with QTest, selecting,
// formatting through the attribute views, finding.
#include "editor/editor.h"

#include "rtf/rtf_formats.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <gtest/gtest.h>

namespace {

// A shown editor with the input focus, as in the main window.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        editor.resize(600, 400);
        editor.show();
        editor.activateWindow();
        editor.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    }
    QString Text() const { return editor.toPlainText(); }

    TRichEdit editor;
};

const QByteArray kTwoParagraphs =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fnil Arial;}}\\pard\\f0\\fs20 "
    "Hello world\\par Second line\\par}";

} // namespace

TEST_F(EditorTest, TypingSetsModifiedAndLoadingClearsIt) {
    QSignalSpy spy(&editor, &TRichEdit::ModifiedChanged);
    EXPECT_FALSE(editor.Modified());
    QTest::keyClicks(&editor, "Dear diary");
    EXPECT_EQ(Text(), QStringLiteral("Dear diary"));
    EXPECT_TRUE(editor.Modified());
    ASSERT_GE(spy.count(), 1);
    EXPECT_EQ(spy.first().first().toBool(), true);
    EXPECT_TRUE(editor.CanUndo());

    editor.LoadFromStream(kTwoParagraphs);
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(spy.last().first().toBool(), false);
    EXPECT_EQ(Text(), QStringLiteral("Hello world\nSecond line"));
    // Loading is not an edit: nothing to undo, the caret at the start.
    EXPECT_FALSE(editor.CanUndo());
    EXPECT_EQ(editor.SelStart(), 0);

    editor.SetModified(true);
    EXPECT_TRUE(editor.Modified());
    editor.SetModified(false);
    EXPECT_FALSE(editor.Modified());
}

TEST_F(EditorTest, EveryKindOfUserChangeSetsModified) {
    editor.LoadFromStream(kTwoParagraphs);
    QTest::keyClick(&editor, Qt::Key_Delete);
    EXPECT_EQ(Text(), QStringLiteral("ello world\nSecond line"));
    EXPECT_TRUE(editor.Modified());

    editor.LoadFromStream(kTwoParagraphs);
    QApplication::clipboard()->setText(QStringLiteral("pasted "));
    EXPECT_TRUE(editor.CanPaste());
    editor.paste();
    EXPECT_TRUE(Text().startsWith(QStringLiteral("pasted Hello")));
    EXPECT_TRUE(editor.Modified());

    editor.LoadFromStream(kTwoParagraphs);
    editor.SetSelection(0, 5);
    editor.SelAttributes().SetStyle(TFontStyle::fsBold);
    EXPECT_TRUE(editor.Modified());

    editor.LoadFromStream(kTwoParagraphs);
    editor.Paragraph().SetAlignment(TAlignment::taCenter);
    EXPECT_TRUE(editor.Modified());
}

TEST_F(EditorTest, ReadOnlyRefusesTyping) {
    editor.LoadFromStream(kTwoParagraphs);
    editor.SetReadOnly(true);
    EXPECT_TRUE(editor.ReadOnly());
    QTest::keyClicks(&editor, "xyz");
    QTest::keyClick(&editor, Qt::Key_Delete);
    QTest::keyClick(&editor, Qt::Key_Return);
    EXPECT_EQ(Text(), QStringLiteral("Hello world\nSecond line"));
    EXPECT_FALSE(editor.Modified());
    QApplication::clipboard()->setText(QStringLiteral("x"));
    EXPECT_FALSE(editor.CanPaste());
    editor.SetReadOnly(false);
    QTest::keyClicks(&editor, "x");
    EXPECT_TRUE(Text().startsWith(QStringLiteral("xHello")));
}

TEST_F(EditorTest, SelectionAttributesAreAppliedAndReadBack) {
    editor.LoadFromStream(kTwoParagraphs);
    editor.SetSelection(6, 5); // "world"
    EXPECT_EQ(editor.SelText(), QStringLiteral("world"));
    EXPECT_EQ(editor.SelAttributes().Name(), QStringLiteral("Arial"));
    EXPECT_EQ(editor.SelAttributes().Size(), 10);
    EXPECT_EQ(editor.SelAttributes().Style(), TFontStyles());
    EXPECT_EQ(editor.SelAttributes().Color(), editor.palette().color(QPalette::Text));

    editor.SelAttributes().SetName(QStringLiteral("Courier New"));
    editor.SelAttributes().SetSize(17);
    editor.SelAttributes().SetStyle(TFontStyle::fsBold | TFontStyle::fsUnderline);
    editor.SelAttributes().SetColor(QColor(10, 120, 30));
    EXPECT_EQ(editor.SelAttributes().Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(editor.SelAttributes().Size(), 17);
    EXPECT_EQ(editor.SelAttributes().Style(), TFontStyle::fsBold | TFontStyle::fsUnderline);
    EXPECT_EQ(editor.SelAttributes().Color(), QColor(10, 120, 30));
    // Sizes the control cannot show change nothing.
    editor.SelAttributes().SetSize(0);
    EXPECT_EQ(editor.SelAttributes().Size(), 17);

    // Only the selection changed, and the change survives a save and a load.
    QByteArray saved = editor.SaveToStream();
    TRichEdit other;
    other.LoadFromStream(saved);
    other.SetSelection(6, 5);
    EXPECT_EQ(other.SelAttributes().Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(other.SelAttributes().Size(), 17);
    EXPECT_EQ(other.SelAttributes().Style(), TFontStyle::fsBold | TFontStyle::fsUnderline);
    EXPECT_EQ(other.SelAttributes().Color(), QColor(10, 120, 30));
    other.SetSelection(0, 5);
    EXPECT_EQ(other.SelAttributes().Name(), QStringLiteral("Arial"));
    EXPECT_EQ(other.SelAttributes().Style(), TFontStyles());
}

TEST_F(EditorTest, WithoutSelectionAttributesChangeWhatIsTypedNext) {
    editor.Clear();
    editor.DefAttributes().SetName(QStringLiteral("MS Sans Serif"));
    editor.DefAttributes().SetSize(8);
    EXPECT_EQ(editor.DefAttributes().Name(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(editor.DefAttributes().Size(), 8);
    QTest::keyClicks(&editor, "plain ");
    editor.DefAttributes().SetStyle(TFontStyle::fsBold);
    EXPECT_TRUE(editor.DefAttributes().Style().testFlag(TFontStyle::fsBold));
    QTest::keyClicks(&editor, "bold");
    editor.SelAttributes().SetColor(Qt::red); // at the caret
    QTest::keyClicks(&editor, "red");
    EXPECT_EQ(Text(), QStringLiteral("plain boldred"));

    editor.SetSelection(0, 5);
    EXPECT_EQ(editor.SelAttributes().Name(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(editor.SelAttributes().Size(), 8);
    EXPECT_FALSE(editor.SelAttributes().Style().testFlag(TFontStyle::fsBold));
    editor.SetSelection(6, 4);
    EXPECT_TRUE(editor.SelAttributes().Style().testFlag(TFontStyle::fsBold));
    EXPECT_NE(editor.SelAttributes().Color(), QColor(Qt::red));
    editor.SetSelection(10, 3);
    EXPECT_EQ(editor.SelAttributes().Color(), QColor(Qt::red));
    EXPECT_TRUE(editor.SelAttributes().Style().testFlag(TFontStyle::fsBold));
}

TEST_F(EditorTest, ParagraphAttributes) {
    editor.LoadFromStream(kTwoParagraphs);
    EXPECT_EQ(editor.Paragraph().Alignment(), TAlignment::taLeftJustify);
    for (TAlignment a :
         {TAlignment::taRightJustify, TAlignment::taCenter, TAlignment::taLeftJustify}) {
        editor.Paragraph().SetAlignment(a);
        EXPECT_EQ(editor.Paragraph().Alignment(), a);
    }
    editor.Paragraph().SetAlignment(TAlignment::taCenter);
    editor.Paragraph().SetFirstIndent(36);
    editor.Paragraph().SetLeftIndent(18);
    editor.Paragraph().SetRightIndent(7);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 36);
    EXPECT_EQ(editor.Paragraph().LeftIndent(), 18);
    EXPECT_EQ(editor.Paragraph().RightIndent(), 7);
    // The control's twips: \li = F + L, \fi = -L.
    QByteArray rtf = editor.SaveToStream();
    EXPECT_TRUE(rtf.contains("\\pard\\fi-360\\li1080\\ri140\\qc")) << rtf.constData();
    // Only the paragraph of the caret changed.
    editor.SetSelStart(editor.TextLength());
    EXPECT_EQ(editor.Paragraph().Alignment(), TAlignment::taLeftJustify);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 0);

    // A selection over both paragraphs changes both.
    editor.SetSelection(3, editor.TextLength());
    editor.Paragraph().SetNumbering(TNumberingStyle::nsBullet);
    EXPECT_EQ(editor.Paragraph().Numbering(), TNumberingStyle::nsBullet);
    QTextBlock first = editor.document()->begin();
    ASSERT_NE(first.textList(), nullptr);
    EXPECT_EQ(first.next().textList(), first.textList());
    // A bullet paragraph gets room for its bullet; the first line stays.
    editor.SetSelStart(editor.TextLength());
    EXPECT_EQ(editor.Paragraph().LeftIndent(), 10);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 0);
    editor.SetSelStart(0);
    EXPECT_EQ(editor.Paragraph().LeftIndent(), 18);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 36);
    EXPECT_EQ(editor.Paragraph().Alignment(), TAlignment::taCenter);

    TRichEdit other;
    other.LoadFromStream(editor.SaveToStream());
    EXPECT_EQ(other.Paragraph().Numbering(), TNumberingStyle::nsBullet);
    EXPECT_EQ(other.Paragraph().FirstIndent(), 36);
    EXPECT_EQ(other.Paragraph().LeftIndent(), 18);

    // Taking the bullets off changes the numbering only: every paragraph
    // keeps its indents, as stored.
    editor.SetSelection(0, editor.TextLength());
    editor.Paragraph().SetNumbering(TNumberingStyle::nsNone);
    EXPECT_EQ(editor.document()->begin().textList(), nullptr);
    EXPECT_EQ(editor.document()->lastBlock().textList(), nullptr);
    EXPECT_EQ(editor.Paragraph().LeftIndent(), 18);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 36);
    editor.SetSelStart(editor.TextLength());
    EXPECT_EQ(editor.Paragraph().LeftIndent(), 10);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 0);
    rtf = editor.SaveToStream();
    EXPECT_TRUE(rtf.contains("\\pard\\fi-360\\li1080\\ri140\\qc")) << rtf.constData();
    EXPECT_FALSE(rtf.contains("\\pn")) << rtf.constData();
}

TEST_F(EditorTest, IndentsInTwipsReadBackTruncated) {
    // 730 - 370 = 360 twips = 18 points; 370 twips = 18.5 points -> 18;
    // 150 twips -> 7; a negative offset truncates toward zero too.
    editor.LoadFromStream("{\\rtf1\\pard\\fi-370\\li730\\ri150 a\\par\\pard\\fi370 b\\par}");
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 18);
    EXPECT_EQ(editor.Paragraph().LeftIndent(), 18);
    EXPECT_EQ(editor.Paragraph().RightIndent(), 7);
    editor.SetSelStart(2);
    EXPECT_EQ(editor.Paragraph().FirstIndent(), 18);
    EXPECT_EQ(editor.Paragraph().LeftIndent(), -18);
    // Writing F keeps the twips of the offset: \fi stays -370.
    editor.SetSelStart(0);
    editor.Paragraph().SetFirstIndent(20);
    EXPECT_TRUE(editor.SaveToStream().contains("\\fi-370\\li770\\ri150"));
}

TEST_F(EditorTest, FindTextOptions) {
    editor.LoadFromStream("{\\rtf1 The cat scattered Cats.\\par cat CAT\\par}");
    const QString all = editor.toPlainText();
    const int n = editor.TextLength();
    ASSERT_EQ(n, 31);
    ASSERT_EQ(n, all.size());
    // No options: case ignored, inside words allowed.
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 0, n, {}), 4);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 5, n - 5, {}), 9);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 10, n - 10, {}), 18);
    // Match case.
    EXPECT_EQ(editor.FindText(QStringLiteral("Cat"), 0, n, TSearchType::stMatchCase), 18);
    EXPECT_EQ(editor.FindText(QStringLiteral("CAT"), 0, n, TSearchType::stMatchCase), 28);
    // Whole words: not "scattered", not "Cats"; the paragraph mark separates.
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 5, n - 5, TSearchType::stWholeWord), 24);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 27, n - 27,
                              TSearchType::stWholeWord | TSearchType::stMatchCase),
              -1);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 27, n - 27, TSearchType::stWholeWord), 28);
    // The range limits the match: it must end within start + length.
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 0, 6, {}), -1);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), 0, 7, {}), 4);
    // The very first character, the end, nonsense ranges, empty text.
    EXPECT_EQ(editor.FindText(QStringLiteral("the"), 0, n, TSearchType::stWholeWord), 0);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), n, 0, {}), -1);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), n + 5, 10, {}), -1);
    EXPECT_EQ(editor.FindText(QStringLiteral("cat"), -1, 10, {}), -1);
    EXPECT_EQ(editor.FindText(QString(), 0, n, {}), -1);
}

TEST_F(EditorTest, SelectionAndLinePositions) {
    editor.LoadFromStream("{\\rtf1 ab\\par cd\\line ef\\par\\par g\\par}");
    EXPECT_EQ(editor.TextLength(), 11);
    editor.SetSelection(3, 2);
    EXPECT_EQ(editor.SelStart(), 3);
    EXPECT_EQ(editor.SelLength(), 2);
    EXPECT_EQ(editor.SelText(), QStringLiteral("cd"));
    editor.SetSelection(10, 100); // clamped to the end
    EXPECT_EQ(editor.SelStart(), 10);
    EXPECT_EQ(editor.SelLength(), 1);
    editor.SetSelStart(4);
    EXPECT_EQ(editor.SelLength(), 0);
    editor.SetSelLength(3);
    EXPECT_EQ(editor.SelText(),
              QStringLiteral("d") + QChar(QChar::LineSeparator) + QStringLiteral("e"));

    // Lines: "ab", "cd" and "ef" (a line break), "", "g".
    EXPECT_EQ(editor.LineFromChar(0), 0);
    EXPECT_EQ(editor.LineFromChar(2), 0);
    EXPECT_EQ(editor.LineFromChar(3), 1);
    EXPECT_EQ(editor.LineFromChar(6), 2);
    EXPECT_EQ(editor.LineFromChar(9), 3);
    EXPECT_EQ(editor.LineFromChar(10), 4);
    EXPECT_EQ(editor.LineFromChar(1000), 4);
    EXPECT_EQ(editor.LineIndex(0), 0);
    EXPECT_EQ(editor.LineIndex(1), 3);
    EXPECT_EQ(editor.LineIndex(2), 6);
    EXPECT_EQ(editor.LineIndex(3), 9);
    EXPECT_EQ(editor.LineIndex(4), 10);
    EXPECT_EQ(editor.LineIndex(5), -1);

    // A long paragraph wraps: its display lines count.
    editor.resize(200, 300);
    editor.LoadFromStream("{\\rtf1 " + QByteArray("word ").repeated(200) + "\\par end}");
    int last = editor.TextLength() - 1;
    EXPECT_GT(editor.LineFromChar(last), 1);
    EXPECT_EQ(editor.LineIndex(editor.LineFromChar(last)), editor.TextLength() - 3);
}

TEST_F(EditorTest, ClearEmptiesAndKeepsTheDefaultAttributes) {
    editor.DefAttributes().SetName(QStringLiteral("Arial"));
    editor.DefAttributes().SetSize(12);
    editor.LoadFromStream(kTwoParagraphs);
    editor.SetModified(true);
    editor.Clear();
    EXPECT_EQ(Text(), QString());
    EXPECT_FALSE(editor.Modified());
    EXPECT_FALSE(editor.CanUndo());
    QTest::keyClicks(&editor, "x");
    editor.SetSelection(0, 1);
    EXPECT_EQ(editor.SelAttributes().Name(), QStringLiteral("Arial"));
    EXPECT_EQ(editor.SelAttributes().Size(), 12);
}

TEST_F(EditorTest, ClipboardCarriesRtf) {
    editor.LoadFromStream(
        "{\\rtf1{\\fonttbl{\\f0\\fnil Arial;}}\\f0\\fs20 plain \\b bold\\b0  end\\par}");
    editor.SetSelection(6, 4);
    QTest::keyClick(&editor, Qt::Key_C, Qt::ControlModifier);
    const QMimeData* copied = QApplication::clipboard()->mimeData();
    ASSERT_TRUE(copied->hasFormat(QStringLiteral("text/rtf")))
        << copied->formats().join(u' ').toStdString();
    QByteArray rtf = copied->data(QStringLiteral("text/rtf"));
    EXPECT_TRUE(rtf.contains("\\b bold\\par")) << rtf.constData();
    EXPECT_EQ(copied->text(), QStringLiteral("bold"));
    EXPECT_FALSE(editor.Modified());

    // Cut: the RTF goes to the clipboard and the text leaves the editor.
    editor.SetSelection(0, 6);
    QTest::keyClick(&editor, Qt::Key_X, Qt::ControlModifier);
    EXPECT_TRUE(
        QApplication::clipboard()->mimeData()->data(QStringLiteral("text/rtf")).contains("plain "));
    EXPECT_EQ(editor.toPlainText(), QStringLiteral("bold end"));
    EXPECT_TRUE(editor.Modified());
    editor.LoadFromStream(
        "{\\rtf1{\\fonttbl{\\f0\\fnil Arial;}}\\f0\\fs20 plain \\b bold\\b0  end\\par}");

    // RTF from another program pastes with its formatting.
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/rtf"), "{\\rtf1 {\\i slanted}}");
    data->setText(QStringLiteral("slanted"));
    QApplication::clipboard()->setMimeData(data);
    editor.SetSelStart(0);
    EXPECT_TRUE(editor.CanPaste());
    editor.paste();
    EXPECT_TRUE(editor.toPlainText().startsWith(QStringLiteral("slantedplain")));
    EXPECT_TRUE(editor.Modified());
    editor.SetSelection(0, 7);
    EXPECT_TRUE(editor.SelAttributes().Style().testFlag(TFontStyle::fsItalic));
}
