// Help is shown at context numbers (1 the main window, 14 find, 15 replace,
// 16 find in files, 17 preferences, 19 the font and colour dialogs). The
// windows of every layer ask for it here; the application installs the help
// window that answers, and tests install a recorder.
#pragma once

#include <functional>

using THelpHandler = std::function<void(int context)>;

// Installs the handler (an empty one switches help off).
void SetHelpHandler(THelpHandler handler);
// Shows help at `context`; does nothing while no handler is installed.
void ShowHelp(int context);
