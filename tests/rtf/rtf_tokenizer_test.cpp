// The tokenizer and the code pages on their own: the corners that whole
// documents rarely reach.
#include "rtf/rtf_codepages.h"
#include "rtf/rtf_text.h"
#include "rtf/rtf_tokenizer.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

using rtf::Token;
using rtf::Tokenizer;
using rtf::TokenKind;

namespace {

std::vector<Token> All(std::string_view data) {
    Tokenizer t(data);
    std::vector<Token> out;
    for (Token tok = t.Next(); tok.kind != TokenKind::End; tok = t.Next())
        out.push_back(tok);
    return out;
}

} // namespace

TEST(RtfTokenizer, WordsParametersAndDelimiters) {
    auto toks = All("\\b0 x\\fs-24\\ul y\\par\r\nz");
    ASSERT_EQ(toks.size(), 7u);
    EXPECT_EQ(toks[0].word, "b");
    EXPECT_TRUE(toks[0].hasParam);
    EXPECT_EQ(toks[0].param, 0);
    EXPECT_EQ(toks[1].text, "x"); // the space was the delimiter
    EXPECT_EQ(toks[2].word, "fs");
    EXPECT_EQ(toks[2].param, -24);
    EXPECT_EQ(toks[3].word, "ul");
    EXPECT_FALSE(toks[3].hasParam);
    EXPECT_EQ(toks[4].text, "y");
    EXPECT_EQ(toks[5].word, "par");
    EXPECT_EQ(toks[6].text, "z"); // CR and LF are not text
}

TEST(RtfTokenizer, EnormousParametersAndWordsAreClamped) {
    const std::string data =
        "\\fs99999999999999999999999 \\li-99999999999999 \\" + std::string(5000, 'a') + "5 x";
    auto toks = All(data); // tokens point into `data`
    ASSERT_EQ(toks.size(), 4u);
    EXPECT_EQ(toks[0].param, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(toks[1].param, -std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(toks[2].word.size(), 32u);
    EXPECT_EQ(toks[2].param, 5);
    EXPECT_EQ(toks[3].text, "x");
}

TEST(RtfTokenizer, SymbolsAndHexBytes) {
    auto toks = All("\\'e9\\'E9\\'9\\'zz\\\\\\{\\}\\~\\*\\\r\nq\\");
    ASSERT_GE(toks.size(), 10u);
    EXPECT_EQ(toks[0].kind, TokenKind::HexByte);
    EXPECT_EQ(toks[0].byte, 0xE9);
    EXPECT_EQ(toks[1].byte, 0xE9);
    EXPECT_EQ(toks[2].kind, TokenKind::HexByte); // one digit: its value
    EXPECT_EQ(toks[2].byte, 9);
    EXPECT_EQ(toks[2].hexDigits, 1);
    EXPECT_EQ(toks[3].kind, TokenKind::ControlSymbol); // "\'" without digits: no text
    EXPECT_EQ(toks[3].symbol, '\'');
    EXPECT_EQ(toks[3].hexDigits, 0);
    EXPECT_EQ(toks[4].text, "zz");
    EXPECT_EQ(toks[5].symbol, '\\');
    EXPECT_EQ(toks[6].symbol, '{');
    EXPECT_EQ(toks[7].symbol, '}');
    EXPECT_EQ(toks[8].symbol, '~');
    EXPECT_EQ(toks[9].symbol, '*');
    EXPECT_EQ(toks[10].symbol, '\n'); // backslash + line end: a paragraph mark
    EXPECT_EQ(toks[11].text, "q");
    EXPECT_EQ(toks.size(), 12u); // a lone backslash at the end is nothing
}

TEST(RtfTokenizer, SkipBytesStopsAtTheEnd) {
    Tokenizer t("\\bin4 {}{}}x");
    Token bin = t.Next();
    EXPECT_EQ(bin.word, "bin");
    t.SkipBytes(bin.param);
    EXPECT_EQ(t.Next().kind, TokenKind::GroupEnd);
    EXPECT_EQ(t.Next().text, "x");
    t.SkipBytes(std::numeric_limits<std::int64_t>::max());
    EXPECT_TRUE(t.AtEnd());
    EXPECT_EQ(t.Next().kind, TokenKind::End);
}

TEST(RtfCodePages, FontCharsetsPickTheirPage) {
    // One letter of each single-byte page, read through a font of that charset
    // in a document whose own page is windows-1252.
    struct Case {
        int charset;
        const char* hex;
        const char* utf8;
    };
    const Case cases[] = {
        {0, "c8", "\xC3\x88"},       // È
        {238, "c8", "\xC4\x8C"},     // Č
        {204, "c6", "\xD0\x96"},     // Ж
        {161, "e1", "\xCE\xB1"},     // α
        {162, "fd", "\xC4\xB1"},     // ı
        {177, "e0", "\xD7\x90"},     // א
        {178, "c7", "\xD8\xA7"},     // ا
        {186, "e0", "\xC4\x85"},     // ą
        {163, "c3", "\xC4\x82"},     // Ă
        {222, "a1", "\xE0\xB8\x81"}, // ก
        {255, "82", "\xC3\xA9"},     // é in the OEM page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.charset);
        std::string rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fnil\\fcharset" +
                          std::to_string(c.charset) + " F;}}\\f0 \\'" + c.hex + "}";
        EXPECT_EQ(RtfToPlainText(rtf), std::string(c.utf8) + "\n");
    }
    // Without a charset the document's page applies; \ansicpg names it.
    EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\ansicpg1251 \\'c6}"), "\xD0\x96\n");
    EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\ansicpg1253{\\fonttbl{\\f0 F;}}\\f0 \\'e1}"),
              "\xCE\xB1\n");
    // An unknown page reads as windows-1252.
    EXPECT_EQ(RtfToPlainText("{\\rtf1\\ansi\\ansicpg9999 \\'80}"), "\xE2\x82\xAC\n");
}

TEST(RtfCodePages, DoubleBytePagesKeepTheirPairsTogether) {
    // Shift-JIS: \'94\'4f is one character; a \'hh pair and plain bytes mix.
    EXPECT_EQ(rtf::DecodeCodePage(QByteArray("\x94\x4f"), 932), QString::fromUtf8("\xE5\xBF\xB5"));
    EXPECT_EQ(RtfToPlainText("{\\rtf1{\\fonttbl{\\f1\\fcharset128 G;}}\\f1 \\'94\\'4fa\\'94O}"),
              "\xE5\xBF\xB5"
              "a\xE5\xBF\xB5\n");
    EXPECT_FALSE(rtf::IsSingleByteCodePage(932));
    EXPECT_TRUE(rtf::IsSingleByteCodePage(1250));
    EXPECT_EQ(rtf::CodePageOfCharset(1), 0); // DEFAULT_CHARSET: the document's page
}
