#include "ui/entry_title.h"

#include "platform/codepage.h"

#include <QDate>

QString EntryTitle(const TEntryKey& key, TEntryLevel level, const QLocale& locale) {
    // A week's or a month's key may carry day 1 or any day of it; the month
    // and year are what name them.
    const QDate day(key.Year, key.Month, key.Day);
    const QDate month(key.Year, key.Month, 1);
    switch (level) {
    case TEntryLevel::elDay:
        return locale.toString(day, "dddd d MMMM yyyy");
    case TEntryLevel::elWeek:
        return QString("Week %1 of %2").arg(key.Week).arg(locale.toString(month, "MMMM yyyy"));
    case TEntryLevel::elMonth:
        return locale.toString(month, "MMMM yyyy");
    case TEntryLevel::elYear:
        return QString::number(key.Year);
    }
    return {};
}

QString EntryFileName(const TEntryKey& key, TEntryLevel level) {
    const QString year = QString::number(key.Year);
    const QString month = year + QString("-%1").arg(key.Month, 2, 10, QChar('0'));
    switch (level) {
    case TEntryLevel::elDay:
        return month + QString("-%1").arg(key.Day, 2, 10, QChar('0'));
    case TEntryLevel::elWeek:
        return month + QString("-Week%1").arg(key.Week);
    case TEntryLevel::elMonth:
        return month;
    case TEntryLevel::elYear:
        return year;
    }
    return {};
}

QString EntryTitleOf(const std::string& member, const QLocale& locale) {
    TEntryKey key;
    TEntryLevel level;
    if (ParseMemberPath(member, key, level)) return EntryTitle(key, level, locale);
    return QString::fromStdString(AnsiToUtf8(member));
}
