// How a person names an entry: by its date, never by its member path.
// "Wednesday 9 December 2026", "Week 2 of December 2026", "December 2026",
// "2026". Every text a user reads that names an entry (window title,
// questions, messages, printed and exported headings, lists) comes from here;
// Find in Files keeps the member path it matches on.
#pragma once

#include "store/entry_key.h"

#include <QLocale>
#include <QString>
#include <string>

// The names of days and months come from `locale`, the system's by default;
// exports pass a fixed one so that a document reads the same everywhere.
QString EntryTitle(const TEntryKey& key, TEntryLevel level, const QLocale& locale = QLocale());

// The name a file made of one entry gets by default, sorting by date:
// "2026-12-09", "2026-12-Week2", "2026-12", "2026" (no extension).
QString EntryFileName(const TEntryKey& key, TEntryLevel level);

// The entry a member path names, as EntryTitle gives it; a member that
// names no entry ("Template.rtf", a copy kept beside an entry) by its path.
QString EntryTitleOf(const std::string& member, const QLocale& locale = QLocale());
