// Asking for a new password: typed twice, masked, so that a slip of the
// finger never becomes the only key to an entry. A second answer that
// differs says so and asks both again; Cancel at either question gives up.
#pragma once

#include <QString>

#include <optional>

class TPrompts;

// The new password, or nothing when the user cancelled.
std::optional<QString> AskNewPassword(TPrompts& prompts, const QString& caption,
                                      const QString& prompt);
