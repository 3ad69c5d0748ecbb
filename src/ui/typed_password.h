// A password as the user typed it into a prompt (a QString) becomes the
// bytes it is keyed with (codepage.h's PasswordBytes) in a TPassword, and
// the typed text and the conversion's copy are wiped on the way.
#pragma once

#include "platform/password.h"

#include <QString>

// Takes the text out of `typed`, which is left empty and wiped.
TPassword TakePassword(QString& typed);
// Overwrites the string's characters (when it holds the only reference to
// them), then empties it.
void WipeQString(QString& text);
