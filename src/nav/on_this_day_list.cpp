#include "nav/on_this_day_list.h"

#include "nav/date_tree.h"
#include "platform/str_to_int.h"
#include "rtf/rtf_text.h"

#include <algorithm>

std::vector<TOnThisDayItem>
OnThisDay(const std::vector<std::string>& years, const QDate& date, const TEntryIndex& index,
          const std::function<std::optional<std::string>(const std::string&)>& read) {
    std::vector<int> earlier;
    for (const std::string& text : years) {
        int y = 0;
        if (TryStrToInt(text, y) && y < date.year() && y > 0) earlier.push_back(y);
    }
    std::sort(earlier.rbegin(), earlier.rend());
    earlier.erase(std::unique(earlier.begin(), earlier.end()), earlier.end());
    std::vector<TOnThisDayItem> items;
    for (int y : earlier) {
        const QDate day(y, date.month(), date.day());
        if (!day.isValid() || !index.HasDay(y, date.month(), date.day())) continue;
        TOnThisDayItem item;
        item.Date = day;
        item.Member = MemberPath(KeyForDate(Ymd(day)), TEntryLevel::elDay);
        item.Protected = index.Encrypted(item.Member);
        if (!item.Protected)
            if (const std::optional<std::string> rtf = read(item.Member))
                item.FirstLine = FirstLineOf(QString::fromStdString(RtfToPlainText(*rtf)));
        items.push_back(std::move(item));
    }
    return items;
}

QString FirstLineOf(const QString& text, int limit) {
    for (const QString& line : text.split('\n')) {
        const QString t = line.trimmed();
        if (t.isEmpty()) continue;
        return t.size() > limit ? t.left(limit - 1) + QChar(0x2026) : t;
    }
    return {};
}
