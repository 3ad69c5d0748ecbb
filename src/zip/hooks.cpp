#include "zip/hooks.h"

#include <cstdio>

TEngineHooks& EngineHooks() {
    static TEngineHooks hooks;
    return hooks;
}

void ShowEngineMessage(const std::string& text, const std::string& caption) {
    if (EngineHooks().MessageBox)
        EngineHooks().MessageBox(text, caption);
    else
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void ProcessPendingMessages() {
    if (EngineHooks().ProcessMessages) EngineHooks().ProcessMessages();
}
