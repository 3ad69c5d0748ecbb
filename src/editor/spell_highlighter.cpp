#include "editor/spell_highlighter.h"

#include "editor/spell_checker.h"
#include "editor/spell_words.h"

TSpellHighlighter::TSpellHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QTextCharFormat TSpellHighlighter::MisspelledFormat() {
    QTextCharFormat f;
    f.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    f.setUnderlineColor(Qt::red);
    return f;
}

void TSpellHighlighter::SetChecker(TSpellChecker* checker) {
    checker_ = checker;
    rehighlight();
}

void TSpellHighlighter::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    rehighlight();
}

void TSpellHighlighter::highlightBlock(const QString& text) {
    if (!enabled_ || !checker_) return;
    ForEachSpellWord(text, [this, &text](qsizetype start, qsizetype length) {
        if (!checker_->IsCorrect(text.mid(start, length)))
            setFormat(static_cast<int>(start), static_cast<int>(length), misspelled_);
    });
}
