// The search's text and match against the entry editor itself: whatever the
// editor holds after loading an entry, and whatever its find operation
// answers, the widget-free code must give the same.
#include "editor/editor.h"
#include "search/find_text.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

const char* const kEntries[] = {
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 It was a rainy day.\\par}",
    // a word split by formatting
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Heavy {\\b ra}in at the party\\par}",
    // paragraphs, a line break, a tab, an empty paragraph at the end
    "{\\rtf1\\ansi One\\par Two\\line three\\tab four\\par\\par}",
    // bullets and a numbered list: markers are drawn, not text
    "{\\rtf1\\ansi{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt{\\pntxtb\\'b7}}\\fi-200\\li200 "
    "first\\par{\\pntext 2.\\tab}second\\par}",
    // characters by escape: hex, Unicode with fallback, a non-BMP one
    "{\\rtf1\\ansi caf\\'e9 \\u8364? na\\u239?ve \\u-10179?\\u-8704? end\\par}",
    // plain text given instead of RTF
    "plain line one\r\nline two\rline three\nend",
    "",
    "{\\rtf1}",
};

// What the editor holds once the entry is loaded.
QString EditorText(const std::string& rtf) {
    TRichEdit editor;
    editor.LoadFromStream(QByteArray::fromStdString(rtf));
    return editor.document()->toRawText();
}

int EditorFind(const std::string& rtf, const QString& text) {
    TRichEdit editor;
    editor.LoadFromStream(QByteArray::fromStdString(rtf));
    return editor.FindText(text, 0, editor.TextLength(), TSearchType::stWholeWord);
}

TEST(EntryText, IsWhatTheEditorHoldsAfterLoading) {
    for (const char* rtf : kEntries)
        EXPECT_EQ(EntryText(rtf), EditorText(rtf)) << rtf;
    // and for every sample document the RTF tests read, well-formed or not
    for (const auto& file : std::filesystem::directory_iterator(testsupport::TestData("rtf"))) {
        if (file.path().extension() != ".rtf") continue;
        const std::string bytes = testsupport::ReadFile(file.path().string());
        EXPECT_EQ(EntryText(bytes), EditorText(bytes)) << file.path();
    }
}

TEST(FindWholeWord, AgreesWithTheEditorsFind) {
    const QString texts[] = {"rain",  "Rain",  "RAIN",   "art",       "party", "ra",       "in",
                             "rainy", "a",     "It",     "day",       "day.",  ".",        "y da",
                             "two",   "three", "four",   "first",     "•",     "2",        "café",
                             "CAFÉ",  "naïve", "€",      "end",       "line",  "line two", "one",
                             "",      " ",     "at the", "Heavy rain"};
    for (const char* rtf : kEntries)
        for (const QString& text : texts)
            EXPECT_EQ(FindWholeWord(EntryText(rtf), text), EditorFind(rtf, text))
                << rtf << " / " << text.toStdString();
}

TEST(FindWholeWord, WordsAndCase) {
    EXPECT_EQ(FindWholeWord("Let's party", "art"), -1);
    EXPECT_EQ(FindWholeWord("a party, then art", "art"), 14); // the later whole word
    EXPECT_EQ(FindWholeWord("rain", "Rain"), 0);
    EXPECT_EQ(FindWholeWord("Straße und STRASSE", "strasse"), 11); // no expansion of ß
    EXPECT_EQ(FindWholeWord("snake_case", "snake"), -1);           // "_" binds words
    EXPECT_EQ(FindWholeWord("year2000", "2000"), -1);              // so do digits
    EXPECT_EQ(FindWholeWord("(rain)", "rain"), 1);
    EXPECT_EQ(FindWholeWord("rain", ""), -1);
    EXPECT_EQ(FindWholeWord("", "rain"), -1);
    EXPECT_EQ(FindWholeWord("rain rain", "rain", 1), 5);
    EXPECT_EQ(FindWholeWord("rain", "rain", 5), -1);
}

// The finder's own case-ignoring search against QString's, on random texts
// made of the characters where folding is tricky: letters whose foldings
// meet (K and the Kelvin sign, s and the long s, the three sigmas), dotted
// and dotless i, sharp s, surrogate pairs (a Deseret capital folds to its
// small letter), lone surrogates and plain letters. Texts shorter and longer
// than 500 units take QString's two different roads.
TEST(TWordFinder, IgnoresCaseAsQStringDoes) {
    const char16_t alphabet[] = {u'a',   u'k',   u'K',   0x212A, u's',   u'S',   0x017F,
                                 0x03A3, 0x03C3, 0x03C2, u'i',   u'I',   0x0130, 0x0131,
                                 0x00DF, u' ',   u'_',   0xD801, 0xDC00, 0xDC28, 0xD800,
                                 0x1E9E, 0x00C5, 0x212B, 0x00E5};
    std::mt19937 rng(3);
    auto random = [&](qsizetype n) {
        QString s;
        for (qsizetype i = 0; i < n; ++i)
            s.append(QChar(alphabet[rng() % std::size(alphabet)]));
        return s;
    };
    int found = 0;
    for (int n = 0; n < 3000; ++n) {
        const QString hay = random(n % 2 ? 1 + rng() % 60 : 400 + rng() % 300);
        // half the texts are taken from the haystack, their case changed
        QString needle = random(1 + rng() % 7);
        if (n % 4 < 2) {
            needle = hay.mid(rng() % hay.size(), 1 + rng() % 7);
            needle = n % 4 ? needle.toUpper() : needle.toLower();
        }
        const TWordFinder finder(needle);
        for (qsizetype from : {qsizetype(0), qsizetype(rng() % 5), hay.size()}) {
            const qsizetype expected = hay.indexOf(needle, from, Qt::CaseInsensitive);
            ASSERT_EQ(finder.IndexOf(hay, from), expected) << n << " " << from;
            found += expected >= 0;
            // whole words: the editor's loop over QString's matches
            qsizetype whole = expected;
            auto word = [](QChar c) { return c.isLetterOrNumber() || c == u'_'; };
            while (whole >= 0 &&
                   ((whole > 0 && word(hay[whole - 1])) ||
                    (whole + needle.size() < hay.size() && word(hay[whole + needle.size()]))))
                whole = hay.indexOf(needle, whole + 1, Qt::CaseInsensitive);
            ASSERT_EQ(finder.Find(hay, from), whole) << n << " " << from;
        }
    }
    EXPECT_GT(found, 1000);
}

} // namespace
