// One language's spelling, by Hunspell over an installed dictionary, with
// the words the user added (the personal word list) and the words ignored
// for this run. No widgets.
//
// A paragraph is checked word by word on every change, and a diary uses
// the same few thousand words over and over: each word's answer is kept, so
// Hunspell is asked once per word and run.
#pragma once

#include "editor/spell_dictionaries.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

class Hunspell;

constexpr int kMaxSuggestions = 7;

class TSpellChecker {
public:
    explicit TSpellChecker(const TDictionary& dictionary);
    ~TSpellChecker();
    TSpellChecker(const TSpellChecker&) = delete;
    TSpellChecker& operator=(const TSpellChecker&) = delete;

    // False when the dictionary's files could not be read.
    bool Valid() const { return valid_; }
    const QString& Language() const { return language_; }

    bool IsCorrect(QStringView word);
    // Hunspell's suggestions, best first, at most `max`.
    QStringList Suggestions(const QString& word, int max = kMaxSuggestions);
    // A word accepted from now on (the personal word list's words).
    void AddWord(const QString& word);
    // A word accepted for this run only.
    void IgnoreWord(const QString& word);

private:
    // The word in the dictionary's encoding; false when it cannot be written there.
    bool Encode(const QString& word, std::string& out) const;
    QString Decode(const std::string& bytes) const;

    std::unique_ptr<Hunspell> hunspell_;
    QString language_;
    bool valid_ = false;
    bool utf8_ = true; // else ISO 8859-1, the only other encoding Qt converts without ICU
    // Looked up by a view of the paragraph's text: no string is made for a
    // word already known.
    struct THash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view s) const {
            return std::hash<std::u16string_view>{}(s);
        }
    };
    std::unordered_map<std::u16string, bool, THash, std::equal_to<>> answers_;
    QSet<QString> ignored_;
};
