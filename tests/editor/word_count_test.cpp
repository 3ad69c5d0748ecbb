// The word count panel of the status bar: counted by the status bar's rule,
// following typing after a pause, a loaded entry at once.
#include "editor/word_count.h"
#include "editor_window.h"
#include "rtf/rtf_text_rules.h"

#include <QTextCursor>

namespace {

class WordCount : public edtest::EditorWindow {};

} // namespace

TEST(WordCountRule, WordsBetweenWhiteSpaceWithALetterOrDigit) {
    EXPECT_EQ(rtf::CountWords(u""), 0);
    EXPECT_EQ(rtf::CountWords(u"don't e-mail 2026 \u2014 ok"), 4);   // a lone dash is none
    EXPECT_EQ(rtf::CountWords(u"one\ttwo\u2028three\uFFFCfour"), 4); // a picture parts words
}

TEST_F(WordCount, PanelFollowsTypingAndLoading) {
    Start();
    QLabel* panel = form->WordCount->Panel();
    EXPECT_EQ(panel->accessibleName(), "Word count");
    EXPECT_EQ(panel->text(), "0 words");
    Type("Dear diary");
    ASSERT_TRUE(edtest::WaitFor([&] { return panel->text() == "2 words"; }))
        << panel->text().toStdString();
    Type(" one");
    ASSERT_TRUE(edtest::WaitFor([&] { return panel->text() == "3 words"; }));
    form->FileSaveCmd->trigger();
    const QDate today = form->Nav->KeyDate();
    ASSERT_TRUE(form->Nav->GoToDate(today.addDays(today.day() > 1 ? -1 : 1)));
    EXPECT_EQ(panel->text(), "0 words"); // at once, no pause
    ASSERT_TRUE(form->Nav->GoToDate(today));
    EXPECT_EQ(panel->text(), "3 words");
    Ed().selectAll();
    Ed().textCursor().insertText("word");
    ASSERT_TRUE(edtest::WaitFor([&] { return panel->text() == "1 word"; }));
}
