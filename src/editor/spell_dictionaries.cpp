#include "editor/spell_dictionaries.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

QStringList& Folders() {
    static QStringList folders{"/usr/share/hunspell", "/usr/share/myspell",
                               "/usr/share/myspell/dicts"};
    return folders;
}

QString LanguagePart(const QString& language) {
    return language.section(u'_', 0, 0).section(u'-', 0, 0).toLower();
}

} // namespace

QStringList DictionaryFolders() {
    return Folders();
}

void SetDictionaryFolders(const QStringList& folders) {
    Folders() = folders;
}

std::vector<TDictionary> InstalledDictionaries() {
    std::vector<TDictionary> found;
    for (const QString& folder : Folders()) {
        const QDir dir(folder);
        for (const QFileInfo& dic : dir.entryInfoList({"*.dic"}, QDir::Files | QDir::Readable)) {
            const QString language = dic.completeBaseName();
            const QString aff = dir.filePath(language + ".aff");
            // hyph_*.dic are hyphenation patterns, not word lists.
            if (language.startsWith("hyph_") || !QFileInfo(aff).isReadable()) continue;
            const bool known = std::any_of(found.begin(), found.end(), [&](const TDictionary& d) {
                return d.Language == language || QFileInfo(d.DicFile) == dic;
            });
            if (!known) found.push_back({language, aff, dic.absoluteFilePath()});
        }
    }
    std::sort(found.begin(), found.end(),
              [](const TDictionary& a, const TDictionary& b) { return a.Language < b.Language; });
    return found;
}

std::optional<TDictionary> DictionaryFor(const QString& wanted,
                                         const std::vector<TDictionary>& installed) {
    if (installed.empty()) return std::nullopt;
    const QString language = wanted.isEmpty() ? SystemLanguage() : wanted;
    for (const TDictionary& d : installed)
        if (d.Language == language) return d;
    for (const TDictionary& d : installed)
        if (LanguagePart(d.Language) == LanguagePart(language)) return d;
    for (const TDictionary& d : installed)
        if (d.Language == "en_US") return d;
    return installed.front();
}

QString SystemLanguage() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) return "en_US";
    return system.name(); // "de_DE"
}

QString DictionaryPackage(const QString& language) {
    QString name = language.isEmpty() ? SystemLanguage() : language;
    return "hunspell-" + name.replace(u'_', u'-').toLower();
}

QString LanguageTitle(const QString& language) {
    const QLocale locale(language);
    if (locale.language() == QLocale::C) return language;
    QString title = QLocale::languageToString(locale.language());
    if (language.contains(u'_') || language.contains(u'-'))
        title += " (" + QLocale::territoryToString(locale.territory()) + ")";
    return title + " - " + language;
}
