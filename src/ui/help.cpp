#include "ui/help.h"

#include <utility>

namespace {
THelpHandler& Handler() {
    static THelpHandler handler;
    return handler;
}
} // namespace

void SetHelpHandler(THelpHandler handler) {
    Handler() = std::move(handler);
}

void ShowHelp(int context) {
    if (Handler()) Handler()(context);
}
