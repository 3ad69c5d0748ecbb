#include "editor/editor.h"

#include "editor/picture_insert.h"
#include "rtf/rtf_formats.h"
#include "rtf/rtf_picture.h"
#include "rtf/rtf_reader.h"
#include "rtf/rtf_text_rules.h"
#include "rtf/rtf_writer.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMimeData>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextList>

#include <algorithm>
#include <memory>

namespace {

constexpr int kMaxPoints = 1638; // the largest size RTF's half points hold

// The bullet needs room before the text: a bullet paragraph has a left
// indent (hanging) of at least 10 points; taking the bullet away takes the
// hanging indent too.
constexpr int kBulletMinimumOffset = 10;

QTextCursor CursorAt(QTextDocument* doc, int position) {
    QTextCursor c(doc);
    c.setPosition(std::clamp(position, 0, doc->characterCount() - 1));
    return c;
}

const QString kRtfMime = QStringLiteral("text/rtf");
const QString kRtfMimeAlt = QStringLiteral("application/rtf");

} // namespace

// --- TTextAttributes ---

QTextCharFormat TTextAttributes::Format() const {
    if (type_ == atDefaultText) return editor_.defaultFormat_;
    QTextCursor c = editor_.textCursor();
    if (!c.hasSelection()) return c.charFormat(); // the format typing at the caret uses
    // The first selected character's format.
    return CursorAt(editor_.document(), c.selectionStart() + 1).charFormat();
}

void TTextAttributes::Apply(const QTextCharFormat& modifier) {
    editor_.Edit([&] { ApplyNow(modifier); });
}

void TTextAttributes::ApplyNow(const QTextCharFormat& modifier) {
    if (type_ == atDefaultText) {
        editor_.defaultFormat_.merge(modifier);
        QFont font = editor_.document()->defaultFont();
        font = editor_.defaultFormat_.font().resolve(font);
        editor_.document()->setDefaultFont(font);
        QTextCursor c = editor_.textCursor();
        if (!c.hasSelection()) editor_.mergeCurrentCharFormat(modifier);
        return;
    }
    // With a selection the selection changes; without one, the caret's
    // typing format.
    editor_.mergeCurrentCharFormat(modifier);
}

QString TTextAttributes::Name() const {
    return rtf::CharAttrsOf(Format(), *editor_.document()).face;
}

void TTextAttributes::SetName(const QString& face) {
    if (face.isEmpty()) return;
    QTextCharFormat f;
    f.setFontFamilies(QStringList{face});
    Apply(f);
}

int TTextAttributes::Size() const {
    return rtf::CharAttrsOf(Format(), *editor_.document()).halfPoints / 2;
}

void TTextAttributes::SetSize(int points) {
    if (points <= 0) return; // the control refuses sizes it cannot show
    QTextCharFormat f;
    f.setFontPointSize(std::min(points, kMaxPoints));
    Apply(f);
}

TFontStyles TTextAttributes::Style() const {
    rtf::CharAttrs a = rtf::CharAttrsOf(Format(), *editor_.document());
    TFontStyles s;
    s.setFlag(TFontStyle::fsBold, a.bold);
    s.setFlag(TFontStyle::fsItalic, a.italic);
    s.setFlag(TFontStyle::fsUnderline, a.underline);
    s.setFlag(TFontStyle::fsStrikeOut, a.strikeOut);
    return s;
}

void TTextAttributes::SetStyle(TFontStyles style, TFontStyles only) {
    QTextCharFormat f;
    if (only.testFlag(TFontStyle::fsBold))
        f.setFontWeight(style.testFlag(TFontStyle::fsBold) ? QFont::Bold : QFont::Normal);
    if (only.testFlag(TFontStyle::fsItalic)) f.setFontItalic(style.testFlag(TFontStyle::fsItalic));
    if (only.testFlag(TFontStyle::fsUnderline))
        f.setFontUnderline(style.testFlag(TFontStyle::fsUnderline));
    if (only.testFlag(TFontStyle::fsStrikeOut))
        f.setFontStrikeOut(style.testFlag(TFontStyle::fsStrikeOut));
    Apply(f);
}

QColor TTextAttributes::Color() const {
    rtf::CharAttrs a = rtf::CharAttrsOf(Format(), *editor_.document());
    if (a.hasColor) return QColor(QRgb(0xFF000000u | a.rgb));
    return editor_.palette().color(QPalette::Text); // the automatic colour
}

void TTextAttributes::SetColor(const QColor& color) {
    if (!color.isValid()) return;
    QTextCharFormat f;
    f.setForeground(QColor(color.rgb()));
    Apply(f);
}

// --- TParaAttributes ---

rtf::ParaAttrs TParaAttributes::Get() const {
    QTextCursor c = editor_.textCursor();
    return rtf::ParaAttrsOf(editor_.document()->findBlock(c.selectionStart()));
}

void TParaAttributes::Set(const std::function<void(rtf::ParaAttrs&)>& change) {
    editor_.Edit([&] { SetNow(change); });
}

void TParaAttributes::SetNow(const std::function<void(rtf::ParaAttrs&)>& change) {
    QTextDocument* doc = editor_.document();
    QTextCursor sel = editor_.textCursor();
    QTextBlock first = doc->findBlock(sel.selectionStart());
    QTextBlock last = doc->findBlock(sel.selectionEnd());
    QTextCursor c(doc);
    c.beginEditBlock();
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
        rtf::ParaAttrs a = rtf::ParaAttrsOf(b);
        rtf::ParaAttrs before = a;
        change(a);
        if (!(a == before)) {
            c.setPosition(b.position());
            QTextList* old = b.textList();
            if (old) old->remove(b);
            c.setBlockFormat(rtf::ToBlockFormat(a));
            if (old && a.list == before.list) {
                old->add(b); // stays an item of its list
            } else if (a.list != rtf::ListStyle::None) {
                // Join the list of the paragraph before when it is the same kind.
                QTextBlock prev = b.previous();
                QTextList* join = prev.isValid() ? prev.textList() : nullptr;
                if (join && rtf::ParaAttrsOf(prev).list == a.list)
                    join->add(b);
                else
                    c.createList(rtf::ToListFormat(a));
            }
        }
        if (b == last) break;
    }
    c.endEditBlock();
}

TAlignment TParaAttributes::Alignment() const {
    switch (Get().alignment) {
    case rtf::Alignment::Right:
        return TAlignment::taRightJustify;
    case rtf::Alignment::Center:
        return TAlignment::taCenter;
    case rtf::Alignment::Justify:
        return TAlignment::taJustify;
    case rtf::Alignment::Left:
        break;
    }
    return TAlignment::taLeftJustify;
}

void TParaAttributes::SetAlignment(TAlignment value) {
    Set([value](rtf::ParaAttrs& a) {
        a.alignment = value == TAlignment::taRightJustify ? rtf::Alignment::Right
                      : value == TAlignment::taCenter     ? rtf::Alignment::Center
                      : value == TAlignment::taJustify    ? rtf::Alignment::Justify
                                                          : rtf::Alignment::Left;
    });
}

TNumberingStyle TParaAttributes::Numbering() const {
    return Get().list == rtf::ListStyle::Bullet ? TNumberingStyle::nsBullet
                                                : TNumberingStyle::nsNone;
}

void TParaAttributes::SetNumbering(TNumberingStyle value) {
    Set([value](rtf::ParaAttrs& a) {
        // Taking the bullet off changes the numbering only: the indents stay.
        if (value != TNumberingStyle::nsBullet) {
            a.list = rtf::ListStyle::None;
            return;
        }
        const int start = a.leftIndent + a.firstIndent; // the first line stays where it is
        const int offset = std::max(-a.firstIndent, kBulletMinimumOffset * 20);
        a.list = rtf::ListStyle::Bullet;
        a.firstIndent = -offset;
        a.leftIndent = start + offset;
    });
}

// F = \li + \fi, L = -\fi, R = \ri: twips divided by 20, truncated.
int TParaAttributes::FirstIndent() const {
    rtf::ParaAttrs a = Get();
    return (a.leftIndent + a.firstIndent) / 20;
}

void TParaAttributes::SetFirstIndent(int points) {
    Set([points](rtf::ParaAttrs& a) {
        int offset = -a.firstIndent;
        a.leftIndent = std::clamp(points, -1584, 1584) * 20 + offset;
    });
}

int TParaAttributes::LeftIndent() const {
    return -Get().firstIndent / 20;
}

void TParaAttributes::SetLeftIndent(int points) {
    Set([points](rtf::ParaAttrs& a) {
        int start = a.leftIndent + a.firstIndent;
        int offset = std::clamp(points, -1584, 1584) * 20;
        a.firstIndent = -offset;
        a.leftIndent = start + offset;
    });
}

int TParaAttributes::RightIndent() const {
    return Get().rightIndent / 20;
}

void TParaAttributes::SetRightIndent(int points) {
    Set([points](rtf::ParaAttrs& a) { a.rightIndent = std::clamp(points, -1584, 1584) * 20; });
}

// --- TRichEdit ---

TRichEdit::TRichEdit(QWidget* parent) : QTextEdit(parent) {
    setAcceptRichText(true);
    setLineWrapMode(QTextEdit::WidgetWidth);
    QFont f = font();
    defaultFormat_.setFontFamilies(QStringList{f.family()});
    defaultFormat_.setFontPointSize(f.pointSizeF() > 0 ? f.pointSizeF() : 8);
    // Every attribute explicit, so that what is typed keeps its attributes
    // when the defaults change later, as in the control.
    defaultFormat_.setFontWeight(QFont::Normal);
    defaultFormat_.setFontItalic(false);
    defaultFormat_.setFontUnderline(false);
    defaultFormat_.setFontStrikeOut(false);
    document()->setDefaultFont(defaultFormat_.font().resolve(document()->defaultFont()));
    setCurrentCharFormat(defaultFormat_);
    connect(document(), &QTextDocument::modificationChanged, this, &TRichEdit::ModifiedChanged);
}

TRichEdit::~TRichEdit() = default;

void TRichEdit::SetReadOnly(bool value) {
    if (value == isReadOnly()) return;
    setReadOnly(value);
    emit ReadOnlyChanged(value);
}

bool TRichEdit::Edit(const std::function<void()>& change) {
    if (isReadOnly()) {
        emit ChangeRefused();
        return false;
    }
    change();
    return true;
}

bool TRichEdit::Modified() const {
    return document()->isModified();
}

void TRichEdit::SetModified(bool value) {
    document()->setModified(value);
}

void TRichEdit::LoadFromStream(const QByteArray& rtf) {
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    ReadRtf(rtf, *doc);
    doc->setUndoRedoEnabled(true);
    moveCursor(QTextCursor::Start);
    doc->setModified(false);
    emit Loaded();
}

QByteArray TRichEdit::SaveToStream() const {
    return WriteRtf(*document());
}

void TRichEdit::Clear() {
    QTextDocument* doc = document();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    doc->setUndoRedoEnabled(true);
    QTextCursor c(doc);
    c.setBlockCharFormat(defaultFormat_);
    setCurrentCharFormat(defaultFormat_);
    doc->setModified(false);
    emit Loaded();
}

int TRichEdit::SelStart() const {
    return textCursor().selectionStart();
}

int TRichEdit::SelLength() const {
    QTextCursor c = textCursor();
    return c.selectionEnd() - c.selectionStart();
}

void TRichEdit::SetSelStart(int start) {
    SetSelection(start, 0);
}

void TRichEdit::SetSelLength(int length) {
    SetSelection(SelStart(), length);
}

void TRichEdit::SetSelection(int start, int length) {
    int end = TextLength();
    start = std::clamp(start, 0, end);
    int stop = length < 0 ? end : static_cast<int>(std::min<qint64>(qint64(start) + length, end));
    QTextCursor c = textCursor();
    c.setPosition(start);
    c.setPosition(stop, QTextCursor::KeepAnchor);
    setTextCursor(c);
}

int TRichEdit::TextLength() const {
    return document()->characterCount() - 1;
}

QString TRichEdit::SelText() const {
    QString s = textCursor().selectedText();
    s.replace(QChar::ParagraphSeparator, u'\r');
    return s;
}

int TRichEdit::LineFromChar(int position) const {
    QTextDocument* doc = document();
    position = std::clamp(position, 0, TextLength());
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    int line = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        layout->blockBoundingRect(b); // lays the block out if it is not yet
        QTextLayout* tl = b.layout();
        int count = tl ? tl->lineCount() : 0;
        if (position < b.position() + b.length() || !b.next().isValid()) {
            if (count == 0) return line;
            QTextLine l = tl->lineForTextPosition(position - b.position());
            return line + (l.isValid() ? l.lineNumber() : count - 1);
        }
        line += std::max(count, 1);
    }
    return line;
}

int TRichEdit::LineIndex(int lineNumber) const {
    if (lineNumber < 0) return -1;
    QTextDocument* doc = document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    int line = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        layout->blockBoundingRect(b);
        QTextLayout* tl = b.layout();
        int count = tl ? std::max(tl->lineCount(), 1) : 1;
        if (lineNumber < line + count) {
            if (!tl || tl->lineCount() == 0) return b.position();
            return b.position() + tl->lineAt(lineNumber - line).textStart();
        }
        line += count;
    }
    return -1;
}

int TRichEdit::FindText(const QString& text, int start, int length, TSearchTypes options) const {
    if (text.isEmpty()) return -1;
    const QString all = document()->toRawText();
    const qsizetype size = std::min<qsizetype>(all.size(), TextLength());
    if (start < 0 || start > size) return -1;
    const qsizetype end = length < 0 ? size : std::min<qsizetype>(size, qsizetype(start) + length);
    const Qt::CaseSensitivity cs =
        options.testFlag(TSearchType::stMatchCase) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    const bool whole = options.testFlag(TSearchType::stWholeWord);
    for (qsizetype at = all.indexOf(text, start, cs); at >= 0 && at + text.size() <= end;
         at = all.indexOf(text, at + 1, cs)) {
        if (whole && !rtf::IsWholeWord(all, at, text.size())) continue;
        return static_cast<int>(at);
    }
    return -1;
}

void TRichEdit::SetTextMargins(int left, int right) {
    // The document draws no margin of its own; the viewport leaves the gutters,
    // painted in the text's background so they look part of the page.
    if (document()->documentMargin() != 0) {
        const bool undo = document()->isUndoRedoEnabled();
        const bool modified = document()->isModified();
        document()->setUndoRedoEnabled(false);
        document()->setDocumentMargin(0);
        document()->setUndoRedoEnabled(undo);
        document()->setModified(modified);
    }
    setViewportMargins(left, 0, right, 0);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Base));
    setPalette(pal);
    setAutoFillBackground(true);
}

bool TRichEdit::CanUndo() const {
    return !isReadOnly() && document()->isUndoAvailable();
}

void TRichEdit::Undo() {
    Edit([this] { undo(); });
}

bool TRichEdit::CanPaste() const {
    return !isReadOnly() && canPaste();
}

QMimeData* TRichEdit::createMimeDataFromSelection() const {
    // Qt's own mime data answers a fixed list of formats; copy them into a
    // plain QMimeData that can carry RTF too.
    std::unique_ptr<QMimeData> qt(QTextEdit::createMimeDataFromSelection());
    auto* data = new QMimeData;
    for (const QString& format : qt->formats())
        data->setData(format, qt->data(format));
    QTextDocument selection;
    selection.setDefaultFont(document()->defaultFont());
    QTextCursor(&selection).insertFragment(textCursor().selection());
    QByteArray rtf = WriteRtf(selection);
    data->setData(kRtfMime, rtf);
    data->setData(kRtfMimeAlt, rtf);
    // A picture copied alone is offered as an image too, for programs
    // that take no RTF.
    const QTextCursor c = textCursor();
    if (c.selectionEnd() - c.selectionStart() == 1) {
        QTextCursor one(document());
        one.setPosition(c.selectionStart() + 1);
        if (const std::optional<rtf::Picture> p = rtf::PictureOf(one.charFormat()))
            data->setImageData(rtf::PictureImage(*p));
    }
    return data;
}

bool TRichEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasFormat(kRtfMime) || source->hasFormat(kRtfMimeAlt) ||
           MimeHasPicture(source) || QTextEdit::canInsertFromMimeData(source);
}

void TRichEdit::insertFromMimeData(const QMimeData* source) {
    Edit([&] { InsertNow(source); });
}

void TRichEdit::InsertNow(const QMimeData* source) {
    if (InsertPictures(source)) return;
    QString format = source->hasFormat(kRtfMime)      ? kRtfMime
                     : source->hasFormat(kRtfMimeAlt) ? kRtfMimeAlt
                                                      : QString();
    if (format.isEmpty()) {
        QTextEdit::insertFromMimeData(source);
        return;
    }
    QTextDocument pasted;
    pasted.setDefaultFont(document()->defaultFont());
    ReadRtf(source->data(format), pasted);
    textCursor().insertFragment(QTextDocumentFragment(&pasted));
    ensureCursorVisible();
}

void TRichEdit::CopyToClipboard() {
    if (textCursor().hasSelection())
        QApplication::clipboard()->setMimeData(createMimeDataFromSelection());
}

void TRichEdit::CutToClipboard() {
    if (!textCursor().hasSelection()) return;
    Edit([this] {
        CopyToClipboard();
        textCursor().removeSelectedText();
    });
}

// Picture files and images come before Qt's own formats (a browser's image
// also comes as HTML naming it on the web), RTF before them (its pictures
// come with their text).
bool TRichEdit::InsertPictures(const QMimeData* source) {
    if (isReadOnly() || source->hasFormat(kRtfMime) || source->hasFormat(kRtfMimeAlt)) return false;
    return InsertPicturesFromMime(*this, source,
                                  [this](const QString& why) { emit PictureRefused(why); });
}

QVariant TRichEdit::loadResource(int type, const QUrl& name) {
    if (type == QTextDocument::ImageResource && rtf::IsPictureName(name)) {
        const QImage image = rtf::PictureImageFor(*document(), name);
        if (!image.isNull()) return image;
    }
    return QTextEdit::loadResource(type, name);
}

QTextBlock TRichEdit::BlockAt(qreal y) const {
    // A binary search: the paragraphs' boxes lie one below the other.
    QTextDocument* doc = document();
    QAbstractTextDocumentLayout* layout = doc->documentLayout();
    int lo = 0, hi = doc->blockCount() - 1;
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (layout->blockBoundingRect(doc->findBlockByNumber(mid)).bottom() < y)
            lo = mid + 1;
        else
            hi = mid;
    }
    return doc->findBlockByNumber(lo);
}

void TRichEdit::paintEvent(QPaintEvent* event) {
    // A paragraph that has been on screen keeps its shaped glyphs between
    // layouts: each keystroke then shapes the paragraph once, not again for
    // drawing it and for placing the caret and the spelling underline (half
    // the cost of a keystroke in a long paragraph).
    const int top = verticalScrollBar()->value();
    for (QTextBlock b = BlockAt(event->rect().top() + top); b.isValid(); b = b.next()) {
        if (b.layout()) b.layout()->setCacheEnabled(true);
        if (document()->documentLayout()->blockBoundingRect(b).top() > event->rect().bottom() + top)
            break;
    }
    QTextEdit::paintEvent(event);
    if (!Overlay) return;
    QPainter painter(viewport());
    Overlay(painter, event->rect());
}

void TRichEdit::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        CopyToClipboard();
        event->accept();
        return;
    }
    if (event == QKeySequence::Cut && !isReadOnly()) {
        CutToClipboard();
        event->accept();
        return;
    }
    QTextEdit::keyPressEvent(event);
}
