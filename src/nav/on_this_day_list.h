// "On This Day": the entries of the same month and day in the earlier years
// of the year list, newest first, each with the first line of its text. Which
// days have an entry comes from the archive's directory; only the entries
// found are read, and a protected one is listed by its date alone.
#pragma once

#include "store/entry_index.h"

#include <QDate>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct TOnThisDayItem {
    QDate Date;
    std::string Member;     // "2019\12\Week2\8.rtf"
    bool Protected = false; // encrypted: not read, opened through the password prompt
    QString FirstLine;      // the first line of its text that is not blank
    QString Problem;        // why it could not be read ("it is damaged (CRC error)")
};

// `read` gives the RTF of an unencrypted member (nothing when it cannot be
// read). Years of the list that are no integer are passed over; 29 February
// is looked for only in leap years.
std::vector<TOnThisDayItem>
OnThisDay(const std::vector<std::string>& years, const QDate& date, const TEntryIndex& index,
          const std::function<std::optional<std::string>(const std::string&)>& read);

// The first line of the text that is not blank, trimmed, at most `limit`
// characters (cut with "…").
QString FirstLineOf(const QString& text, int limit = 80);
