#include "nav/day_names.h"

TDayNameLength DayNamesThatFit(const QLocale& locale, int columnWidth,
                               const std::function<int(const QString&)>& textWidth) {
    for (int day = Qt::Monday; day <= Qt::Sunday; ++day)
        if (textWidth(locale.dayName(day, QLocale::ShortFormat)) > columnWidth)
            return TDayNameLength::Narrow;
    return TDayNameLength::Short;
}
