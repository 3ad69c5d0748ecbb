// Text to integer as the platform converts it.
#pragma once

#include <string>

// The platform's signed decimal reading: leading blanks, an optional sign,
// digits, nothing after; false when the text is no 32-bit integer.
bool TryStrToInt(const std::string& text, int& value);
// The conversion message for a text that is no integer:
// "'<text>' is not a valid integer value".
std::string NotAnIntegerMessage(const std::string& text);
