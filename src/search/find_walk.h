// The walk of find in files, without widgets: from the year list, the
// options and a way to read a member, the result lines in walk order.
//
// Entries are found by trying every name they could have: per listed year
// its summary, per month 1 to 12 its summary, per week 1 to 6 its summary
// and days 1 to 31, the day names under every week (a day's member lies
// under the week of the month it falls in, and only one of the six exists).
// That is up to 2317 candidates a year, nearly all of them not members: the
// reader answers those from its directory, so their cost is a lookup.
//
// Progress counts every year, month, week and day step taken, skipped ones
// included, against a maximum of 2232 a year (12 months × 6 weeks × 31
// days); a fully walked year takes 2317 steps, so a bar showing it sits full
// a while before the walk ends.
//
// In range mode an entry is searched when the period it covers meets the
// range: a year summary its year, a month summary its month, a week summary
// the whole of its month, a day entry its day. A listed year that is no
// integer stops a range search with the conversion message.
#pragma once

#include <QString>

#include <compare>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Progress bar steps per listed year.
constexpr int kFindStepsPerYear = 2232;

struct TFindDate {
    int Year = 0, Month = 1, Day = 1;
    auto operator<=>(const TFindDate&) const = default;
};

struct TFindOptions {
    QString Text; // as typed, blanks included
    bool Range = false;
    TFindDate Start, End;
    bool Daily = true, Weekly = false, Monthly = false, Yearly = false;
};

// Reads the member `path` ("2001\3\Week2\7.rtf"); `bytes` shows its bytes
// until the next call. False when there is no such member or it cannot be
// read (a password that fails). Errors of a damaged archive are thrown and
// end the walk.
using TMemberReader = std::function<bool(const std::string& path, std::string_view& bytes)>;

struct TFindEvents {
    // After every step, with the number of steps taken so far.
    std::function<void(int steps)> OnStep;
    // For each result line as it is found, with the line of the entry's
    // text that holds the match.
    std::function<void(const std::string& line, const QString& context)> OnFound;
    // Asked after every step; true ends the walk there.
    std::function<bool()> StopRequested;
    // Optional: whether the candidate named by numbers can be a member (the
    // year by its place in the list; month 0 is the year's summary, week 0 a
    // month's, day 0 a week's). A false answer passes the candidate over
    // without its name being made or read; it must be false only for names
    // that are no member. A candidate answered true is the next one read.
    std::function<bool(int yearIndex, int month, int week, int day)> MayExist;
};

// The candidates an archive can answer, from its member names (in memory
// form, "\" separators): a bit per candidate of each listed year, so the
// walk asks in a few nanoseconds instead of hashing a name.
class TFindCandidates {
public:
    // `names[i]` is the member at index i.
    TFindCandidates(const std::vector<std::string>& years, const std::vector<std::string>& names);
    bool MayExist(int yearIndex, int month, int week, int day) const {
        return Member(yearIndex, month, week, day) >= 0;
    }
    // The index of the member the candidate names (the first, when letter
    // case makes two names one), or -1.
    int Member(int yearIndex, int month, int week, int day) const;

private:
    static int Slot(int month, int week, int day) { return (month * 7 + week) * 32 + day; }
    static constexpr int SlotsPerYear = 13 * 7 * 32;
    std::vector<int> members_;
};

struct TFindResult {
    std::vector<std::string> Lines; // member paths less ".rtf", in walk order
    int Steps = 0;                  // steps taken
    bool Stopped = false;           // StopRequested ended the walk
    std::string Error;              // why the walk stopped early, else empty
};

// The result line of a member path: the path less its last four characters.
std::string ResultLine(const std::string& memberPath);

// The line (paragraph) of `text` that holds position `at`, its blanks
// trimmed; a long one is cut around the match to at most `limit` characters,
// with "…" where it was cut.
QString MatchContext(const QString& text, qsizetype at, qsizetype length, int limit = 120);

// The members (indexes into the names `candidates` was made from) a walk
// with these options reads, in the order it reads them, so that a search
// can prepare them ahead (the keys of protected members).
std::vector<int> FindReadOrder(const std::vector<std::string>& years, const TFindOptions& options,
                               const TFindCandidates& candidates);

// Walks `years` in list order and searches the candidates the options
// select. An exception of the reader leaves the walk; what was found until
// then has reached OnFound.
TFindResult FindInFiles(const std::vector<std::string>& years, const TFindOptions& options,
                        const TMemberReader& read, const TFindEvents& events = {});
