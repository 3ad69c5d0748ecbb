// The walk of find in files without widgets: which names are tried, in what
// order, how progress counts, what stops it; then the same walk over a real
// archive through the engine's reader.
#include "search/find_walk.h"
#include "support/archive_store.h"
#include "support/test_support.h"
#include "zip/stream.h"
#include "zip/zip_reader.h"
#include "zip/zip_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>

namespace {

std::string Rtf(const std::string& text) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 " + text + "\\par}";
}

// A diary in memory: members by name; records every name tried.
struct TFakeDiary {
    std::map<std::string, std::string> Members;
    std::vector<std::string> Tried;

    TMemberReader Reader() {
        return [this](const std::string& path, std::string_view& bytes) {
            Tried.push_back(path);
            auto it = Members.find(path);
            if (it == Members.end()) return false;
            bytes = it->second;
            return true;
        };
    }
    std::set<std::string> TriedSet() const { return {Tried.begin(), Tried.end()}; }
};

bool IsSummary(const std::string& path) {
    return path.ends_with("Summary.rtf");
}

// The day names tried, as (month, day) pairs with how many week folders each.
std::map<std::pair<int, int>, int> DaysTried(const std::vector<std::string>& tried) {
    std::map<std::pair<int, int>, int> days;
    for (const std::string& p : tried) {
        if (IsSummary(p)) continue;
        int y = 0, m = 0, w = 0, d = 0;
        EXPECT_EQ(std::sscanf(p.c_str(), "%d\\%d\\Week%d\\%d.rtf", &y, &m, &w, &d), 4) << p;
        ++days[{m, d}];
    }
    return days;
}

TFindOptions Range(TFindDate start, TFindDate end) {
    TFindOptions o;
    o.Text = "rain";
    o.Range = true;
    o.Start = start;
    o.End = end;
    return o;
}

TEST(FindWalk, DefaultOptionsTryEveryDayOfEveryListedYearAndNoSummary) {
    TFakeDiary diary;
    TFindOptions o;
    o.Text = "rain";
    const TFindResult r = FindInFiles({"1999", "2000"}, o, diary.Reader());
    EXPECT_EQ(diary.Tried.size(), 2u * 12 * 6 * 31);
    EXPECT_EQ(diary.TriedSet().size(), diary.Tried.size());
    EXPECT_TRUE(std::none_of(diary.Tried.begin(), diary.Tried.end(), IsSummary));
    EXPECT_EQ(diary.Tried.front(), "1999\\1\\Week1\\1.rtf");
    EXPECT_EQ(diary.Tried[31], "1999\\1\\Week2\\1.rtf");
    EXPECT_EQ(diary.Tried.back(), "2000\\12\\Week6\\31.rtf");
    EXPECT_EQ(r.Steps, 2 * 2317); // every step counted: 1 + 12 × (1 + 6 × (1 + 31))
    EXPECT_FALSE(r.Stopped);
    EXPECT_TRUE(r.Error.empty());
}

TEST(FindWalk, EveryBoxCheckedTriesSummariesInWalkOrder) {
    TFakeDiary diary;
    TFindOptions o;
    o.Text = "rain";
    o.Weekly = o.Monthly = o.Yearly = true;
    FindInFiles({"2000"}, o, diary.Reader());
    EXPECT_EQ(diary.Tried.size(), 1u + 12 * (1 + 6 * (1 + 31)));
    EXPECT_EQ(diary.Tried[0], "2000\\Summary.rtf");
    EXPECT_EQ(diary.Tried[1], "2000\\1\\Summary.rtf");
    EXPECT_EQ(diary.Tried[2], "2000\\1\\Week1\\Summary.rtf");
    EXPECT_EQ(diary.Tried[3], "2000\\1\\Week1\\1.rtf");
    EXPECT_EQ(diary.Tried[34], "2000\\1\\Week2\\Summary.rtf");
}

TEST(FindWalk, RangeAcrossAMonthEnd) {
    TFakeDiary diary;
    TFindOptions o = Range({2001, 1, 15}, {2001, 2, 10});
    FindInFiles({"2000", "2001", "2002"}, o, diary.Reader());
    std::map<std::pair<int, int>, int> expected;
    for (int d = 15; d <= 31; ++d)
        expected[{1, d}] = 6;
    for (int d = 1; d <= 10; ++d)
        expected[{2, d}] = 6;
    EXPECT_EQ(DaysTried(diary.Tried), expected);
    for (const std::string& p : diary.Tried)
        EXPECT_TRUE(p.starts_with("2001\\")) << p;

    // with month summaries: January's and February's, nothing else
    TFakeDiary summaries;
    o.Daily = false;
    o.Monthly = true;
    const TFindResult r = FindInFiles({"2000", "2001", "2002"}, o, summaries.Reader());
    EXPECT_EQ(summaries.Tried,
              (std::vector<std::string>{"2001\\1\\Summary.rtf", "2001\\2\\Summary.rtf"}));
    // steps: two skipped years, one year with two walked months
    EXPECT_EQ(r.Steps, 1 + 1 + (1 + 12 + 2 * 6 * 32));
}

TEST(FindWalk, RangeWithinOneDay) {
    TFakeDiary diary;
    TFindOptions o = Range({2000, 3, 15}, {2000, 3, 15});
    o.Weekly = o.Monthly = o.Yearly = true;
    FindInFiles({"2000"}, o, diary.Reader());
    std::vector<std::string> expected = {"2000\\Summary.rtf", "2000\\3\\Summary.rtf"};
    for (int w = 1; w <= 6; ++w) {
        expected.push_back("2000\\3\\Week" + std::to_string(w) + "\\Summary.rtf");
        expected.push_back("2000\\3\\Week" + std::to_string(w) + "\\15.rtf");
    }
    EXPECT_EQ(diary.Tried, expected);
}

TEST(FindWalk, ResultsComeInWalkOrderWithoutRtf) {
    TFakeDiary diary;
    for (const char* p :
         {"2000\\3\\Week3\\15.rtf", "2000\\3\\Week3\\Summary.rtf", "2000\\3\\Summary.rtf",
          "2000\\Summary.rtf", "2000\\3\\Week1\\2.rtf", "1999\\12\\Week5\\31.rtf"})
        diary.Members[p] = Rtf("More Rain today.");
    diary.Members["2000\\3\\Week3\\16.rtf"] = Rtf("a rainy day");      // not a whole word
    diary.Members["2000\\3\\Week3\\17.rtf"] = Rtf("R{\\b ai}n again"); // split by formatting
    TFindOptions o;
    o.Text = "rain";
    o.Weekly = o.Monthly = o.Yearly = true;
    std::vector<std::string> found;
    TFindEvents events;
    events.OnFound = [&](const std::string& line, const QString&) { found.push_back(line); };
    const TFindResult r = FindInFiles({"1999", "2000"}, o, diary.Reader(), events);
    const std::vector<std::string> expected = {
        "1999\\12\\Week5\\31",     "2000\\Summary",      "2000\\3\\Summary",  "2000\\3\\Week1\\2",
        "2000\\3\\Week3\\Summary", "2000\\3\\Week3\\15", "2000\\3\\Week3\\17"};
    EXPECT_EQ(r.Lines, expected);
    EXPECT_EQ(found, expected);
}

TEST(FindWalk, StopRequestEndsTheWalkAtTheNextStep) {
    TFakeDiary diary;
    TFindEvents events;
    int steps = 0;
    events.OnStep = [&](int taken) { steps = taken; };
    events.StopRequested = [&] { return steps == 40; };
    const TFindResult r = FindInFiles({"2000", "2001"}, TFindOptions{}, diary.Reader(), events);
    EXPECT_TRUE(r.Stopped);
    EXPECT_EQ(r.Steps, 40);
    // steps 1-3 are the year, the month and week 1; 4-34 its days, 35 week 2,
    // 36-39 its first four days; step 40 stops before its day is tried
    EXPECT_EQ(diary.Tried.size(), 35u);
}

// ---- over a real archive ----

class FindWalkArchive : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    std::string archive = dir.file("Daybank.zip");

    void Store(const std::string& member, const std::string& bytes,
               const std::string& password = {}) {
        testsupport::Store(archive, member, bytes, password);
    }
    static TMemberReader Reader(TZipReader& reader) {
        auto stream = std::make_shared<TMemoryStream>();
        return [&reader, stream](const std::string& path, std::string_view& bytes) {
            stream->Clear();
            if (reader.ExtractToStream(stream.get(), path) != 1) return false;
            bytes = std::string_view(reinterpret_cast<const char*>(stream->Bytes().data()),
                                     stream->Bytes().size());
            return true;
        };
    }
};

TEST_F(FindWalkArchive, NamesThatAreNotMembersAreAnsweredFromTheDirectory) {
    Store("2000\\3\\Week3\\15.rtf", Rtf("rain"));
    Store("2000\\3\\Week3\\Summary.rtf", Rtf("rain all week"));
    TZipReader reader;
    reader.SetZipName(archive);
    reader.KeepZipOpen = true;
    TFindOptions o;
    o.Text = "rain";
    o.Weekly = o.Monthly = o.Yearly = true;
    TFindResult r = FindInFiles({"2000"}, o, Reader(reader));
    EXPECT_EQ(r.Lines, (std::vector<std::string>{"2000\\3\\Week3\\Summary", "2000\\3\\Week3\\15"}));
    EXPECT_EQ(reader.DirectoryReads(), 1); // 2317 names, one directory read

    // Every byte before the directory made unreadable: the 2315 names that
    // are not members still come back "no member", without an error, so
    // none of them touched a member's header or data.
    reader.CloseArchive();
    std::string bytes = testsupport::ReadFile(archive);
    const std::size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(central, std::string::npos);
    std::fill(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(central), '\xFF');
    testsupport::WriteFile(archive, bytes);
    TZipReader fresh;
    fresh.SetZipName(archive);
    fresh.KeepZipOpen = true;
    int tried = 0;
    const TMemberReader counting = [&](const std::string& path, std::string_view& out) {
        if (path == "2000\\3\\Week3\\15.rtf" || path == "2000\\3\\Week3\\Summary.rtf") return false;
        ++tried;
        return Reader(fresh)(path, out);
    };
    r = FindInFiles({"2000"}, o, counting);
    EXPECT_TRUE(r.Lines.empty());
    EXPECT_EQ(tried, 2317 - 2);
}

} // namespace

TEST(FindWalk, TheContextIsTheLineOfTheMatchCutAroundItWhenLong) {
    EXPECT_EQ(MatchContext("first\n  it will rain \nlast", 14, 4), "it will rain");
    EXPECT_EQ(MatchContext("rain", 0, 4), "rain");
    const QString longLine = QString(200, 'a') + " rain " + QString(200, 'b');
    const QString cut = MatchContext(longLine, 201, 4, 60);
    EXPECT_EQ(cut.size(), 60);
    EXPECT_TRUE(cut.startsWith(QChar(0x2026)));
    EXPECT_TRUE(cut.endsWith(QChar(0x2026)));
    EXPECT_TRUE(cut.contains(" rain "));
}

TEST(FindWalk, CandidatesAnswerOnlyForNamesTheArchiveHolds) {
    const TFindCandidates c({"2000", "abcd"},
                            {"2000\\Summary.rtf", "2000\\3\\SUMMARY.RTF", "2000\\3\\week2\\7.rtf",
                             "2000\\3\\Week1\\15.rtf", "abcd\\1\\Week1\\Summary.rtf",
                             "2000\\03\\Summary.rtf", "Template.rtf", "2000\\3\\Week7\\1.rtf"});
    EXPECT_TRUE(c.MayExist(0, 0, 0, 0));
    EXPECT_TRUE(c.MayExist(0, 3, 0, 0)); // letter case ignored, as the reader does
    EXPECT_TRUE(c.MayExist(0, 3, 2, 7));
    EXPECT_TRUE(c.MayExist(0, 3, 1, 15)); // a day under the wrong week is still tried
    EXPECT_TRUE(c.MayExist(1, 1, 1, 0));
    EXPECT_FALSE(c.MayExist(0, 3, 3, 15));
    EXPECT_FALSE(c.MayExist(1, 0, 0, 0));
    EXPECT_FALSE(c.MayExist(2, 0, 0, 0)); // past the list
}
