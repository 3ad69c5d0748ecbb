#include "ui/new_password.h"

#include "ui/prompts.h"

std::optional<QString> AskNewPassword(TPrompts& prompts, const QString& caption,
                                      const QString& prompt) {
    for (;;) {
        QString first;
        if (!prompts.InputQuery(caption, prompt, first, true)) return std::nullopt;
        QString second;
        if (!prompts.InputQuery(caption, "Enter the new password again:", second, true))
            return std::nullopt;
        if (first == second) return first;
        prompts.ShowMessage("The two passwords differ. Please enter the new password again.");
    }
}
