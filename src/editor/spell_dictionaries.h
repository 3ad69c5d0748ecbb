// The spelling dictionaries installed on the system (Hunspell's .aff and
// .dic pairs, from Debian's hunspell-* packages), which one a language
// setting means, and the package to install when there is none. No widgets.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct TDictionary {
    QString Language; // "en_US", the file's base name
    QString AffFile;
    QString DicFile;
};

// Where dictionaries are looked for: Debian's folders, unless a test has
// set others.
QStringList DictionaryFolders();
void SetDictionaryFolders(const QStringList& folders);

// The dictionaries of those folders, each language once (the first folder
// wins), sorted by language.
std::vector<TDictionary> InstalledDictionaries();

// The dictionary for `language` ("en_US"; empty: the system's locale): the
// exact one, else one of the same language ("en_GB" for "en_US"), else the
// English one of the United States, else the first; nothing when none is
// installed.
std::optional<TDictionary> DictionaryFor(const QString& language,
                                         const std::vector<TDictionary>& installed);

// The system locale as a dictionary name ("de_DE"; "en_US" for the C locale).
QString SystemLanguage();

// The Debian package that holds the dictionary of `language`: "hunspell-de-de".
QString DictionaryPackage(const QString& language);

// A language's name for people: "English (United States) - en_US".
QString LanguageTitle(const QString& language);
