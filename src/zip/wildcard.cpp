// The matcher walks pattern and text together, one text character per
// pattern element; a star hands over to MatchAfterStar, which tries the rest
// of the pattern at every text position where it could start (where the
// text character equals the rest's first character, or the rest starts with
// a set). A star directly followed by a set, "*<0-9>", stands for a run of
// characters admitted by that set, so the run check happens while walking.
//
// Two quirks are part of the matcher's behaviour and are kept: a "?" that is
// the last pattern character after a star is neither skipped nor ever starts
// a try (so "a*?" does not match "ab"), and the text being used up while the
// pattern is exactly one "*" is a match but with "**" it is not.
//
// Each star tries every position, so patterns like "*a*a*a*b" could take
// exponential time; the result of a star at a given pattern and text
// position never changes, so it is remembered for the duration of one match.
#include "zip/wildcard.h"

#include <cstdint>
#include <unordered_map>

namespace {

struct TSet {
    bool valid = false;
    bool negate = false;
    std::size_t begin = 0, end = 0; // the members, inside the pattern
    std::size_t after = 0;          // the pattern position after ">"
};

// Reads the set whose "<" stands at `at`. Never looks past the pattern.
TSet ReadSet(std::string_view p, std::size_t at) {
    TSet s;
    std::size_t i = at + 1;
    if (i < p.size() && (p[i] == '!' || p[i] == '^')) {
        s.negate = true;
        ++i;
    }
    s.begin = i;
    std::size_t close = p.find('>', i);
    if (close == std::string_view::npos || close == i) return s; // not closed, or empty
    s.end = close;
    s.after = close + 1;
    s.valid = true;
    return s;
}

bool Admits(std::string_view p, const TSet& s, char ch) {
    auto c = static_cast<unsigned char>(ch);
    bool in = false;
    for (std::size_t i = s.begin; i < s.end && !in;) {
        auto lo = static_cast<unsigned char>(p[i]);
        if (i + 2 < s.end && p[i + 1] == '-') {
            auto hi = static_cast<unsigned char>(p[i + 2]);
            in = c >= lo && c <= hi; // a range whose end is below its start holds nothing
            i += 3;
        } else {
            in = c == lo;
            ++i;
        }
    }
    return in != s.negate;
}

class TMatcher {
public:
    TMatcher(std::string_view pattern, std::string_view text) : p_(pattern), t_(text) {}

    int Pattern(std::size_t pi, std::size_t ti) {
        for (; pi < p_.size(); ++pi, ++ti) {
            if (ti == t_.size())
                return (p_[pi] == '*' && pi + 1 == p_.size()) ? wrMatch : wrTextShort;
            char c = p_[pi];
            if (c == '?') continue;
            if (c == '*') {
                if (pi + 1 < p_.size() && p_[pi + 1] == '<') {
                    TSet set = ReadSet(p_, pi + 1);
                    if (!set.valid) return wrBadPattern;
                    return AfterStar(set.after, ti, &set);
                }
                return AfterStar(pi, ti, nullptr);
            }
            if (c == '<') {
                TSet set = ReadSet(p_, pi);
                if (!set.valid) return wrBadPattern;
                if (!Admits(p_, set, t_[ti])) return wrNotInSet;
                pi = set.after - 1;
                continue;
            }
            if (c != t_[ti]) return wrLiteral;
        }
        return ti == t_.size() ? wrMatch : wrTextLeft;
    }

    int AfterStar(std::size_t pi, std::size_t ti, const TSet* set) {
        std::uint64_t key = (static_cast<std::uint64_t>(pi) << 33) |
                            (static_cast<std::uint64_t>(set != nullptr) << 32) | ti;
        if (auto it = memo_.find(key); it != memo_.end()) return it->second;
        int r = AfterStarUncached(pi, ti, set);
        memo_.emplace(key, r);
        return r;
    }

private:
    int AfterStarUncached(std::size_t pi, std::size_t ti, const TSet* set) {
        while (pi < p_.size() && (p_[pi] == '*' || (p_[pi] == '?' && pi + 1 < p_.size()))) {
            if (p_[pi] == '?') {
                if (ti == t_.size()) return wrTextShort;
                ++ti;
            }
            ++pi;
        }
        if (pi == p_.size()) return wrMatch;
        char next = p_[pi];
        int result = wrTextShort;
        for (;; ++ti) {
            if (ti < t_.size() && (next == t_[ti] || next == '<')) {
                result = Pattern(pi, ti);
                if (result == wrMatch || result == wrBadPattern) return result;
            }
            if (ti == t_.size()) return wrTextShort;
            if (set && !Admits(p_, *set, t_[ti])) return wrTextShort;
        }
    }

    std::string_view p_, t_;
    std::unordered_map<std::uint64_t, int> memo_;
};

std::string Lower(const std::string& s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

int MatchPattern(std::string_view pattern, std::string_view text) {
    return TMatcher(pattern, text).Pattern(0, 0);
}

int MatchAfterStar(std::string_view rest, std::string_view text) {
    return TMatcher(rest, text).AfterStar(0, 0, nullptr);
}

bool IsMatch(const std::string& pattern, const std::string& text) {
    if (pattern == "*") return true;
    return MatchPattern(Lower(pattern), Lower(text)) == wrMatch;
}
