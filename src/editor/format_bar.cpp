#include "editor/format_bar.h"

#include "editor/editor.h"
#include "editor/ruler.h"
#include "platform/str_to_int.h"
#include "ui/commands.h"
#include "ui/prompts.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QToolButton>

using ruler::TMarker;

namespace {

constexpr int kFontHelpContext = 19;

// Restores a flag on every way out of a scope, failures included.
class TFlagGuard {
public:
    explicit TFlagGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = false; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

private:
    bool& flag_;
};

} // namespace

// ---- TFormatBar ----

TFormatBar::TFormatBar(TRichEdit* editor, TRuler* ruler, const TFormatControls& controls,
                       TPrompts& prompts, QObject* parent)
    : QObject(parent), Editor(editor), Ruler(ruler), c_(controls), prompts_(prompts) {
    // The swatch paints its own colour, not the tool bar's button colour it
    // would inherit.
    c_.ColorPnl->setBackgroundRole(QPalette::Window);
    c_.ColorPnl->setAutoFillBackground(true);
    auto guarded = [this](void (TFormatBar::*handler)()) {
        return [this, handler] { Guard([&] { (this->*handler)(); }); };
    };
    connect(Editor, &QTextEdit::cursorPositionChanged, this, guarded(&TFormatBar::SelectionChange));
    connect(Editor, &QTextEdit::selectionChanged, this, guarded(&TFormatBar::SelectionChange));
    // A newly loaded entry may leave the caret where it was: show its state too.
    connect(Editor, &TRichEdit::Loaded, this, guarded(&TFormatBar::SelectionChange));
    connect(Ruler, &TRuler::Resized, this, guarded(&TFormatBar::SelectionChange));
    // A read-only entry refused a command: the buttons, boxes and markers
    // the user moved show the text as it still is.
    connect(Editor, &TRichEdit::ChangeRefused, this, guarded(&TFormatBar::SelectionChange));

    // The toggle buttons act on their toggled state, which a click, a key and
    // an assistive tool's Toggle action all change; SelectionChange changes
    // it too, under SyncingToolbar, so showing the state applies nothing.
    connect(c_.BoldButton, &QToolButton::toggled, this, guarded(&TFormatBar::BoldButtonClick));
    connect(c_.ItalicButton, &QToolButton::toggled, this, guarded(&TFormatBar::ItalicButtonClick));
    connect(c_.UnderlineButton, &QToolButton::toggled, this,
            guarded(&TFormatBar::UnderlineButtonClick));
    connect(c_.BulletsButton, &QToolButton::toggled, this,
            guarded(&TFormatBar::BulletsButtonClick));
    connect(c_.ColorButton, &QToolButton::clicked, this, guarded(&TFormatBar::ColorButtonClick));
    // A step applies at once; typed text when Enter hands it on.
    connect(c_.FontSize, &QSpinBox::textChanged, this, guarded(&TFormatBar::FontSizeChange));
    if (auto* sizeBox = qobject_cast<TFontSizeBox*>(c_.FontSize)) {
        connect(sizeBox, &TFontSizeBox::Committed, this, guarded(&TFormatBar::FontSizeCommitted));
        connect(sizeBox, &TFontSizeBox::Cancelled, this, [this] { Editor->setFocus(); });
    }
    connect(c_.FontName, &QComboBox::currentTextChanged, this,
            guarded(&TFormatBar::FontNameChange));
    // An alignment button applies when it goes down (clicked, by its key or
    // toggled by an assistive tool), and also when clicked while down: a
    // justified paragraph leaves the buttons as they were, and a click on
    // the one shown down must still align it. Applying twice changes nothing.
    if (QButtonGroup* group = c_.LeftAlign->group()) {
        connect(group, &QButtonGroup::idToggled, this, [this](int tag, bool down) {
            if (down) Guard([&] { AlignButtonClick(tag); });
        });
        connect(group, &QButtonGroup::idClicked, this,
                [this](int tag) { Guard([&] { AlignButtonClick(tag); }); });
    }

    for (TRulerMarker* m : {Ruler->FirstInd, Ruler->LeftInd, Ruler->RightInd}) {
        connect(m, &TRulerMarker::MouseDown, this,
                [this, m](int x) { Guard([&] { RulerItemMouseDown(m, x); }); });
        connect(m, &TRulerMarker::MouseMove, this,
                [this, m](int x) { Guard([&] { RulerItemMouseMove(m, x); }); });
        connect(m, &TRulerMarker::MouseUp, this, [this, m] { Guard([&] { MarkerUp(m); }); });
        connect(m, &TRulerMarker::KeyStep, this,
                [this, m](int dx) { Guard([&] { MarkerKeyStep(m, dx); }); });
    }
}

void TFormatBar::Guard(const std::function<void()>& handler) {
    ::Guarded(prompts_, handler);
}

void TFormatBar::AttachCommands(QAction* colorCmd, QAction* fontCmd) {
    AttachCommand(colorCmd, prompts_, [this] { ColorButtonClick(); });
    AttachCommand(fontCmd, prompts_, [this] { SelectFont(); });
}

TTextAttributes& TFormatBar::TargetAttributes() {
    return Editor->SelLength() > 0 ? Editor->SelAttributes() : Editor->DefAttributes();
}

// ---- set-up ----

void TFormatBar::FillFontList() {
    const QSignalBlocker block(c_.FontName);
    const QString shown = c_.FontName->currentText();
    QStringList families = QFontDatabase::families();
    families.sort(Qt::CaseInsensitive);
    c_.FontName->clear();
    c_.FontName->addItems(families);
    c_.FontName->setEditText(shown);
}

void TFormatBar::BuildRulerTicks() {
    Ruler->SetCaption(ruler::RulerTicks());
}

void TFormatBar::ApplyEditMargins() {
    Editor->SetTextMargins(ruler::RulerGutter, ruler::RulerGutter);
}

// ---- the selection shown ----

void TFormatBar::SelectionChange() {
    TFlagGuard syncing(SyncingToolbar);
    TParaAttributes& para = Editor->Paragraph();
    const int f = para.FirstIndent(), l = para.LeftIndent(), r = para.RightIndent();
    Ruler->FirstInd->move(ruler::FirstIndLeft(f), Ruler->FirstInd->y());
    Ruler->LeftInd->move(ruler::LeftIndLeft(f, l), Ruler->LeftInd->y());
    Ruler->RightInd->move(ruler::RightIndLeft(Ruler->width(), r), Ruler->RightInd->y());

    TTextAttributes& sel = Editor->SelAttributes();
    const TFontStyles style = sel.Style();
    c_.BoldButton->setChecked(style.testFlag(TFontStyle::fsBold));
    c_.ItalicButton->setChecked(style.testFlag(TFontStyle::fsItalic));
    c_.UnderlineButton->setChecked(style.testFlag(TFontStyle::fsUnderline));
    c_.BulletsButton->setChecked(para.Numbering() == TNumberingStyle::nsBullet);

    c_.FontSize->setValue(sel.Size());
    const QString face = sel.Name();
    const int index = c_.FontName->findText(face, Qt::MatchFixedString);
    if (index >= 0) c_.FontName->setCurrentIndex(index);
    c_.FontName->setEditText(face);

    switch (para.Alignment()) {
    case TAlignment::taLeftJustify:
        c_.LeftAlign->setChecked(true);
        break;
    case TAlignment::taRightJustify:
        c_.RightAlign->setChecked(true);
        break;
    case TAlignment::taCenter:
        c_.CenterAlign->setChecked(true);
        break;
    case TAlignment::taJustify:
        break; // no button stands for it: they stay as they are
    }
    ShowColor(sel.Color());
    ShowCaretPosition();
}

void TFormatBar::ShowCaretPosition() {
    // The line is the display line that holds the selection start, as the
    // control counts lines; the column counts from that line's first character.
    const int start = Editor->SelStart();
    const int line = Editor->LineFromChar(start);
    const int column = start - Editor->LineIndex(line);
    c_.CaretPanel->setText(QString::asprintf("Line: %3d   Col: %3d", line + 1, column + 1));
}

void TFormatBar::ShowColor(const QColor& color) {
    QPalette pal = c_.ColorPnl->palette();
    pal.setColor(QPalette::Window, color);
    c_.ColorPnl->setPalette(pal);
}

// ---- tool bar handlers ----

void TFormatBar::StyleButtonClick(QToolButton* button, int bit) {
    if (SyncingToolbar) return;
    const auto flag = static_cast<TFontStyle>(bit);
    TTextAttributes& target = TargetAttributes();
    TFontStyles style = target.Style();
    style.setFlag(flag, button->isChecked());
    // Only this one style changes: the others of a mixed selection stay mixed.
    target.SetStyle(style, flag);
}

void TFormatBar::BoldButtonClick() {
    StyleButtonClick(c_.BoldButton, int(TFontStyle::fsBold));
}
void TFormatBar::ItalicButtonClick() {
    StyleButtonClick(c_.ItalicButton, int(TFontStyle::fsItalic));
}
void TFormatBar::UnderlineButtonClick() {
    StyleButtonClick(c_.UnderlineButton, int(TFontStyle::fsUnderline));
}

void TFormatBar::FontSizeChange() {
    if (SyncingToolbar) return;
    const QString text = c_.FontSize->text();
    int size = 0;
    if (!TryStrToInt(text.toStdString(), size)) {
        prompts_.ShowError(QString::fromStdString(NotAnIntegerMessage(text.toStdString())));
        return;
    }
    TargetAttributes().SetSize(size);
}

void TFormatBar::FontSizeCommitted() {
    int size = 0;
    const bool number = TryStrToInt(c_.FontSize->text().toStdString(), size);
    FontSizeChange(); // applies the size, or says it is no integer
    if (!number) {
        c_.FontSize->setFocus(); // another try: the box shows a size, selected
        return;
    }
    {
        // The box holds the size now; it need not report it again.
        const QSignalBlocker block(c_.FontSize);
        c_.FontSize->setValue(size);
    }
    Editor->setFocus();
}

void TFormatBar::FontNameChange() {
    if (SyncingToolbar) return;
    // Only a face of the list applies; typing that matches none applies nothing.
    const int index = c_.FontName->findText(c_.FontName->currentText(), Qt::MatchFixedString);
    if (index < 0) return;
    TargetAttributes().SetName(c_.FontName->itemText(index));
}

void TFormatBar::AlignButtonClick(int tag) {
    if (SyncingToolbar) return;
    Editor->Paragraph().SetAlignment(static_cast<TAlignment>(tag));
}

void TFormatBar::BulletsButtonClick() {
    if (SyncingToolbar) return;
    Editor->Paragraph().SetNumbering(c_.BulletsButton->isChecked() ? TNumberingStyle::nsBullet
                                                                   : TNumberingStyle::nsNone);
}

void TFormatBar::SelectFont() {
    TTextAttributes& sel = Editor->SelAttributes();
    QFont font(sel.Name());
    if (sel.Size() > 0) font.setPointSize(sel.Size());
    const TFontStyles style = sel.Style();
    font.setBold(style.testFlag(TFontStyle::fsBold));
    font.setItalic(style.testFlag(TFontStyle::fsItalic));
    font.setUnderline(style.testFlag(TFontStyle::fsUnderline));
    font.setStrikeOut(style.testFlag(TFontStyle::fsStrikeOut));
    const QColor shown = sel.Color();
    QColor color = shown;
    if (prompts_.ChooseFont(font, color, kFontHelpContext)) {
        TTextAttributes& target = TargetAttributes();
        target.SetName(font.family());
        if (font.pointSize() > 0) target.SetSize(font.pointSize());
        TFontStyles chosen;
        chosen.setFlag(TFontStyle::fsBold, font.bold());
        chosen.setFlag(TFontStyle::fsItalic, font.italic());
        chosen.setFlag(TFontStyle::fsUnderline, font.underline());
        chosen.setFlag(TFontStyle::fsStrikeOut, font.strikeOut());
        target.SetStyle(chosen);
        // An untouched colour stays as it was (automatic stays automatic).
        if (color != shown) target.SetColor(color);
    }
    SelectionChange();
    Editor->setFocus();
}

void TFormatBar::ColorButtonClick() {
    QColor color = lastColor_;
    if (!prompts_.ChooseColor(color, kFontHelpContext)) return;
    lastColor_ = color;
    ShowColor(color); // shown again as the text has it when the change is refused
    Editor->SelAttributes().SetColor(color);
}

// ---- ruler markers ----

void TFormatBar::RulerItemMouseDown(TRulerMarker* marker, int x) {
    MarkerGrabOffset = marker->width() / 2;
    marker->move(ruler::DraggedLeft(marker->x(), x, MarkerGrabOffset), marker->y());
    MarkerDragging = true;
}

void TFormatBar::RulerItemMouseMove(TRulerMarker* marker, int x) {
    if (!MarkerDragging) return;
    marker->move(ruler::DraggedLeft(marker->x(), x, MarkerGrabOffset), marker->y());
}

void TFormatBar::MarkerUp(TRulerMarker* marker) {
    switch (marker->Kind()) {
    case TMarker::FirstInd:
        FirstIndMouseUp();
        break;
    case TMarker::LeftInd:
        LeftIndMouseUp();
        break;
    case TMarker::RightInd:
        RightIndMouseUp();
        break;
    }
}

void TFormatBar::FirstIndMouseUp() {
    MarkerDragging = false;
    Editor->Paragraph().SetFirstIndent(
        ruler::FirstIndFromLeft(Ruler->FirstInd->x(), MarkerGrabOffset));
    // L is measured from F: recompute it so the following lines stay put.
    LeftIndMouseUp();
}

void TFormatBar::LeftIndMouseUp() {
    MarkerDragging = false;
    TParaAttributes& para = Editor->Paragraph();
    para.SetLeftIndent(
        ruler::LeftIndFromLeft(Ruler->LeftInd->x(), MarkerGrabOffset, para.FirstIndent()));
    SelectionChange();
}

void TFormatBar::RightIndMouseUp() {
    MarkerDragging = false;
    Editor->Paragraph().SetRightIndent(
        ruler::RightIndFromLeft(Ruler->width(), Ruler->RightInd->x(), MarkerGrabOffset));
    SelectionChange();
}

void TFormatBar::MarkerKeyStep(TRulerMarker* marker, int dx) {
    // As a press at the marker's centre, a move by dx and a release.
    MarkerGrabOffset = marker->width() / 2;
    marker->move(marker->x() + dx, marker->y());
    MarkerUp(marker);
}
