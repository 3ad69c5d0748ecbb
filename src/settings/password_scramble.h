// The scrambled form of the profile passwords in the settings file. This is
// no encryption: it only keeps a password from being read at a glance. The
// passwords are 8-bit (ANSI) strings; the scrambled form is uppercase hex.
#pragma once

#include "platform/password.h"

#include <string>
#include <string_view>

// The value of a string of hex digits, accumulated from the left. Digits
// outside 0-9, A-F, a-f give meaningless values but never fail.
unsigned HexValue(const std::string& digits);
// Each byte as two uppercase hex digits.
std::string TextToHex(const std::string& text);
// The bytes of the digit pairs; a final unpaired digit is ignored.
std::string HexToText(const std::string& hex);

// Blocks of 8 bytes: byte i XOR key byte i, then the block's first and last
// bytes exchanged; the result as hex (twice as long as the password).
std::string ScramblePassword(std::string_view password);
TPassword UnscramblePassword(const std::string& scrambled);
