#include "app/engine_messages.h"

#include "ui/prompts.h"
#include "zip/hooks.h"

#include <QCoreApplication>
#include <QEventLoop>

void InstallEngineHooks(TPrompts& prompts) {
    // The engine's caption is dropped: the box is the program's message.
    EngineHooks().MessageBox = [&prompts](const std::string& text, const std::string&) {
        prompts.ShowMessage(MessageText(text));
    };
    EngineHooks().ProcessMessages = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}

void RemoveEngineHooks() {
    EngineHooks() = TEngineHooks();
}
