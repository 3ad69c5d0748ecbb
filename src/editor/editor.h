// The entry editor: a QTextEdit with the notions of the classic rich-edit
// control that the main window uses. Its content streams in and out as RTF
// (src/rtf), pictures included (rtf_picture.h); character attributes are read and written through
// two TTextAttributes views (the selection's and the default ones), paragraph attributes through
// TParaAttributes, both in the control's units (whole points; indents stored as twips, read back
// truncated).
#pragma once

#include "rtf/rtf_document.h"

#include <QByteArray>
#include <QColor>
#include <QFlags>
#include <QString>
#include <QTextCharFormat>
#include <QTextEdit>

#include <functional>

class TRichEdit;

enum class TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
Q_DECLARE_OPERATORS_FOR_FLAGS(TFontStyles)

// taJustify is what a paragraph justified by another program reads as; no
// tool bar button stands for it.
enum class TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2, taJustify = 3 };
enum class TNumberingStyle { nsNone, nsBullet };

enum class TSearchType { stWholeWord = 1, stMatchCase = 2 };
Q_DECLARE_FLAGS(TSearchTypes, TSearchType)
Q_DECLARE_OPERATORS_FOR_FLAGS(TSearchTypes)

// Character attributes of the selection (or of the caret when nothing is
// selected), or the editor's default attributes.
class TTextAttributes {
public:
    enum TAttributeType { atSelected, atDefaultText };

    QString Name() const;
    void SetName(const QString& face);
    int Size() const; // whole points
    void SetSize(int points);
    TFontStyles Style() const;
    // Writes the styles named in `only` (all four by default) as `style` has them.
    void SetStyle(TFontStyles style, TFontStyles only = TFontStyles(0xF));
    QColor Color() const;
    void SetColor(const QColor& color);

private:
    friend class TRichEdit;
    TTextAttributes(TRichEdit& editor, TAttributeType type) : editor_(editor), type_(type) {}
    QTextCharFormat Format() const;
    void Apply(const QTextCharFormat& modifier);
    void ApplyNow(const QTextCharFormat& modifier);

    TRichEdit& editor_;
    TAttributeType type_;
};

// Paragraph attributes of the paragraphs the selection touches: read from the
// first, written to all.
class TParaAttributes {
public:
    TAlignment Alignment() const;
    void SetAlignment(TAlignment value);
    TNumberingStyle Numbering() const;
    void SetNumbering(TNumberingStyle value);
    int FirstIndent() const; // points from the left edge to the first line
    void SetFirstIndent(int points);
    int LeftIndent() const; // points from the first line's start to the following lines'
    void SetLeftIndent(int points);
    int RightIndent() const; // points from the right edge
    void SetRightIndent(int points);

private:
    friend class TRichEdit;
    explicit TParaAttributes(TRichEdit& editor) : editor_(editor) {}
    rtf::ParaAttrs Get() const;
    void Set(const std::function<void(rtf::ParaAttrs&)>& change);
    void SetNow(const std::function<void(rtf::ParaAttrs&)>& change);

    TRichEdit& editor_;
};

class TRichEdit : public QTextEdit {
    Q_OBJECT
public:
    explicit TRichEdit(QWidget* parent = nullptr);
    ~TRichEdit() override;

    // The modified flag: set by every change the user makes (typing, paste,
    // delete, formatting), cleared by the program; loading clears it.
    bool Modified() const;
    void SetModified(bool value);

    // While read-only the entry takes no change at all: not from typing (the
    // control's own rule) and not from any command. Every change the
    // program makes to the text or its formatting goes through Edit, the one
    // guard: while read-only it changes nothing, emits ChangeRefused and
    // answers false.
    bool ReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool value);
    bool Edit(const std::function<void()>& change);

    // The whole content as RTF. Loading replaces the content, forgets the
    // undo history and leaves the editor unmodified; bytes that are not RTF
    // load as plain text.
    void LoadFromStream(const QByteArray& rtf);
    QByteArray SaveToStream() const;
    void Clear();

    TTextAttributes& DefAttributes() { return defAttributes_; }
    TTextAttributes& SelAttributes() { return selAttributes_; }
    TParaAttributes& Paragraph() { return paragraph_; }

    // Character positions as the control counts them: a paragraph mark and a
    // line break are one character each.
    int SelStart() const;
    int SelLength() const;
    void SetSelStart(int start);
    void SetSelLength(int length);
    void SetSelection(int start, int length);
    int TextLength() const;
    QString SelText() const;
    // Display line (0-based, wrapped lines counted) holding a character
    // position, and the position of a display line's first character (-1
    // for a line that does not exist).
    int LineFromChar(int position) const;
    int LineIndex(int line) const;

    // Searches `text` forward in [start, start + length) and answers the
    // position of the first match, or -1. Whole words: the match touches no
    // letter, digit or underscore on either side. Case is ignored unless
    // stMatchCase is given.
    int FindText(const QString& text, int start, int length, TSearchTypes options) const;

    // The text's margins within the control: the formatting rectangle runs
    // from `left` pixels to the client width less `right`, top to bottom.
    void SetTextMargins(int left, int right);

    bool CanUndo() const;
    bool CanPaste() const;
    void Undo();
    // Copy and cut with the RTF clipboard format (Ctrl+C and Ctrl+X use them;
    // QTextEdit's own copy() does not offer RTF).
    void CopyToClipboard();
    void CutToClipboard();

    // The first paragraph whose box reaches document height `y` or below it.
    QTextBlock BlockAt(qreal y) const;

    // Drawn over the text after each paint (the spelling underline), with a
    // painter on the viewport and the exposed part of it.
    std::function<void(QPainter&, const QRect&)> Overlay;

signals:
    void ModifiedChanged(bool modified);
    void ReadOnlyChanged(bool readOnly);
    // A change was refused because the editor is read-only: whatever shows
    // the text's state (the tool bar) shows it again as it is.
    void ChangeRefused();
    // The whole content was replaced (LoadFromStream, Clear).
    void Loaded();
    // A dropped or pasted picture file could not be inserted, and why.
    void PictureRefused(const QString& why);

protected:
    // The clipboard speaks RTF too, as the control does: a copy offers the
    // selection as RTF beside Qt's own formats, and RTF on the clipboard is
    // preferred when pasting.
    QMimeData* createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    // A picture's image is decoded from its format the first time it is drawn.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    friend class TTextAttributes;
    friend class TParaAttributes;
    void InsertNow(const QMimeData* source);

    bool InsertPictures(const QMimeData* source);

    TTextAttributes defAttributes_{*this, TTextAttributes::atDefaultText};
    TTextAttributes selAttributes_{*this, TTextAttributes::atSelected};
    TParaAttributes paragraph_{*this};
    QTextCharFormat defaultFormat_; // the default character attributes
};
