#include "editor/spell_personal.h"

#include "platform/file_replace.h"
#include "platform/user_folders.h"

#include <QFile>

#include <cstring>

QString PersonalDictionaryPath() {
    return QString::fromStdString(ConfigFolder()) + PersonalDictionaryFileName;
}

QStringList ReadPersonalWords() {
    QFile file(PersonalDictionaryPath());
    QStringList words;
    if (!file.open(QIODevice::ReadOnly)) return words;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString word = QString::fromUtf8(line).trimmed();
        if (!word.isEmpty() && !words.contains(word)) words << word;
    }
    return words;
}

QString AddPersonalWord(const QString& word) {
    QStringList words = ReadPersonalWords();
    if (words.contains(word)) return {};
    words << word;
    const QByteArray bytes = (words.join('\n') + '\n').toUtf8();
    const std::string path = PersonalDictionaryPath().toStdString();
    const TReplaceResult r =
        ReplaceFileWhole(path, std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (r) return {};
    return "Cannot write " + QString::fromStdString(r.File) + ": " +
           QString::fromLocal8Bit(std::strerror(r.Error));
}
