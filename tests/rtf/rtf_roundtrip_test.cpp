// What the writer writes, the reader reads back: every attribute the editor
// offers, every kind of character, and the exact form of the output where
// other programs depend on it.
#include "rtf/rtf_formats.h"
#include "rtf_test_support.h"

#include <QTextCursor>
#include <QTextList>
#include <gtest/gtest.h>

using namespace rtftest;

namespace {

QTextCharFormat Plain(const QString& face = QStringLiteral("MS Sans Serif"), qreal size = 8) {
    QTextCharFormat f;
    f.setFontFamilies(QStringList{face});
    f.setFontPointSize(size);
    return f;
}

void RoundTrip(const QTextDocument& in, QTextDocument& out) {
    QByteArray rtf = WriteRtf(in);
    ReadRtf(rtf, out);
}

} // namespace

TEST(RtfRoundTrip, CharacterAttributesSurvive) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("plain "), Plain());
    QTextCharFormat f = Plain(QStringLiteral("Courier New"), 14);
    c.insertText(QStringLiteral("face "), f);
    f = Plain(QStringLiteral("Arial"), 10.5);
    f.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("bold "), f);
    f = Plain();
    f.setFontItalic(true);
    c.insertText(QStringLiteral("italic "), f);
    f = Plain();
    f.setFontUnderline(true);
    c.insertText(QStringLiteral("underline "), f);
    f = Plain();
    f.setFontStrikeOut(true);
    c.insertText(QStringLiteral("strike "), f);
    f = Plain();
    f.setForeground(QColor(12, 34, 200));
    c.insertText(QStringLiteral("colour "), f);
    f = Plain(QStringLiteral("Times New Roman"), 20);
    f.setFontWeight(QFont::Bold);
    f.setFontItalic(true);
    f.setFontUnderline(true);
    f.setFontStrikeOut(true);
    f.setForeground(QColor(255, 0, 0));
    c.insertText(QStringLiteral("all"), f);
    c.insertText(QStringLiteral(" end"), Plain());

    QTextDocument back;
    RoundTrip(doc, back);
    EXPECT_EQ(Text(back), "plain face bold italic underline strike colour all end");

    auto check = [&](const QString& word, const QString& face, qreal size, bool b, bool i, bool u,
                     bool s, QColor color) {
        SCOPED_TRACE(word.toStdString());
        QTextCharFormat got = FormatAt(back, word);
        EXPECT_EQ(got.fontFamilies().toStringList(), QStringList{face});
        EXPECT_EQ(got.fontPointSize(), size);
        EXPECT_EQ(got.fontWeight() >= QFont::DemiBold, b);
        EXPECT_EQ(got.fontItalic(), i);
        EXPECT_EQ(got.fontUnderline(), u);
        EXPECT_EQ(got.fontStrikeOut(), s);
        if (color.isValid())
            EXPECT_EQ(got.foreground().color(), color);
        else
            EXPECT_FALSE(got.hasProperty(QTextFormat::ForegroundBrush));
    };
    const QString ms = QStringLiteral("MS Sans Serif");
    check(QStringLiteral("plain"), ms, 8, false, false, false, false, {});
    check(QStringLiteral("face"), QStringLiteral("Courier New"), 14, false, false, false, false,
          {});
    check(QStringLiteral("bold"), QStringLiteral("Arial"), 10.5, true, false, false, false, {});
    check(QStringLiteral("italic"), ms, 8, false, true, false, false, {});
    check(QStringLiteral("underline"), ms, 8, false, false, true, false, {});
    check(QStringLiteral("strike"), ms, 8, false, false, false, true, {});
    check(QStringLiteral("colour"), ms, 8, false, false, false, false, QColor(12, 34, 200));
    check(QStringLiteral("all"), QStringLiteral("Times New Roman"), 20, true, true, true, true,
          QColor(255, 0, 0));
    check(QStringLiteral("end"), ms, 8, false, false, false, false, {});

    // Written again, the document gives the same bytes: nothing drifts.
    EXPECT_EQ(WriteRtf(back), WriteRtf(doc));
}

TEST(RtfRoundTrip, ParagraphAttributesSurvive) {
    QTextDocument doc;
    QTextCursor c(&doc);
    struct Para {
        QString text;
        Qt::Alignment align;
        qreal first, left, right;
        bool bullet;
    };
    const std::vector<Para> paras = {
        {QStringLiteral("left"), Qt::AlignLeft, 0, 0, 0, false},
        {QStringLiteral("right"), Qt::AlignRight, 0, 0, 0, false},
        {QStringLiteral("centre"), Qt::AlignHCenter, 0, 0, 0, false},
        {QStringLiteral("indented"), Qt::AlignLeft, -18, 36, 72, false},
        {QStringLiteral("hanging"), Qt::AlignLeft, 12.5, 3, 0.05, false},
        {QStringLiteral("bullet one"), Qt::AlignLeft, -18, 36, 0, true},
        {QStringLiteral("bullet two"), Qt::AlignLeft, -18, 36, 0, true},
        {QStringLiteral("after"), Qt::AlignLeft, 0, 0, 0, false},
    };
    QTextList* list = nullptr;
    for (std::size_t i = 0; i < paras.size(); ++i) {
        QTextBlockFormat bf;
        bf.setAlignment(paras[i].align);
        bf.setTextIndent(paras[i].first);
        bf.setLeftMargin(paras[i].left);
        bf.setRightMargin(paras[i].right);
        if (i == 0)
            c.setBlockFormat(bf);
        else
            c.insertBlock(bf);
        if (paras[i].bullet) {
            if (list)
                list->add(c.block());
            else
                list = c.createList(QTextListFormat::ListDisc);
        }
        c.insertText(paras[i].text, Plain());
    }
    QTextDocument back;
    RoundTrip(doc, back);
    ASSERT_EQ(back.blockCount(), static_cast<int>(paras.size()));
    QTextBlock b = back.begin();
    for (const Para& p : paras) {
        SCOPED_TRACE(p.text.toStdString());
        EXPECT_EQ(b.text(), p.text);
        QTextBlockFormat bf = b.blockFormat();
        EXPECT_EQ(bf.alignment() & Qt::AlignHorizontal_Mask, p.align);
        rtf::ParaAttrs pa = rtf::ParaAttrsOf(b);
        EXPECT_EQ(pa.firstIndent, qRound(p.first * 20));
        EXPECT_EQ(pa.leftIndent, qRound(p.left * 20));
        EXPECT_EQ(pa.rightIndent, qRound(p.right * 20));
        EXPECT_DOUBLE_EQ(bf.leftMargin(), p.left);
        EXPECT_DOUBLE_EQ(bf.rightMargin(), p.right);
        if (!p.bullet) {
            EXPECT_DOUBLE_EQ(bf.textIndent(), p.first);
        }
        EXPECT_EQ(b.textList() != nullptr, p.bullet);
        if (p.bullet) {
            EXPECT_EQ(b.textList()->format().style(), QTextListFormat::ListDisc);
        }
        b = b.next();
    }
    // Both bullets are items of one list.
    EXPECT_EQ(BlockOf(back, QStringLiteral("bullet one")).textList(),
              BlockOf(back, QStringLiteral("bullet two")).textList());
    EXPECT_EQ(WriteRtf(back), WriteRtf(doc));
}

TEST(RtfRoundTrip, NumberedListsKeepStyleAndStart) {
    rtf::Document src;
    for (int i = 0; i < 3; ++i) {
        rtf::Paragraph p;
        p.attrs.list = i < 2 ? rtf::ListStyle::UpperRoman : rtf::ListStyle::LowerAlpha;
        p.attrs.listStart = i < 2 ? 4 : 1;
        p.runs.push_back(rtf::Run{QStringLiteral("item %1").arg(i), rtf::CharAttrs{}, nullptr});
        src.paragraphs.push_back(p);
    }
    QTextDocument doc;
    rtf::BuildDocument(src, doc);
    QByteArray rtf = WriteRtf(doc);
    EXPECT_TRUE(rtf.contains("{\\pntext\\f0 IV.\\tab}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\pntext\\f0 V.\\tab}"));
    EXPECT_TRUE(rtf.contains("\\pnstart4\\pnucrm"));
    EXPECT_TRUE(rtf.contains("{\\pntext\\f0 a.\\tab}"));
    QTextDocument back;
    ReadRtf(rtf, back);
    EXPECT_EQ(rtf::ParaAttrsOf(back.begin()).list, rtf::ListStyle::UpperRoman);
    EXPECT_EQ(rtf::ParaAttrsOf(back.begin()).listStart, 4);
    EXPECT_EQ(back.begin().textList(), back.begin().next().textList());
    EXPECT_EQ(rtf::ParaAttrsOf(back.lastBlock()).list, rtf::ListStyle::LowerAlpha);
}

TEST(RtfRoundTrip, TextOfEveryScriptSurvives) {
    const QString text = QString::fromUtf8(
        "ASCII {braces} \\back\\slash; caf\xC3\xA9 \xE2\x82\xAC \xE2\x80\x9Cquotes\xE2\x80\x9D "
        "\xC2\xA0nbsp \xC3\xBF|Greek \xCE\xB1\xCE\xB2\xCE\xB3 \xCE\xA9|Cyrillic "
        "\xD0\x96\xD1\x83\xD0\xBA|CJK \xE6\x97\xA5\xE8\xA8\x98|emoji \xF0\x9F\x98\x80\xF0\x9F\x92"
        "\xA9|tab\there");
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(text, Plain());
    c.insertBlock();
    c.insertText(QStringLiteral("line") + QChar(QChar::LineSeparator) + QStringLiteral("break"),
                 Plain());
    QTextDocument back;
    RoundTrip(doc, back);
    ASSERT_EQ(back.blockCount(), 2);
    EXPECT_EQ(back.begin().text(), text);
    EXPECT_EQ(back.lastBlock().text(),
              QStringLiteral("line") + QChar(QChar::LineSeparator) + QStringLiteral("break"));
}

TEST(RtfRoundTrip, EmptyParagraphsAndEmptyDocumentAreStable) {
    for (int empties : {0, 1, 3}) {
        SCOPED_TRACE(empties);
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("text"), Plain());
        for (int i = 0; i < empties; ++i)
            c.insertBlock();
        QTextDocument back;
        RoundTrip(doc, back);
        EXPECT_EQ(back.blockCount(), 1 + empties);
        QTextDocument again;
        RoundTrip(back, again);
        EXPECT_EQ(again.blockCount(), 1 + empties);
    }
    QTextDocument empty;
    QTextDocument back;
    RoundTrip(empty, back);
    EXPECT_EQ(back.blockCount(), 1);
    EXPECT_TRUE(back.isEmpty());
}

TEST(RtfWriter, WritesTheClassicControlsForm) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f = Plain();
    c.insertText(QStringLiteral("A "), f);
    f.setFontWeight(QFont::Bold);
    c.insertText(QStringLiteral("bold"), f);
    c.insertText(QStringLiteral(" off"), Plain());
    QByteArray rtf = WriteRtf(doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans Serif;}}"));
    EXPECT_TRUE(rtf.contains("\\viewkind4\\uc1"));
    EXPECT_TRUE(rtf.contains("\\pard\\f0\\fs16 A \\b bold\\b0  off\\par"));
    EXPECT_FALSE(rtf.contains("colortbl")); // no colour, no table
    EXPECT_TRUE(rtf.trimmed().endsWith('}'));
}

TEST(RtfWriter, EscapesAndEncodesCharacters) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QString::fromUtf8("\\{}\t\xC3\xA9\xE2\x82\xAC\xCE\xA9\xF0\x9F\x98\x80"), Plain());
    QByteArray rtf = WriteRtf(doc);
    // Backslash and braces escaped; tab a word; é and € in windows-1252; Ω as
    // \u937?; the emoji as its two surrogates in signed 16-bit form.
    EXPECT_TRUE(rtf.contains("\\\\\\{\\}\\tab\\'e9\\'80\\u937?\\u-10179?\\u-8704?"))
        << rtf.constData();
}

TEST(RtfWriter, BulletsUseASymbolFontAndThePnGroups) {
    QTextDocument doc;
    QTextCursor c(&doc);
    c.insertText(QStringLiteral("one"), Plain());
    c.createList(QTextListFormat::ListDisc);
    QTextBlockFormat bf = c.blockFormat();
    bf.setTextIndent(-18);
    bf.setLeftMargin(36);
    c.setBlockFormat(bf);
    c.insertBlock();
    c.insertText(QStringLiteral("two"), Plain());
    QByteArray rtf = WriteRtf(doc);
    EXPECT_TRUE(rtf.contains("{\\f1\\fnil\\fcharset2 Symbol;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{"
                             "\\pntxtb\\'B7}}\\fi-360\\li720"));
    EXPECT_TRUE(rtf.contains("\\par\r\n{\\pntext\\f1\\'B7\\tab}two\\par"));
    QTextDocument back;
    ReadRtf(rtf, back);
    EXPECT_EQ(Blocks(back), (std::vector<QString>{QStringLiteral("one"), QStringLiteral("two")}));
}

TEST(RtfWriter, ColourTableStartsWithTheAutomaticColour) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f = Plain();
    f.setForeground(QColor(0, 77, 187));
    c.insertText(QStringLiteral("blue"), f);
    c.insertText(QStringLiteral(" auto"), Plain());
    QByteArray rtf = WriteRtf(doc);
    EXPECT_TRUE(rtf.contains("{\\colortbl ;\\red0\\green77\\blue187;}")) << rtf.constData();
    EXPECT_TRUE(rtf.contains("\\cf1 blue\\cf0  auto"));
}

TEST(RtfWriter, FacesFromEitherFormOfTheFamilyProperty) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextCharFormat f;
    f.setProperty(QTextFormat::FontFamily, QStringLiteral("Garamond"));
    f.setFontPointSize(9);
    c.insertText(QStringLiteral("old form"), f);
    EXPECT_TRUE(WriteRtf(doc).contains("{\\f0\\fnil\\fcharset0 Garamond;}"));
}
