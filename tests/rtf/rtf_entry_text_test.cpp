// The quick text scanner against the full RTF reader (and the document the
// reader loads, as the editor holds it): on every document it accepts it must
// give exactly the reader's text. (tests/search/find_text_test.cpp checks the
// same against the editor itself.)
#include "rtf/rtf_entry_text.h"
#include "rtf/rtf_reader.h"
#include "rtf/rtf_writer.h"
#include "support/test_support.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

QString EditorText(const std::string& rtf) {
    QTextDocument doc;
    ReadRtf(QByteArray::fromStdString(rtf), doc);
    return doc.toRawText();
}

// Accepted by the scanner, and the same text as the reader and the editor.
void ExpectScanned(const std::string& rtf) {
    const std::optional<QString> scanned = ScanEntryText(rtf);
    ASSERT_TRUE(scanned.has_value()) << rtf;
    EXPECT_EQ(*scanned, ReaderEntryText(rtf)) << rtf;
    EXPECT_EQ(*scanned, EditorText(rtf)) << rtf;
}

std::string Doc(const std::string& body) {
    return "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
           "{\\f1\\fnil\\fcharset204 Arial Cyr;}{\\f2\\fnil\\fcharset128 MS Mincho;}}"
           "{\\colortbl ;\\red255\\green0\\blue0;}\n\\viewkind4\\uc1\\pard\\f0\\fs20 " +
           body + "}";
}

TEST(EntryTextScan, FollowsTheReadersTextRules) {
    for (const char* body :
         {"plain words\\par",
          "A\\par",
          "A\\par\\par",
          "\\par",
          "",
          "A\\par B",
          "ra{\\b in} and {\\i more}\\b0  spaces  kept \\par",
          "line\\line break\\tab tab\\par",
          "\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote x\\par",
          "\\~\\-\\_\\\\\\{\\}\\|\\:",
          "a\\\r\nb",
          "a\\\nb\r\nc\rd",
          "caf\\'e9 \\'80 \\'81 \\'9d \\'00 nul \\'0d cr \\'0a lf \\'0b vt \\'7f del",
          "\\u8364? \\u-10179?\\u-8704? \\u8233? \\u13? \\u0? \\u65532? end",
          "\\uc2\\u8364 xy after \\uc0\\u8364 after",
          "\\uc2\\u8364\\'80\\'81 after \\u8364\\b\\i after",
          "\\u8364{x}y \\u8364\\~z",
          "\\u8364",
          "{\\uc3\\u1234 abc}d \\u1234 e",
          "\\f1 \\'cf\\'f0\\'e8 \\plain \\'cf",
          "\\f2 \\'83\\'41\\'83 A \\'83\\'41",
          "\\ansicpg1251 \\'cf\\'f0\\'e8\\f0 \\'cf",
          "\\mac \\'8e \\pc \\'82 \\pca \\'82 \\ansi \\'82",
          "\\deff1 \\'cf \\f9 \\'cf",
          "{\\fonttbl{\\f3\\fcharset161 G;}}\\f3 \\'e1",
          "text\\par}after the document",
          "x\\fcharset204 \\'cf",
          "\\cf1 red\\cf0  not"})
        ExpectScanned(Doc(body));
    ExpectScanned("{\\rtf1}");
    ExpectScanned("{\\rtf1 no table \\'e9}");
    ExpectScanned("{\\rtf1 unclosed {\\b group");
}

TEST(EntryTextScan, LeavesWhatItDoesNotKnowToTheReader) {
    for (const char* body :
         {"{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}item\\par", "{\\pntext \\'b7\\tab}item\\par",
          "a\\bin3 {}}b", "a\\cell b\\row", "{\\object{\\result x}}", "{\\*\\bkmkstart x}y",
          "{\\upr{x}{\\*\\ud{y}}}", "{\\fonttbl{\\*\\panose 1}}x"})
        EXPECT_FALSE(ScanEntryText(Doc(body)).has_value()) << body;
    EXPECT_FALSE(ScanEntryText("plain text, not RTF").has_value());
    // A word the reader does not know does nothing in either, also when it
    // is eaten as the fallback of \u.
    ExpectScanned(Doc("\\u8364\\unknownword x"));
    ExpectScanned(Doc("a\\unknownword b\\sa120\\lang1033 c"));
}

// A picture is one U+FFFC, its hex digits (which read as words: "cafe",
// "bad", "face") and raw bytes are no text, nor is what its nested groups
// hold; the group's end closes the picture wherever it comes.
TEST(EntryTextScan, StepsOverPictures) {
    for (const char* body :
         {"a{\\pict\\pngblip\\picw2\\pich2 cafe bad face 00}b\\par",
          "{\\pict\\wmetafile8\\picwgoal20{\\*\\blipuid 1234}\\bin4 }{{ 0102}{\\pict}x",
          "{\\pict\\jpegblip ffd8\\par\\u8364 still data}\\u8364{\\pict}x",
          "\\u8364\\pict 0102 x", // \\pict as the fallback of \\u: a word eaten
          "x{\\pict 01", "{\\b a{\\pict\\emfblip 01}{\\pict\\dibitmap0 02}}\\par"})
        ExpectScanned(Doc(body));
    const std::optional<QString> text = ScanEntryText(Doc("a{\\pict\\pngblip cafe}b"));
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(*text, QString("a") + QChar(QChar::ObjectReplacementCharacter) + "b");
}

// Documents as the editor writes them: fonts, styles, colours, tabs, line
// breaks, 8-bit and other characters, lists now and then.
TEST(EntryTextScan, AgreesOnDocumentsTheEditorWrites) {
    std::mt19937 rng(5);
    const QString pieces[] = {"rain", " ", "café", "€", "Ωμέγα", "Привет", "日本語",
                              "\t",   "😀", "x_y",  "ß", "—",     "\u2028", "  "};
    const char* faces[] = {"Arial", "Times New Roman", "MS Sans Serif", "Courier New"};
    int scanned = 0;
    for (int n = 0; n < 150; ++n) {
        QTextDocument doc;
        QTextCursor c(&doc);
        const int paragraphs = 1 + static_cast<int>(rng() % 5);
        for (int p = 0; p < paragraphs; ++p) {
            if (p > 0) c.insertBlock();
            if (rng() % 10 == 0) c.createList(QTextListFormat::ListDisc);
            for (int r = static_cast<int>(rng() % 6); r > 0; --r) {
                QTextCharFormat f;
                f.setFontFamilies({faces[rng() % 4]});
                f.setFontWeight(rng() % 3 == 0 ? QFont::Bold : QFont::Normal);
                f.setFontItalic(rng() % 4 == 0);
                if (rng() % 5 == 0) f.setForeground(QColor(static_cast<int>(rng() % 256), 0, 0));
                c.insertText(pieces[rng() % std::size(pieces)], f);
            }
        }
        const std::string rtf = WriteRtf(doc).toStdString();
        if (const std::optional<QString> text = ScanEntryText(rtf)) {
            ++scanned;
            EXPECT_EQ(*text, ReaderEntryText(rtf)) << rtf;
        }
        EXPECT_EQ(EntryText(rtf), EditorText(rtf)) << rtf;
    }
    EXPECT_GT(scanned, 100); // the editor's own entries are the scanner's to read
}

// Token soup: random sequences of what RTF is made of. Whatever the scanner
// accepts, it reads as the reader does.
TEST(EntryTextScan, AgreesOnRandomTokenSequences) {
    std::mt19937 rng(17);
    const char* tokens[] = {"{",
                            "}",
                            "{",
                            "}",
                            "\\par ",
                            "\\line ",
                            "\\tab ",
                            "\\u8364?",
                            "\\u-4?",
                            "\\u65 ",
                            "\\uc0 ",
                            "\\uc1 ",
                            "\\uc2 ",
                            "\\uc",
                            "\\u",
                            "\\'e9",
                            "\\'83",
                            "\\'41",
                            "\\'0d",
                            "\\'",
                            "\\'4",
                            "\\f0 ",
                            "\\f1 ",
                            "\\f2 ",
                            "\\f7 ",
                            "\\plain ",
                            "\\b ",
                            "\\b0 ",
                            "\\deff1 ",
                            "\\ansicpg1251 ",
                            "\\ansicpg932 ",
                            "\\ansi ",
                            "\\pc ",
                            "\\pca ",
                            "\\mac ",
                            "\\~",
                            "\\-",
                            "\\\\",
                            "\\{",
                            "\\}",
                            "\\\n",
                            "\\|",
                            "\\emdash ",
                            "\\bullet",
                            "text",
                            " ",
                            "ab cd",
                            "\r\n",
                            "\xe9",
                            "\x83",
                            "A",
                            ";",
                            "\\fonttbl",
                            "\\colortbl",
                            "\\fcharset204 ",
                            "\\fcharset128 ",
                            "\\sect ",
                            "\\unknown ",
                            "\\*",
                            "\\cell ",
                            "\\ulnone",
                            "\\cf2 ",
                            "\\u-10179?\\u-8704?"};
    int scanned = 0;
    for (int n = 0; n < 4000; ++n) {
        std::string rtf = "{\\rtf1";
        for (int k = static_cast<int>(rng() % 40); k > 0; --k)
            rtf += tokens[rng() % std::size(tokens)];
        if (const std::optional<QString> text = ScanEntryText(rtf)) {
            ++scanned;
            ASSERT_EQ(*text, ReaderEntryText(rtf)) << rtf;
        }
    }
    EXPECT_GT(scanned, 1000);
}

} // namespace
