// The red wavy line under misspelled words, drawn over the editor's text.
//
// It lives beside the document, never in it: each paragraph's misspelled
// words are kept in the paragraph's user data with the paragraph's revision
// and found again when the paragraph changes, and the lines are painted over
// the text after the editor has drawn it. So nothing of it is ever stored in
// the entry's RTF or copied, the entry is never marked modified by it, and
// typing lays a paragraph out exactly as without spelling (a format put into
// the text layout, as a syntax highlighter does, makes every keystroke in a
// long paragraph a third slower).
//
// A loaded entry is checked whole at once; after that a paragraph is checked
// again when it is drawn changed, or when the words accepted change.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

#include <vector>

class QPainter;
class QTextBlock;
class TRichEdit;
class TSpellChecker;

class TSpellUnderline : public QObject {
    Q_OBJECT
public:
    explicit TSpellUnderline(TRichEdit* editor, QObject* parent = nullptr);
    ~TSpellUnderline() override;

    // The checker to use (not owned); null, or Enabled false, draws nothing.
    void SetChecker(TSpellChecker* checker);
    void SetEnabled(bool enabled);
    bool Enabled() const { return enabled_; }
    // The words accepted changed: every paragraph is checked again.
    void Recheck();
    // Checks every paragraph now (after a load).
    void CheckAll();

    struct TRange {
        int Start, Length; // within the paragraph
        bool operator==(const TRange&) const = default;
    };
    // The misspelled words of a paragraph (checked now if it changed).
    std::vector<TRange> Misspellings(const QTextBlock& block);

    // Draws the lines of the paragraphs in `exposed` (viewport coordinates).
    void Paint(QPainter& painter, const QRect& exposed);

private:
    bool Active() const { return enabled_ && checker_; }

    TRichEdit* Editor;
    QPointer<QObject> editorAlive_; // cleared when the editor is destroyed
    TSpellChecker* checker_ = nullptr;
    bool enabled_ = true;
    int generation_ = 0; // goes up when the words accepted change
};
