#include "editor/spell_checker.h"

#include <QFileInfo>

#include <hunspell.hxx>

TSpellChecker::TSpellChecker(const TDictionary& dictionary) : language_(dictionary.Language) {
    if (!QFileInfo(dictionary.AffFile).isReadable() || !QFileInfo(dictionary.DicFile).isReadable())
        return;
    hunspell_ = std::make_unique<Hunspell>(QFile::encodeName(dictionary.AffFile).constData(),
                                           QFile::encodeName(dictionary.DicFile).constData());
    const QString encoding = QString::fromStdString(hunspell_->get_dict_encoding()).toUpper();
    utf8_ = encoding == "UTF-8" || encoding == "UTF8";
    valid_ = utf8_ || encoding == "ISO8859-1" || encoding == "ISO-8859-1";
}

TSpellChecker::~TSpellChecker() = default;

bool TSpellChecker::Encode(const QString& word, std::string& out) const {
    if (utf8_) {
        out = word.toStdString();
        return true;
    }
    for (QChar c : word)
        if (c.unicode() > 0xFF) return false;
    out = word.toLatin1().toStdString();
    return true;
}

QString TSpellChecker::Decode(const std::string& bytes) const {
    return utf8_ ? QString::fromStdString(bytes)
                 : QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool TSpellChecker::IsCorrect(QStringView word) {
    if (!valid_) return true;
    const std::u16string_view key(reinterpret_cast<const char16_t*>(word.data()),
                                  static_cast<std::size_t>(word.size()));
    const auto known = answers_.find(key);
    if (known != answers_.end()) return known->second;
    const QString text = word.toString();
    std::string bytes;
    // A word the dictionary cannot even write is not its language's: not marked.
    const bool correct = ignored_.contains(text) || !Encode(text, bytes) || hunspell_->spell(bytes);
    answers_.emplace(std::u16string(key), correct);
    return correct;
}

QStringList TSpellChecker::Suggestions(const QString& word, int max) {
    QStringList out;
    std::string bytes;
    if (!valid_ || !Encode(word, bytes)) return out;
    for (const std::string& s : hunspell_->suggest(bytes)) {
        if (out.size() >= max) break;
        out << Decode(s);
    }
    return out;
}

void TSpellChecker::AddWord(const QString& word) {
    std::string bytes;
    if (valid_ && Encode(word, bytes)) hunspell_->add(bytes);
    ignored_.insert(word); // also when the dictionary cannot hold it
    answers_.clear();      // its other forms ("Word" for "word") may be right now
}

void TSpellChecker::IgnoreWord(const QString& word) {
    ignored_.insert(word);
    answers_.insert_or_assign(std::u16string(reinterpret_cast<const char16_t*>(word.utf16()),
                                             static_cast<std::size_t>(word.size())),
                              true);
}
