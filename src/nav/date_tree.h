// The date tree's texts, without widgets: month names and the year list's
// years. The calendar arithmetic the tree's nodes follow (month lengths,
// weeks of a month, days of a week) is the store's (store/calendar.h), so
// that the tree and the entry names cannot disagree.
#pragma once

#include "store/calendar.h"

#include <QDate>

#include <chrono>
#include <string>
#include <vector>

// "January" to "December", fixed English texts.
extern const char* const MonthNames[12];

// 1 to 12 by exact (case-sensitive) name; a text that matches none gives 1.
int MonthNumber(const std::string& text);

// A date of the widgets as the store's calendar date.
std::chrono::year_month_day Ymd(const QDate& date);

// Whether `year` equals the integer value of one of `years`, going through
// them in order and stopping at the first match. A string met before the
// match that is no integer raises the conversion message
// "'<text>' is not a valid integer value".
bool YearIncluded(const std::vector<std::string>& years, int year);
