// Broken input loads what it can and never crashes, hangs or recurses: every
// case here would take a naive recursive reader down.
#include "rtf/rtf_parser.h"
#include "rtf/rtf_text.h"
#include "rtf_test_support.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace rtftest;

TEST(RtfMalformed, UnbalancedBraces) {
    QTextDocument doc;
    ReadRtf(QByteArray("{\\rtf1 a}}}}} b"), doc);
    EXPECT_EQ(Text(doc), "a");
    ReadRtf(QByteArray("{\\rtf1 a{{{{\\b b"), doc);
    EXPECT_EQ(Text(doc), "ab");
    EXPECT_EQ(FormatAt(doc, QStringLiteral("b")).fontWeight(), QFont::Bold);
    ReadRtf(QByteArray("{\\rtf1 {\\b bold}} plain}"), doc);
    EXPECT_EQ(Text(doc), "bold");
}

TEST(RtfMalformed, EveryTruncationOfARealDocumentLoads) {
    const std::string full = ReadData("rtf/richedit41_rtfjs_paragraph-properties.rtf");
    QTextDocument doc;
    std::size_t lastLength = 0;
    for (std::size_t n = 0; n <= full.size(); ++n) {
        ReadRtf(Bytes(full.substr(0, n)), doc);
        if (n < 5) continue; // "{\rtf" not complete yet: plain text
        // The text only grows as more of the document arrives (give or take
        // the paragraph mark that an unfinished \par word may not yet be).
        std::size_t length = Text(doc).size();
        EXPECT_GE(length + 1, lastLength) << "at " << n;
        lastLength = std::max(length, lastLength);
    }
    EXPECT_NE(Text(doc).find("left aligned again."), std::string::npos);
}

TEST(RtfMalformed, HundredThousandNestedGroups) {
    std::string deep = "{\\rtf1 start";
    deep += std::string(100000, '{');
    deep += "\\b deep";
    deep += std::string(100000, '}');
    deep += " end}";
    QTextDocument doc;
    ReadRtf(Bytes(deep), doc);
    EXPECT_EQ(Text(doc), "startdeep end");
    // The state past the depth cap is the deepest one kept; the braces still
    // count, so the outer state comes back at the right brace.
    EXPECT_EQ(FormatAt(doc, QStringLiteral("deep")).fontWeight(), QFont::Bold);
    EXPECT_EQ(FormatAt(doc, QStringLiteral(" end")).fontWeight(), QFont::Normal);

    // Unclosed, too.
    std::string open = "{\\rtf1 x" + std::string(100000, '{') + "y";
    ReadRtf(Bytes(open), doc);
    EXPECT_EQ(Text(doc), "xy");
}

TEST(RtfMalformed, EnormousParameters) {
    QTextDocument doc;
    ReadRtf(QByteArray("{\\rtf1\\fs99999999999999 big\\fs-5 small\\li99999999999 x\\par"
                       "\\fi-99999999999999999999 y\\uc99999999999\\u99999999999 z\\cf999999999 c"
                       "\\f-99999999 f\\bin99999999999999}"),
            doc);
    EXPECT_EQ(Blocks(doc)[0], QStringLiteral("bigsmallx"));
    EXPECT_EQ(FormatAt(doc, QStringLiteral("big")).fontPointSize(), 1638);
    EXPECT_EQ(FormatAt(doc, QStringLiteral("small")).fontPointSize(), 12);
    EXPECT_DOUBLE_EQ(doc.begin().blockFormat().leftMargin(), 1584);
    EXPECT_DOUBLE_EQ(doc.lastBlock().blockFormat().textIndent(), -1584);
    // The \u with an enormous \uc swallows the rest of its group's text.
    EXPECT_TRUE(doc.lastBlock().text().startsWith(QStringLiteral("y")));
}

TEST(RtfMalformed, RandomBytesLoadWithoutHarm) {
    QRandomGenerator rng(20261208);
    QTextDocument doc;
    for (int round = 0; round < 200; ++round) {
        QByteArray junk(static_cast<qsizetype>(rng.bounded(1, 4000)), '\0');
        for (char& c : junk)
            c = static_cast<char>(rng.bounded(256));
        // Half of the rounds look like RTF, so the reader's state machine runs.
        if (round % 2 == 0) junk.prepend("{\\rtf1 ");
        ReadRtf(junk, doc);
        std::string text = RtfToPlainText(junk.toStdString());
        EXPECT_FALSE(doc.blockCount() == 0);
    }
    // RTF made of random control words, braces and hex bytes.
    const char* parts[] = {"{",         "}",
                           "\\b",       "\\i0",
                           "\\'e9",     "\\u-3000?",
                           "\\uc3",     "\\par",
                           "\\pntext",  "{\\*\\pn\\pnlvlblt}",
                           "\\fonttbl", "\\colortbl;",
                           "\\bin3",    "\\cell",
                           "\\row",     "\\f1",
                           "text",      "\\*",
                           "\\upr",     "\\ud",
                           ";",         "\\fcharset128",
                           "\\'81",     "\\'"};
    for (int round = 0; round < 300; ++round) {
        QByteArray rtf("{\\rtf1");
        int n = rng.bounded(1, 200);
        for (int i = 0; i < n; ++i)
            rtf += parts[rng.bounded(static_cast<int>(std::size(parts)))];
        ReadRtf(rtf, doc);
        EXPECT_GE(doc.blockCount(), 1);
    }
}

TEST(RtfMalformed, LargeInputIsLinear) {
    // 200,000 paragraphs and 100,000 \bin words: a quadratic reader would not
    // finish within the test's time limit.
    std::string rtf = "{\\rtf1 ";
    for (int i = 0; i < 100000; ++i)
        rtf += "x\\par y\\bin1 }\\par ";
    rtf += "}";
    rtf::Document d = rtf::ParseRtf(rtf);
    EXPECT_EQ(d.paragraphs.size(), 200000u);
}

TEST(RtfMalformed, PlainTextLoadsAsText) {
    QTextDocument doc;
    ReadRtf(QByteArray("first line\r\nsecond {not rtf}\nthird\rfourth\n"), doc);
    EXPECT_EQ(Blocks(doc),
              (std::vector<QString>{"first line", "second {not rtf}", "third", "fourth"}));
    ReadRtf(QByteArray("caf\xE9"), doc); // not UTF-8: windows-1252
    EXPECT_EQ(Text(doc), "caf\xC3\xA9");
    ReadRtf(QByteArray("caf\xC3\xA9"), doc);
    EXPECT_EQ(Text(doc), "caf\xC3\xA9");
    // A byte order mark is dropped, control characters too.
    ReadRtf(QByteArray("\xEF\xBB\xBFHell\0o\x7F\tx", 13), doc);
    EXPECT_EQ(Text(doc), "Hello\tx");
    ReadRtf(QByteArray(), doc);
    EXPECT_TRUE(doc.isEmpty());
    // "{\rtf" must open the data: a leading space makes it text.
    ReadRtf(QByteArray(" {\\rtf1 x}"), doc);
    EXPECT_EQ(Text(doc), " {\\rtf1 x}");
}

TEST(RtfMalformed, ControlCharactersAndReservedCharactersAreNotStructure) {
    QTextDocument doc;
    // \'0d and \u13 would split a block if inserted raw; U+FDD0 is what Qt
    // uses to mark frames; \u0 is nothing.
    ReadRtf(QByteArray("{\\rtf1 a\\'0db\\u13?c\\u-544?d\\u0?e\\'01f}"), doc);
    EXPECT_EQ(doc.blockCount(), 1);
    EXPECT_EQ(doc.begin().text(), QStringLiteral("a") + QChar(QChar::LineSeparator) +
                                      QStringLiteral("b") + QChar(QChar::LineSeparator) +
                                      QStringLiteral("cdef"));
}
