// A password box the user can read back: masked as typed, with a "Show"
// check box beside it that shows the text while it is checked. A password
// typed once and never seen must not become a key nobody knows.
#pragma once

class QCheckBox;
class QLineEdit;
class QWidget;

// Puts `edit` (masked from now on) and its "Show" check box side by side in
// a new widget, which takes the edit's place in a layout. The check box is
// enabled and disabled with the edit, and unchecked (the text masked again)
// whenever the edit is disabled.
QWidget* WithShowToggle(QLineEdit* edit);

// The "Show" check box WithShowToggle put beside `edit`, or null.
QCheckBox* ShowToggleOf(QLineEdit* edit);
