// Documents written by other programs (tests/data/rtf, see its README) load
// with the right text and formatting. The plain text is compared with what
// LibreOffice 7.4.7 makes of each file, after normalising white space and
// list markers; where LibreOffice differs from what the document says, the
// test says why and asserts the document's meaning.
#include "rtf/rtf_formats.h"
#include "rtf/rtf_picture.h"
#include "rtf/rtf_text.h"
#include "rtf_test_support.h"

#include "support/test_support.h"

#include <QTextList>
#include <gtest/gtest.h>

using namespace rtftest;

namespace {

void Load(const std::string& name, QTextDocument& doc) {
    ReadRtf(Bytes(ReadData("rtf/" + name + ".rtf")), doc);
}

std::vector<std::string> Expected(const std::string& name) {
    return NormalisedLines(ReadData("rtf/expected-libreoffice-7.4.7-txt/" + name + ".txt"));
}

std::vector<std::string> Ours(const std::string& name) {
    return NormalisedLines(RtfToPlainText(ReadData("rtf/" + name + ".rtf")));
}

} // namespace

TEST(RtfDocuments, PlainTextMatchesLibreOffice) {
    // Files where our text and LibreOffice's agree line by line.
    for (const char* name :
         {"libreoffice_bin-skipping", "malformed_rtfpipe_RtfParserTest_fail_1",
          "riched20_rtfjs_pile-of-poo", "riched20_rtfpipe_List",
          "richedit41_rtfjs_paragraph-properties", "richedit41_tika_testRTFUmlautSpaces",
          "richedit41_tika_testRTFWordPadCzechCharacters", "richedit_striprtf_bytes",
          "striprtf_specialchars", "tika_testRTFNewlines",
          "tika_testRTFUnicodeUCNControlWordCharacterDoubling"}) {
        SCOPED_TRACE(name);
        ExpectSameLines(Ours(name), Expected(name));
    }
}

TEST(RtfDocuments, PlainTextWhereLibreOfficeDiffers) {
    // Test01: LibreOffice maps the Symbol font's "abc" into the private use
    // area (U+F061...); the document's characters are a, b, c in the Symbol
    // face, which is what we keep. For "{\upr{[G]}{\*\ud{[\u915]}}}" it shows
    // both alternatives "[G][Γ]"; \upr means "the ANSI text, or the \ud twin for
    // readers that know Unicode", so one of them: "[Γ]".
    std::vector<std::string> expected = Expected("rtfpipe_Test01");
    for (std::string& line : expected) {
        if (line.starts_with("with some symbols:")) line = "with some symbols: \"abc\"";
        if (line.starts_with("same but different:")) line = "same but different: \"[\xCE\x93]\"";
    }
    ExpectSameLines(Ours("rtfpipe_Test01"), expected);

    // A table row: LibreOffice writes each cell on a line of its own plus an
    // empty paragraph after the table; we flatten a row into one paragraph
    // with the cells separated by tabs.
    QTextDocument table;
    Load("striprtf_minimal_table", table);
    EXPECT_EQ(Blocks(table), (std::vector<QString>{QStringLiteral("cell 1\tcell 2\tcell 3")}));
    std::vector<std::string> cells;
    for (const std::string& line : Expected("striprtf_minimal_table"))
        if (!line.empty()) cells.push_back(line);
    EXPECT_EQ(cells, (std::vector<std::string>{"cell 1", "cell 2", "cell 3"}));
}

TEST(RtfDocuments, TruncatedDocumentKeepsItsText) {
    // LibreOffice refuses this file (the document group never closes); the
    // classic control shows what it read.
    QTextDocument doc;
    Load("malformed_rtfpipe_RtfParserTest_fail_3", doc);
    EXPECT_EQ(Text(doc), "Hello world in {RTF}\xE2\x80\xA6");
    EXPECT_EQ(FormatAt(doc, QStringLiteral("{RTF}")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Courier New")});
    EXPECT_EQ(FormatAt(doc, QStringLiteral("{RTF}")).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("Hello")).fontPointSize(), 16);
    EXPECT_EQ(FormatAt(doc, QStringLiteral(" in")).fontPointSize(), 12);
}

TEST(RtfDocuments, TextAfterTheFinalBraceIsIgnored) {
    QTextDocument doc;
    Load("malformed_rtfpipe_RtfParserTest_fail_1", doc);
    // "}-" ends the file: the "-" is not text.
    EXPECT_EQ(Blocks(doc), (std::vector<QString>{
                               QString::fromUtf8("Hello world in {RTF}\xE2\x80\xA6"), QString()}));
}

TEST(RtfDocuments, ParagraphPropertiesOfTheClassicControl) {
    QTextDocument doc;
    Load("richedit41_rtfjs_paragraph-properties", doc);
    ASSERT_EQ(doc.blockCount(), 5);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("This")).fontPointSize(), 11);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("is a")).fontPointSize(), 22);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("This")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Calibri")});
    QTextCharFormat simple = FormatAt(doc, QStringLiteral("simple"));
    EXPECT_EQ(simple.fontWeight(), QFont::Bold);
    EXPECT_FALSE(simple.fontUnderline());
    QTextCharFormat five = FormatAt(doc, QStringLiteral("five"));
    EXPECT_EQ(five.fontWeight(), QFont::Bold);
    EXPECT_TRUE(five.fontUnderline());
    EXPECT_FALSE(five.fontItalic());
    QTextCharFormat paragraph = FormatAt(doc, QStringLiteral("paragraph doc"));
    EXPECT_TRUE(paragraph.fontItalic() && paragraph.fontUnderline());
    QTextCharFormat document = FormatAt(doc, QStringLiteral("document"));
    EXPECT_TRUE(document.fontItalic());
    EXPECT_FALSE(document.fontUnderline());
    EXPECT_EQ(document.fontWeight(), QFont::Normal);
    EXPECT_FALSE(FormatAt(doc, QStringLiteral(".")).fontItalic());
    EXPECT_EQ(FormatAt(doc, QStringLiteral("second")).foreground().color(), QColor(0, 77, 187));
    EXPECT_FALSE(
        FormatAt(doc, QStringLiteral("paragraph with")).hasProperty(QTextFormat::ForegroundBrush));
    // \line is a line break inside the paragraph; the \qc after it (with a
    // \pard) centres the whole paragraph, whose mark comes after it.
    QTextBlock second = BlockOf(doc, QStringLiteral("second"));
    EXPECT_EQ(second.text(), QStringLiteral("This is the second paragraph with a") +
                                 QChar(QChar::LineSeparator) +
                                 QStringLiteral("line break and it is centered."));
    EXPECT_EQ(second.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(BlockOf(doc, QStringLiteral("fourth")).blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_EQ(BlockOf(doc, QStringLiteral("And this")).blockFormat().alignment() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignLeft);
}

TEST(RtfDocuments, BulletsAndNumbersOfTheControl) {
    QTextDocument doc;
    Load("riched20_rtfpipe_List", doc);
    // The list markers of \pntext are not text.
    EXPECT_EQ(Blocks(doc),
              (std::vector<QString>{QStringLiteral("Paragraph"), QStringLiteral("Bullet"),
                                    QStringLiteral("Bullet 2"), QStringLiteral("Paragraph 2"),
                                    QStringLiteral("List 1"), QStringLiteral("List 2")}));
    QTextBlock bullet = BlockOf(doc, QStringLiteral("Bullet"));
    ASSERT_NE(bullet.textList(), nullptr);
    EXPECT_EQ(bullet.textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_EQ(BlockOf(doc, QStringLiteral("Bullet 2")).textList(), bullet.textList());
    EXPECT_EQ(rtf::ParaAttrsOf(bullet).firstIndent, -360);
    EXPECT_EQ(rtf::ParaAttrsOf(bullet).leftIndent, 720);
    // Every line of the item starts at the left indent; the bullet hangs.
    EXPECT_DOUBLE_EQ(bullet.blockFormat().textIndent(), 0);
    EXPECT_DOUBLE_EQ(bullet.blockFormat().leftMargin(), 36);
    EXPECT_EQ(BlockOf(doc, QStringLiteral("Paragraph 2")).textList(), nullptr);
    QTextBlock numbered = BlockOf(doc, QStringLiteral("List 1"));
    ASSERT_NE(numbered.textList(), nullptr);
    EXPECT_EQ(numbered.textList()->format().style(), QTextListFormat::ListDecimal);
    EXPECT_EQ(BlockOf(doc, QStringLiteral("List 2")).textList(), numbered.textList());
    // The plain text shows the markers.
    EXPECT_EQ(RtfToPlainText(ReadData("rtf/riched20_rtfpipe_List.rtf")),
              "Paragraph\n\xE2\x80\xA2 Bullet\n\xE2\x80\xA2 Bullet 2\nParagraph 2\n1. List 1\n2. "
              "List 2\n");
}

TEST(RtfDocuments, FontCharsetOverridesTheDocumentCodePage) {
    QTextDocument doc;
    Load("richedit41_tika_testRTFWordPadCzechCharacters", doc);
    // \ansicpg1252, but the font is \fcharset238: \'c8 is Č of cp1250, not È.
    EXPECT_TRUE(Blocks(doc)[0].startsWith(QString::fromUtf8("\xC4\x8Cl\xC3\xA1nek")));
    EXPECT_FALSE(QString::fromStdString(Text(doc)).contains(QChar(0xC8)));
    // Cyrillic through \fcharset204 with \ansicpg1251, bold and centred runs.
    QTextDocument cyr;
    Load("richedit_striprtf_bytes", cyr);
    QString title = QString::fromUtf8("\xD0\xA3\xD0\xA5\xD0\x92\xD0\x90\xD0\x9B\xD0\x90");
    EXPECT_EQ(BlockOf(cyr, title).text(), title);
    EXPECT_EQ(FormatAt(cyr, title).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(cyr, title).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Calibri")});
    EXPECT_EQ(BlockOf(cyr, title).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
              Qt::AlignJustify);
    EXPECT_EQ(cyr.begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
}

TEST(RtfDocuments, UnicodeWithFallbacks) {
    QTextDocument doc;
    Load("riched20_rtfjs_pile-of-poo", doc);
    // \'hh in cp1252, \u9731? and a surrogate pair written as two negative \u.
    EXPECT_EQ(Text(doc), "I\xC3\xB1t\xC3\xABrn\xC3\xA2ti\xC3\xB4n\xC3\xA0liz\xC3\xA6ti\xC3\xB8n"
                         "\xE2\x98\x83\xF0\x9F\x92\xA9");

    // "\u48 0": the 0 after the delimiter is the fallback; "\uc2\u24180\'94\'4e"
    // skips both bytes; "\'94\'4f" in a \fcharset128 font is one Shift-JIS
    // character.
    QTextDocument ucn;
    Load("tika_testRTFUnicodeUCNControlWordCharacterDoubling", ucn);
    EXPECT_EQ(Text(ucn), "0 \xE5\xB9\xB4 abc \xE5\xBF\xB5");

    QTextDocument umlaut;
    Load("richedit41_tika_testRTFUmlautSpaces", umlaut);
    EXPECT_EQ(Text(umlaut), "\xC3\x9C"
                            "bersicht");
}

TEST(RtfDocuments, StylesGroupsAndIgnorableDestinations) {
    QTextDocument doc;
    Load("rtfpipe_Test01", doc);
    std::string text = Text(doc);
    EXPECT_EQ(text.find("should not appear"), std::string::npos);
    EXPECT_EQ(text.find("this neither"), std::string::npos);
    EXPECT_NE(text.find("something to ignore: visible."), std::string::npos);
    EXPECT_NE(text.find("different ways: [A] == [A] == [A] == [A]"), std::string::npos);
    EXPECT_NE(text.find("Unicode: [\xCE\x93] - ANSI-fallback: [G]"), std::string::npos);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("visible")).fontWeight(), QFont::Bold);
    EXPECT_TRUE(FormatAt(doc, QStringLiteral("strikethrough")).fontStrikeOut());
    EXPECT_FALSE(FormatAt(doc, QStringLiteral(" text")).fontStrikeOut());
    EXPECT_TRUE(FormatAt(doc, QStringLiteral("underlined and")).fontUnderline());
    EXPECT_FALSE(FormatAt(doc, QStringLiteral(" and strike")).fontUnderline());
    EXPECT_EQ(FormatAt(doc, QStringLiteral("Hellou")).fontPointSize(), 18);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("Hellou")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Verdana")});
    // Nested groups restore the outer state; \plain resets to the defaults.
    QTextCharFormat both = FormatAt(doc, QStringLiteral("bold+italic,"));
    EXPECT_TRUE(both.fontWeight() == QFont::Bold && both.fontItalic());
    QTextCharFormat bu = FormatAt(doc, QStringLiteral("bold+underlined"));
    EXPECT_TRUE(bu.fontWeight() == QFont::Bold && bu.fontUnderline() && !bu.fontItalic());
    QTextBlock further = BlockOf(doc, QStringLiteral("and further"));
    QString t = further.text();
    int at = static_cast<int>(t.lastIndexOf(QStringLiteral("normal")));
    QTextCursor c(further);
    c.setPosition(further.position() + at + 1);
    EXPECT_EQ(c.charFormat().fontWeight(), QFont::Normal);
    EXPECT_FALSE(c.charFormat().fontUnderline());
    EXPECT_EQ(FormatAt(doc, QStringLiteral("abc")).foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ(FormatAt(doc, QStringLiteral("abc")).fontFamilies().toStringList(),
              QStringList{QStringLiteral("Symbol")});
}

TEST(RtfDocuments, ControlSymbols) {
    QTextDocument doc;
    Load("striprtf_specialchars", doc);
    // \~ no-break space, \- optional hyphen, \_ non-breaking hyphen.
    EXPECT_EQ(Text(doc), "This is some bold text with non\xC2\xA0"
                         "breaking\xC2\xA0spaces. Optional "
                         "hyphen\xC2\xAD"
                         "foo. Non breaking hyphen\xE2\x80\x91"
                         "foo.");
}

TEST(RtfDocuments, BinaryDataIsSkippedWithTheBracesInside) {
    // "{\*\shprslt\bin24 }{\par MUST NOT IMPORT}}}": the 24 bytes include the
    // braces, so the group closes after them and nothing of it is text.
    QTextDocument doc;
    Load("libreoffice_bin-skipping", doc);
    EXPECT_EQ(Blocks(doc), (std::vector<QString>{QStringLiteral("text")}));

    // \bin10 in the picture an embedded object shows (its \result): ten raw
    // bytes, one of them a "}", are the picture's data, a metafile kept as
    // it came and shown as a box. Nothing of the binary shows as text.
    QTextDocument bin;
    Load("tika_testBinControlWord", bin);
    EXPECT_EQ(QString::fromStdString(Text(bin)).trimmed(),
              QString(QChar(QChar::ObjectReplacementCharacter)));
    const QTextCharFormat picture =
        FormatAt(bin, QString(QChar(QChar::ObjectReplacementCharacter)));
    ASSERT_TRUE(picture.isImageFormat());
    EXPECT_EQ(picture.property(rtf::kPictureDataProperty).toByteArray().size(), 10);
    EXPECT_EQ(picture.intProperty(rtf::kPictureTypeProperty),
              static_cast<int>(rtf::PictureType::Wmf));
    // \picwgoal3600 scaled to 55 %: 132 pixels of 15 twips.
    EXPECT_EQ(picture.toImageFormat().width(), 132);
}

TEST(RtfDocuments, WordProcessorNewlines) {
    QTextDocument doc;
    Load("tika_testRTFNewlines", doc);
    EXPECT_EQ(Blocks(doc),
              (std::vector<QString>{"one", "", "two", "", "", "three", "", "", "", "four"}));
}

TEST(RtfDocuments, MalformedEscapeAsUnicodeFallbackIsSkippedWhole) {
    // The fallback of \uN is one character whatever its form: a "\'" with a
    // bad second digit, or with none, is skipped with the characters after it
    // (LibreOffice prints "A—B" and "C—D" for the first two lines too).
    const char* rtf = "{\\rtf1\\ansi A\\u8212\\'4?B\\par C\\u8212\\'zzD\\par "
                      "E\\u8212\\'e9F\\par G\\u8212\\'g\\par H\\par}";
    QTextDocument doc;
    ReadRtf(QByteArray(rtf), doc);
    EXPECT_EQ(Blocks(doc),
              (std::vector<QString>{QString::fromUtf8("A\xE2\x80\x94"
                                                      "B"),
                                    QString::fromUtf8("C\xE2\x80\x94"
                                                      "D"),
                                    QString::fromUtf8("E\xE2\x80\x94"
                                                      "F"),
                                    QString::fromUtf8("G\xE2\x80\x94"), QStringLiteral("H")}));
    // Outside a fallback a malformed escape still keeps the text after it
    // (the control character \x04 of "\'4" is dropped).
    ReadRtf(QByteArray("{\\rtf1\\ansi x\\'4?y\\'zz\\par}"), doc);
    EXPECT_EQ(Blocks(doc), (std::vector<QString>{QStringLiteral("x?yzz")}));
}

TEST(RtfDocuments, OldStyleNumberingKeepsTheTextAroundTheNumber) {
    // "1)" and "(a)" as the \pntxtb and \pntxta groups say, not "1." / "a.".
    const std::string rtf =
        "{\\rtf1\\ansi {\\pntext 1)\\tab}{\\*\\pn\\pnlvlbody\\pndec\\pnstart1{\\pntxta )}}one\\par "
        "{\\pntext 2)\\tab}two\\par\\pard {\\pntext (a)\\tab}{\\*\\pn\\pnlvlbody\\pnlcltr"
        "\\pnstart1{\\pntxtb (}{\\pntxta )}}three\\par\\pard plain\\par "
        "{\\*\\pn\\pnlvlbody\\pndec\\pnstart4}four\\par}";
    EXPECT_EQ(RtfToPlainText(rtf), "1) one\n2) two\n(a) three\nplain\n4. four\n");
    QTextDocument doc;
    ReadRtf(Bytes(rtf), doc);
    QTextList* one = BlockOf(doc, QStringLiteral("one")).textList();
    ASSERT_NE(one, nullptr);
    EXPECT_EQ(one->format().numberSuffix(), QStringLiteral(")"));
    EXPECT_EQ(one->itemText(BlockOf(doc, QStringLiteral("two"))), QStringLiteral("2)"));
    QTextList* three = BlockOf(doc, QStringLiteral("three")).textList();
    ASSERT_NE(three, nullptr);
    EXPECT_NE(three, one);
    EXPECT_EQ(three->itemText(BlockOf(doc, QStringLiteral("three"))), QStringLiteral("(a)"));
    EXPECT_EQ(BlockOf(doc, QStringLiteral("four")).textList()->format().numberSuffix(),
              QStringLiteral("."));
    // Written out and read again, the markers stay.
    EXPECT_EQ(RtfToPlainText(WriteRtf(doc).toStdString()),
              "1) one\n2) two\n(a) three\nplain\n4. four\n");
}

// The two OEM pages a document may name: \pc is code page 437, \pca code
// page 850, byte for byte as Python's codecs read them.
TEST(RtfDocuments, PcIs437AndPcaIs850) {
    EXPECT_EQ(RtfToPlainText("{\\rtf1\\pca \\'f2}"), "\xE2\x80\x97\n"); // ‗
    EXPECT_EQ(RtfToPlainText("{\\rtf1\\pc \\'f2}"), "\xE2\x89\xA5\n");  // ≥
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b)
        high += QString::asprintf("\\'%02x", b).toStdString();
    for (const auto& [word, codec] : {std::pair{"pc", "cp437"}, std::pair{"pca", "cp850"}}) {
        std::string expected;
        ASSERT_EQ(testsupport::RunCommand(std::string("python3 -c \"import sys; sys.stdout.buffer."
                                                      "write(bytes(range(128,256)).decode('") +
                                              codec + "').encode())\"",
                                          &expected),
                  0);
        EXPECT_EQ(RtfToPlainText("{\\rtf1\\" + std::string(word) + " " + high + "}"),
                  expected + "\n")
            << word;
    }
}
