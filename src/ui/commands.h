// Commands (actions) shared by menu entries and tool buttons. The main window
// declares every command with its caption, shortcut and hint; the feature
// that carries it attaches its handler, which enables the command.
#pragma once

#include <QString>
#include <functional>

class QAction;
class QWidget;
class TPrompts;

// Runs `handler` on every trigger of `action`, guarded (an error it raises is
// shown in the error box), and enables the action.
void AttachCommand(QAction* action, TPrompts& prompts, std::function<void()> handler);

// A hint "Tip|Status text" shows its first part as the pop-up tip and its
// second in the status bar; a hint without "|" serves both. The tip is also
// the accessible name of a control that shows no caption of its own.
void SetHint(QAction* action, const QString& hint);
void SetHint(QWidget* widget, const QString& hint);
