// What the engine needs from a user interface it must not include: a message
// box, a chance to process pending window messages, and an open-file dialog.
// The application installs these; tests install recorders. Unset hooks do
// nothing (the message box then writes to standard error).
#pragma once

#include <functional>
#include <string>

struct TEngineHooks {
    // text, caption
    std::function<void(const std::string&, const std::string&)> MessageBox;
    std::function<void()> ProcessMessages;
    // title, filter, initial folder; returns the chosen file or nothing on Cancel.
    std::function<bool(const std::string&, const std::string&, const std::string&, std::string&)>
        OpenFileDialog;
};

TEngineHooks& EngineHooks();

void ShowEngineMessage(const std::string& text, const std::string& caption);
void ProcessPendingMessages();
