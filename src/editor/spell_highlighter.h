// The red wavy underline under misspelled words. It is a syntax highlighter
// over the editor's document: its marks live in the text's layout, not in
// the document's formats, so they are never stored in the entry's RTF, never
// copied, and never mark the entry modified. A paragraph is checked again
// whenever it changes; the whole text when the words accepted change.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class TSpellChecker;

class TSpellHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit TSpellHighlighter(QTextDocument* document);

    // The checker to use (not owned); null, or Enabled false, marks nothing.
    void SetChecker(TSpellChecker* checker);
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // The format a misspelled word gets.
    static QTextCharFormat MisspelledFormat();

protected:
    void highlightBlock(const QString& text) override;

private:
    TSpellChecker* checker_ = nullptr;
    bool enabled_ = true;
    QTextCharFormat misspelled_ = MisspelledFormat();
};
