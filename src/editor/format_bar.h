// The formatting tool bar's wiring: it keeps the tool bar, the ruler's three
// indent markers and the caret panel in step with the editor's selection
// (SelectionChange), and applies what the user does with them to the text.
//
// Every formatting command changes TargetAttributes: the selection's
// character attributes when a character is selected, else the editor's
// default attributes (so Bold with nothing selected changes what typing
// produces from then on). The colour command is the exception: it always
// colours the selection, or the caret's typing format.
//
// While SelectionChange writes the controls, SyncingToolbar is set and every
// handler that would apply a change returns at once, so showing the state
// never changes it.
#pragma once

#include "editor/font_size_box.h"
#include "editor/ruler_geometry.h"

#include <QColor>
#include <QObject>
#include <QSpinBox>

#include <functional>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QToolButton;
class TPrompts;
class TRichEdit;
class TRuler;
class TRulerMarker;
class TTextAttributes;

// The controls of the tool bar this class serves, and the status panel that
// shows the caret's line and column.
struct TFormatControls {
    QComboBox* FontName = nullptr;
    QSpinBox* FontSize = nullptr;
    QFrame* ColorPnl = nullptr;
    QToolButton* ColorButton = nullptr;
    QToolButton* BoldButton = nullptr;
    QToolButton* ItalicButton = nullptr;
    QToolButton* UnderlineButton = nullptr;
    QToolButton* LeftAlign = nullptr;
    QToolButton* CenterAlign = nullptr;
    QToolButton* RightAlign = nullptr;
    QToolButton* BulletsButton = nullptr;
    QLabel* CaretPanel = nullptr;
};

class TFormatBar : public QObject {
    Q_OBJECT
public:
    TFormatBar(TRichEdit* editor, TRuler* ruler, const TFormatControls& controls, TPrompts& prompts,
               QObject* parent = nullptr);

    // The Edit menu's "Color..." and "&Font..." commands.
    void AttachCommands(QAction* colorCmd, QAction* fontCmd);

    // ---- state ----
    bool SyncingToolbar = false;
    bool MarkerDragging = false;
    int MarkerGrabOffset = 0; // pixels: half the width of the marker last pressed

    TTextAttributes& TargetAttributes();

    // ---- set-up (window creation) ----
    void FillFontList();
    void BuildRulerTicks();
    void ApplyEditMargins();

    // ---- the selection shown ----
    void SelectionChange();
    void ShowCaretPosition();

    // ---- tool bar handlers ----
    void BoldButtonClick();
    void ItalicButtonClick();
    void UnderlineButtonClick();
    void FontSizeChange();
    // Enter in the size box: the typed size applies and the editor takes the
    // focus back (a size that is no integer is reported; the box keeps it).
    void FontSizeCommitted();
    void FontNameChange();
    void AlignButtonClick(int tag);
    void BulletsButtonClick();
    void SelectFont();
    void ColorButtonClick();

    // ---- ruler markers ----
    void RulerItemMouseDown(TRulerMarker* marker, int x);
    void RulerItemMouseMove(TRulerMarker* marker, int x);
    void FirstIndMouseUp();
    void LeftIndMouseUp();
    void RightIndMouseUp();

private:
    void StyleButtonClick(QToolButton* button, int style);
    void MarkerUp(TRulerMarker* marker);
    void MarkerKeyStep(TRulerMarker* marker, int dx);
    void ShowColor(const QColor& color);
    void Guard(const std::function<void()>& handler);

    TRichEdit* Editor;
    TRuler* Ruler;
    TFormatControls c_;
    TPrompts& prompts_;
    QColor lastColor_ = Qt::black; // the colour dialog opens on the colour last confirmed
};
