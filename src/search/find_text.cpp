#include "search/find_text.h"

#include "rtf/rtf_text_rules.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace {

// Case folding of every UTF-16 unit, as QString compares them ignoring case.
const std::array<char16_t, 0x10000>& Folding() {
    static const std::array<char16_t, 0x10000> table = [] {
        std::array<char16_t, 0x10000> t{};
        for (std::size_t u = 0; u < t.size(); ++u)
            t[u] = QChar(static_cast<char16_t>(u)).toCaseFolded().unicode();
        return t;
    }();
    return table;
}

// Every unit with its folding, ordered by folding: the units that fold alike
// lie together.
const std::vector<std::pair<char16_t, char16_t>>& UnitsByFolding() {
    static const std::vector<std::pair<char16_t, char16_t>> units = [] {
        std::vector<std::pair<char16_t, char16_t>> v;
        const auto& fold = Folding();
        for (std::size_t u = 0; u < fold.size(); ++u)
            if (!QChar::isSurrogate(static_cast<char32_t>(u)))
                v.emplace_back(fold[u], static_cast<char16_t>(u));
        std::sort(v.begin(), v.end());
        return v;
    }();
    return units;
}

} // namespace

TWordFinder::TWordFinder(QString text) : text_(std::move(text)) {
    const auto& fold = Folding();
    for (QChar c : text_) {
        surrogates_ = surrogates_ || c.isSurrogate();
        folded_.push_back(fold[c.unicode()]);
    }
    if (folded_.empty() || surrogates_) return;
    const auto& units = UnitsByFolding();
    const auto first =
        std::lower_bound(units.begin(), units.end(), std::make_pair(folded_[0], char16_t(0)));
    for (auto it = first; it != units.end() && it->first == folded_[0]; ++it)
        firstUnits_.push_back(it->second);
}

qsizetype TWordFinder::IndexOf(const QString& in, qsizetype from) const {
    return Scan(in, from, false);
}

qsizetype TWordFinder::Find(const QString& in, qsizetype from) const {
    if (text_.isEmpty() || from < 0 || from > in.size()) return -1;
    return Scan(in, from, true);
}

qsizetype TWordFinder::Scan(const QString& in, qsizetype from, bool wholeWord) const {
    const qsizetype m = static_cast<qsizetype>(folded_.size());
    // A match whose neighbours are letters, digits or "_" is not a whole word.
    auto alone = [&](qsizetype at) { return !wholeWord || rtf::IsWholeWord(in, at, m); };
    if (surrogates_) {
        for (qsizetype at = in.indexOf(text_, from, Qt::CaseInsensitive); at >= 0;
             at = in.indexOf(text_, at + 1, Qt::CaseInsensitive))
            if (alone(at)) return at;
        return -1;
    }
    if (from < 0 || from > in.size() - m) return -1;
    const auto& fold = Folding();
    const char16_t* h = reinterpret_cast<const char16_t*>(in.constData());
    const qsizetype last = in.size() - m;
    const char16_t* const f = folded_.data();
    // Surrogate units fold to themselves and never equal a unit of the text.
    auto matches = [&](qsizetype at) {
        for (qsizetype k = 1; k < m; ++k)
            if (fold[h[at + k]] != f[k]) return false;
        return alone(at);
    };
    if (firstUnits_.size() <= 3) {
        // Each unit the text may start with is looked for on its own with
        // QString's vectorised character search; the nearest is tried first,
        // and only that unit is looked for again.
        const QStringView view(in);
        constexpr qsizetype none = std::numeric_limits<qsizetype>::max();
        const std::size_t k = firstUnits_.size();
        qsizetype next[3] = {none, none, none};
        auto seek = [&](std::size_t i, qsizetype start) {
            const qsizetype at = view.indexOf(QChar(firstUnits_[i]), start);
            next[i] = at < 0 ? none : at;
        };
        for (std::size_t i = 0; i < k; ++i)
            seek(i, from);
        for (;;) {
            const qsizetype at = *std::min_element(next, next + k);
            if (at == none || at > last) return -1;
            if (matches(at)) return at;
            for (std::size_t i = 0; i < k; ++i)
                if (next[i] == at) seek(i, at + 1);
        }
    }
    for (qsizetype at = from; at <= last; ++at)
        if (fold[h[at]] == f[0] && matches(at)) return at;
    return -1;
}

qsizetype FindWholeWord(const QString& in, const QString& text, qsizetype from) {
    return TWordFinder(text).Find(in, from);
}
