// The plain-text conversion for tools without a GUI: this program has no
// QApplication at all, as the command-line tool has none.
#include "rtf/rtf_text.h"

#include "support/test_support.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

TEST(RtfToPlainText, WorksWithoutAnyApplicationObject) {
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    std::string rtf = testsupport::ReadFile(
        testsupport::TestData("rtf/richedit41_tika_testRTFWordPadCzechCharacters.rtf"));
    std::string text = RtfToPlainText(rtf);
    EXPECT_TRUE(text.starts_with("\xC4\x8Cl\xC3\xA1nek t\xC3\xBD"
                                 "dne\n"))
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
}

TEST(RtfToPlainText, ParagraphsAreLinesAndListsShowTheirMarkers) {
    EXPECT_EQ(RtfToPlainText("{\\rtf1 one\\par two\\line three\\par}"), "one\ntwo\nthree\n");
    EXPECT_EQ(RtfToPlainText("{\\rtf1 \\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1"
                             "\\pnindent0{\\pntxtb\\'B7}}dot\\par}"),
              "\xE2\x80\xA2 dot\n");
    EXPECT_EQ(RtfToPlainText("{\\rtf1 {\\*\\pn\\pnlvlbody\\pnlcrm\\pnstart3}a\\par b\\par}"),
              "iii. a\niv. b\n");
    EXPECT_EQ(RtfToPlainText(""), "");
    EXPECT_EQ(RtfToPlainText("{\\rtf1 \\par}"), ""); // the empty control writes one mark
    EXPECT_EQ(RtfToPlainText("{\\rtf1 \\par\\par}"), "\n\n");
    EXPECT_EQ(RtfToPlainText("not rtf\r\nat all"), "not rtf\nat all\n");
}
