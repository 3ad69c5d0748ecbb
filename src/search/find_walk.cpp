#include "search/find_walk.h"

#include "platform/str_to_int.h"
#include "search/find_text.h"

namespace {

class TWalk {
public:
    TWalk(const TFindOptions& options, const TMemberReader& read, const TFindEvents& events)
        : options_(options), read_(read), events_(events), finder_(options.Text) {}

    TFindResult Run(const std::vector<std::string>& years) {
        for (const std::string& y : years)
            if (!Year(y)) break;
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
                result_.Error = "'" + y + "' is not a valid integer value";
                return false;
            }
            if (year < options_.Start.Year || year > options_.End.Year) return true;
        }
        const std::string prefix = y + '\\';
        if (options_.Yearly) Search(prefix + "Summary.rtf");
        for (int m = 1; m <= 12; ++m)
            if (!Month(prefix, year, m)) return false;
        return true;
    }

    bool Month(const std::string& yearPrefix, int year, int m) {
        if (!Step()) return false;
        if (options_.Range) {
            const TFindDate month{year, m, 0};
            const TFindDate first{options_.Start.Year, options_.Start.Month, 0};
            const TFindDate last{options_.End.Year, options_.End.Month, 0};
            if (month < first || month > last) return true;
        }
        const std::string prefix = yearPrefix + std::to_string(m) + '\\';
        if (options_.Monthly) Search(prefix + "Summary.rtf");
        for (int w = 1; w <= 6; ++w) {
            // Week summaries are not filtered beyond their month.
            if (!Step()) return false;
            const std::string weekPrefix = prefix + "Week" + std::to_string(w) + '\\';
            if (options_.Weekly) Search(weekPrefix + "Summary.rtf");
            for (int d = 1; d <= 31; ++d) {
                if (!Step()) return false;
                if (options_.Range) {
                    const TFindDate day{year, m, d};
                    if (day < options_.Start || day > options_.End) continue;
                }
                if (options_.Daily) Search(weekPrefix + std::to_string(d) + ".rtf");
            }
        }
        return true;
    }

    void Search(const std::string& path) {
        std::string_view bytes;
        if (!read_(path, bytes)) return;
        if (finder_.Find(EntryText(bytes)) < 0) return;
        result_.Lines.push_back(ResultLine(path));
        if (events_.OnFound) events_.OnFound(result_.Lines.back());
    }

    const TFindOptions& options_;
    const TMemberReader& read_;
    const TFindEvents& events_;
    const TWordFinder finder_;
    TFindResult result_;
};

} // namespace

std::string ResultLine(const std::string& memberPath) {
    return memberPath.size() >= 4 ? memberPath.substr(0, memberPath.size() - 4) : std::string();
}

TFindResult FindInFiles(const std::vector<std::string>& years, const TFindOptions& options,
                        const TMemberReader& read, const TFindEvents& events) {
    return TWalk(options, read, events).Run(years);
}
