#include "zip/wildcard.h"

#include <chrono>
#include <gtest/gtest.h>

#include "support/test_support.h"

struct MatchCase {
    const char* pattern;
    const char* text;
    bool match;
};

TEST(IsMatch, Table) {
    const MatchCase cases[] = {
        {"*", "", true},
        {"*", "anything at all", true},
        {"a*", "a", true},
        {"a?", "a", false},
        {"ABC.RTF", "abc.rtf", true},
        {"abc.rtf", "ABC.RTF", true},
        {"a*?", "ab", false}, // a final "?" after a star never starts a try
        {"a*?b", "axxb", true},
        {"*.rtf", "2001\\may\\3.rtf", true},
        {"*.rtf", "2001\\may\\3.rtx", false},
        {"*<0-9>.txt", "123.txt", true},
        {"*<0-9>.txt", "a1.txt", false},
        {"*<0-9>.txt", ".txt", true},
        {"*<!0-9>1", "ab1", true},   // a negated run: no digit before the "1"
        {"*<!0-9>1", "a1b1", false}, // the first "1" ends the run and the rest fails
        {"*<^a-c>x", "XYZx", true},
        {"<a-c>x", "bx", true},
        {"<a-c>x", "dx", false},
        {"<!a-c>x", "dx", true},
        {"<^a-c>x", "ax", false},
        {"<abc>", "c", true},
        {"<z-a>", "m", false}, // a reversed range holds nothing
        {"<a->", "-", true},   // a "-" without an end is a literal
        {"?", "", false},
        {"", "", true},
        {"", "a", false},
        {"a\\b", "A\\B", true}, // "\" is an ordinary character
        {"2001\\*\\*.rtf", "2001\\may\\3.rtf", true},
        {"*a*b", "xaxxb", true},
        {"*a*b", "xaxx", false},
        {"a**", "a", false}, // only a single final star matches the empty rest
        {"**", "", false},   // ... and an empty text only by "*" itself
        {"**", "x", true},
        {"*<abc", "a", false},
        {"<>", "a", false},
        {"week?\\*.rtf", "Week3\\15.rtf", true},
    };
    for (const MatchCase& c : cases)
        EXPECT_EQ(IsMatch(c.pattern, c.text), c.match) << c.pattern << " vs " << c.text;
}

TEST(MatchPattern, EveryResultCode) {
    EXPECT_EQ(MatchPattern("abc", "abc"), wrMatch);
    EXPECT_EQ(MatchPattern("ab", "abc"), wrTextLeft);
    EXPECT_EQ(MatchPattern("abcd", "abc"), wrTextShort);
    EXPECT_EQ(MatchPattern("a*", "a"), wrMatch);
    EXPECT_EQ(MatchPattern("a**", "a"), wrTextShort);
    EXPECT_EQ(MatchPattern("<x-z>", "a"), wrNotInSet);
    EXPECT_EQ(MatchPattern("<!a>", "a"), wrNotInSet);
    EXPECT_EQ(MatchPattern("abc", "abd"), wrLiteral);
    EXPECT_EQ(MatchPattern("<abc", "a"), wrBadPattern);
    EXPECT_EQ(MatchPattern("<>", "a"), wrBadPattern);
    EXPECT_EQ(MatchPattern("<!>", "a"), wrBadPattern);
    EXPECT_EQ(MatchPattern("*<0-9", "1"), wrBadPattern);
    EXPECT_EQ(MatchPattern("*x<abc", "x1"), wrBadPattern);
    EXPECT_EQ(MatchPattern("*<0-9>x", "12y"), wrTextShort); // a run character outside the set
    EXPECT_EQ(MatchPattern("ABC", "abc"), wrLiteral);       // case is the caller's business
}

TEST(MatchAfterStar, SkipsStarsAndQuestionMarks) {
    EXPECT_EQ(MatchAfterStar("*", "whatever"), wrMatch);
    EXPECT_EQ(MatchAfterStar("***", ""), wrMatch);
    EXPECT_EQ(MatchAfterStar("??x", "abx"), wrMatch);
    EXPECT_EQ(MatchAfterStar("??x", "a"), wrTextShort);
    EXPECT_EQ(MatchAfterStar("?", "a"), wrTextShort); // a last "?" is not skipped
    EXPECT_EQ(MatchAfterStar(".rtf", "a.b.rtf"), wrMatch);
    EXPECT_EQ(MatchAfterStar(".rtf", "a.b.rtx"), wrTextShort);
    EXPECT_EQ(MatchAfterStar("<0-9>z", "ab1z"), wrMatch);
}

TEST(IsMatch, MalformedSetsStayInsideThePattern) {
    // Patterns cut right after "<", "!" or "-": each must end cleanly (the
    // sanitizer build checks that nothing is read past the pattern).
    for (const char* p : {"<", "<!", "<^", "<a-", "*<", "*<!", "*<a-", "a*<", "?<", "<a-z"}) {
        std::string pattern(p);
        EXPECT_FALSE(IsMatch(pattern, "a-z")) << p;
        EXPECT_EQ(MatchPattern(pattern, "a-z"), wrBadPattern) << p;
    }
}

TEST(IsMatch, ManyStarsDoNotTakeExponentialTime) {
    std::string pattern;
    for (int i = 0; i < 20; ++i)
        pattern += "*a";
    pattern += "*b";
    const std::string text(200, 'a');
    // Not a timing test of speed: a match that remembers its results takes
    // microseconds, one that does not would outlast the universe. The child
    // gets minutes, so a slow machine passes and a regression fails.
    const int result = testsupport::RunInChild(
        [&] { return !IsMatch(pattern, text) && IsMatch(pattern, text + "b") ? 0 : 1; },
        std::chrono::minutes(2));
    EXPECT_EQ(result, 0) << (result < 0 ? "the match did not finish" : "wrong answer");
}
