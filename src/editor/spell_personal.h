// The personal word list: words the user added to the dictionary, one per
// line (UTF-8) in "Dictionary.txt" of the program's configuration folder,
// kept across runs and for every language. The file is replaced whole, so it
// is never left half-written; a word is added to what the file holds at that
// moment. No widgets.
#pragma once

#include <QString>
#include <QStringList>

constexpr const char* PersonalDictionaryFileName = "Dictionary.txt";

// The file's full path.
QString PersonalDictionaryPath();

// Its words; none when there is no file.
QStringList ReadPersonalWords();

// Adds `word` to the file (once); the error text when it cannot be written.
QString AddPersonalWord(const QString& word);
