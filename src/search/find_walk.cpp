#include "search/find_walk.h"

#include "platform/ascii.h"
#include "platform/str_to_int.h"
#include "search/find_text.h"
#include "store/entry_key.h"

#include <algorithm>
#include <string_view>

namespace {

class TWalk {
public:
    TWalk(const TFindOptions& options, const TMemberReader& read, const TFindEvents& events)
        : options_(options), read_(read), events_(events), finder_(options.Text) {}

    TFindResult Run(const std::vector<std::string>& years) {
        for (std::size_t i = 0; i < years.size(); ++i) {
            yearIndex_ = static_cast<int>(i);
            if (!Year(years[i])) break;
        }
        return std::move(result_);
    }

private:
    // False when the walk must end.
    bool Step() {
        ++result_.Steps;
        if (events_.OnStep) events_.OnStep(result_.Steps);
        if (events_.StopRequested && events_.StopRequested()) {
            result_.Stopped = true;
            return false;
        }
        return true;
    }

    bool Year(const std::string& y) {
        if (!Step()) return false;
        int year = 0;
        if (options_.Range) {
            if (!TryStrToInt(y, year)) {
                result_.Error = NotAnIntegerMessage(y);
                return false;
            }
            if (year < options_.Start.Year || year > options_.End.Year) return true;
        }
        if (options_.Yearly && May(0, 0, 0)) Search(MemberPath(y, 0, 0, 0, TEntryLevel::elYear));
        for (int m = 1; m <= 12; ++m)
            if (!Month(y, year, m)) return false;
        return true;
    }

    bool Month(const std::string& y, int year, int m) {
        if (!Step()) return false;
        if (options_.Range) {
            const TFindDate month{year, m, 0};
            const TFindDate first{options_.Start.Year, options_.Start.Month, 0};
            const TFindDate last{options_.End.Year, options_.End.Month, 0};
            if (month < first || month > last) return true;
        }
        if (options_.Monthly && May(m, 0, 0)) Search(MemberPath(y, m, 0, 0, TEntryLevel::elMonth));
        for (int w = 1; w <= 6; ++w) {
            // Week summaries are not filtered beyond their month.
            if (!Step()) return false;
            if (options_.Weekly && May(m, w, 0))
                Search(MemberPath(y, m, w, 0, TEntryLevel::elWeek));
            for (int d = 1; d <= 31; ++d) {
                if (!Step()) return false;
                if (options_.Range) {
                    const TFindDate day{year, m, d};
                    if (day < options_.Start || day > options_.End) continue;
                }
                if (options_.Daily && May(m, w, d))
                    Search(MemberPath(y, m, w, d, TEntryLevel::elDay));
            }
        }
        return true;
    }

    bool May(int m, int w, int d) const {
        return !events_.MayExist || events_.MayExist(yearIndex_, m, w, d);
    }

    void Search(const std::string& path) {
        std::string_view bytes;
        if (!read_(path, bytes)) return;
        const QString text = EntryText(bytes);
        const qsizetype at = finder_.Find(text);
        if (at < 0) return;
        result_.Lines.push_back(ResultLine(path));
        if (events_.OnFound)
            events_.OnFound(result_.Lines.back(), MatchContext(text, at, options_.Text.size()));
    }

    const TFindOptions& options_;
    const TMemberReader& read_;
    const TFindEvents& events_;
    const TWordFinder finder_;
    TFindResult result_;
    int yearIndex_ = 0;
};

} // namespace

std::string ResultLine(const std::string& memberPath) {
    return memberPath.size() >= 4 ? memberPath.substr(0, memberPath.size() - 4) : std::string();
}

QString MatchContext(const QString& text, qsizetype at, qsizetype length, int limit) {
    // The entry's text has one line per paragraph; a line break inside one
    // ends the line too.
    const auto isBreak = [](QChar c) { return c == u'\n' || c == QChar(0x2029) || c == u'\r'; };
    qsizetype begin = at, end = at + length;
    while (begin > 0 && !isBreak(text[begin - 1]))
        --begin;
    while (end < text.size() && !isBreak(text[end]))
        ++end;
    while (begin < at && text[begin].isSpace())
        ++begin;
    while (end > at + length && text[end - 1].isSpace())
        --end;
    QString line = text.mid(begin, end - begin);
    if (line.size() <= limit) return line;
    // Cut around the match: a third of the room before it.
    qsizetype from = std::max<qsizetype>(0, (at - begin) - (limit - length) / 3);
    from = std::min(from, line.size() - limit);
    QString cut = line.mid(from, limit);
    if (from > 0) cut = QChar(0x2026) + cut.mid(1);
    if (from + limit < line.size()) cut = cut.left(cut.size() - 1) + QChar(0x2026);
    return cut;
}

TFindResult FindInFiles(const std::vector<std::string>& years, const TFindOptions& options,
                        const TMemberReader& read, const TFindEvents& events) {
    return TWalk(options, read, events).Run(years);
}

TFindCandidates::TFindCandidates(const std::vector<std::string>& years,
                                 const std::vector<std::string>& names)
    : members_(years.size() * SlotsPerYear, -1) {
    // The archive's own lookup ignores letter case, and so does this.
    std::vector<std::string> folded;
    for (const std::string& y : years)
        folded.push_back(AsciiLower(y));
    for (std::size_t index = 0; index < names.size(); ++index) {
        const std::string n = AsciiLower(names[index]);
        TMemberParts parts;
        if (!n.ends_with(".rtf") ||
            !SplitMemberPath(std::string_view(n).substr(0, n.size() - 4), parts, true))
            continue;
        for (std::size_t y = 0; y < folded.size(); ++y)
            if (folded[y] == parts.Year) {
                const int slotOf = Slot(parts.Month, parts.Week, parts.Day);
                int& slot = members_[y * SlotsPerYear + static_cast<std::size_t>(slotOf)];
                if (slot < 0) slot = static_cast<int>(index);
            }
    }
}

int TFindCandidates::Member(int yearIndex, int month, int week, int day) const {
    const std::size_t at = static_cast<std::size_t>(yearIndex) * SlotsPerYear +
                           static_cast<std::size_t>(Slot(month, week, day));
    return at < members_.size() ? members_[at] : -1;
}

std::vector<int> FindReadOrder(const std::vector<std::string>& years, const TFindOptions& options,
                               const TFindCandidates& candidates) {
    std::vector<int> order;
    int next = -1;
    TFindEvents events;
    events.MayExist = [&](int y, int m, int w, int d) {
        next = candidates.Member(y, m, w, d);
        return next >= 0;
    };
    const TMemberReader record = [&](const std::string&, std::string_view&) {
        order.push_back(next);
        return false;
    };
    FindInFiles(years, options, record, events);
    return order;
}
