// Splits RTF bytes into tokens: group braces, control words with their
// optional parameter, control symbols, hexadecimal bytes (\'hh) and runs of
// plain text. Carriage returns and line feeds between tokens are not text and
// are dropped; a backslash before a line end is a paragraph mark. Parameters
// are clamped to the 32-bit range, words to 32 letters, so no input can
// overflow anything; every call consumes at least one byte or reports the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rtf {

enum class TokenKind { End, GroupStart, GroupEnd, ControlWord, ControlSymbol, HexByte, Text };

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view word; // ControlWord: its letters
    bool hasParam = false;
    std::int32_t param = 0;
    char symbol = 0;        // ControlSymbol: the character after the backslash
    unsigned char byte = 0; // HexByte
    // HexByte, and ControlSymbol '\'' (a "\'" with no hex digit): how many hex
    // digits followed the "\'" (0, 1 or 2).
    int hexDigits = 0;
    std::string_view text; // Text: plain bytes, no CR or LF
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view data) : data_(data) {}

    Token Next();
    // Skips `count` raw bytes (the data of \binN), or up to the end.
    void SkipBytes(std::int64_t count);
    // The same bytes, handed out (a picture's binary data).
    std::string_view TakeBytes(std::int64_t count);
    // Skips up to `count` characters of plain text (no brace, backslash or
    // line end): the rest of a malformed "\'" escape that is skipped whole.
    void SkipEscapeTail(int count);
    bool AtEnd() const { return pos_ >= data_.size(); }
    std::size_t Position() const { return pos_; }

private:
    Token ReadControl();

    std::string_view data_;
    std::size_t pos_ = 0;
};

} // namespace rtf
