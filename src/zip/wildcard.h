// Wildcard matching of member and file names: "?" one character, "*" a run,
// "<...>" one character of a set ("<!...>" or "<^...>": not in the set,
// "a-z" ranges). Letter case is ignored; "\" is an ordinary character.
#pragma once

#include <string>
#include <string_view>

// Results of MatchPattern / MatchAfterStar.
enum TWildResult : int {
    wrMatch = 1,      // pattern and text agree
    wrTextLeft = 2,   // the pattern ended before the text
    wrTextShort = 3,  // the text ended before the pattern (or a star's run failed)
    wrNotInSet = 4,   // a set did not admit the character
    wrLiteral = 5,    // a literal character differed
    wrBadPattern = 6, // a set is empty or not closed by ">"
};

// True when MatchPattern gives wrMatch after both strings are lower-cased;
// the pattern "*" matches anything.
bool IsMatch(const std::string& pattern, const std::string& text);
// Case-sensitive matchers on the strings as given.
int MatchPattern(std::string_view pattern, std::string_view text);
// `rest` is the pattern from a star on (leading stars are skipped).
int MatchAfterStar(std::string_view rest, std::string_view text);
