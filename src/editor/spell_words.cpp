#include "editor/spell_words.h"

namespace spellwords {

bool IsNoWords(QStringView chunk) {
    for (qsizetype i = 0; i < chunk.size(); ++i) {
        const QChar c = chunk[i];
        if (c.isDigit() || c == u'@' || c == u'/' || c == u'\\' || c == u'_') return true;
        if (c == u'.' && i > 0 && i + 1 < chunk.size() && IsLetter(chunk[i - 1]) &&
            IsLetter(chunk[i + 1]))
            return true;
    }
    return false;
}

} // namespace spellwords

TWordSpan SpellWordAt(QStringView text, qsizetype at) {
    TWordSpan found;
    ForEachSpellWord(text, [&](qsizetype start, qsizetype length) {
        if (found.Start < 0 && at >= start && at <= start + length) found = {start, length};
    });
    return found;
}
