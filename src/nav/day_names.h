// Which of the locale's names of the weekdays a calendar's columns can hold:
// the short ones ("Mon") where each fits its column whole, else the narrow
// ones ("M"), so that no name is shown cut.
#pragma once

#include <QLocale>
#include <QString>
#include <functional>

enum class TDayNameLength { Short, Narrow };

// `textWidth` measures a name in the calendar's font; `columnWidth` is the
// room a name has in its column, in the same unit.
TDayNameLength DayNamesThatFit(const QLocale& locale, int columnWidth,
                               const std::function<int(const QString&)>& textWidth);
