#include "rtf/rtf_tokenizer.h"

#include <limits>

namespace rtf {
namespace {

constexpr std::size_t kMaxWordLength = 32;
constexpr std::int64_t kParamLimit = std::numeric_limits<std::int32_t>::max();

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

Token Make(TokenKind kind) {
    Token t;
    t.kind = kind;
    return t;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

Token Tokenizer::Next() {
    while (pos_ < data_.size()) {
        char c = data_[pos_];
        switch (c) {
        case '{':
            ++pos_;
            return Make(TokenKind::GroupStart);
        case '}':
            ++pos_;
            return Make(TokenKind::GroupEnd);
        case '\\':
            return ReadControl();
        case '\r':
        case '\n':
        case '\0': // some writers pad with NUL bytes; they are never text
            ++pos_;
            continue;
        default:
            break;
        }
        std::size_t start = pos_;
        while (pos_ < data_.size()) {
            char t = data_[pos_];
            if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n' || t == '\0') break;
            ++pos_;
        }
        Token tok = Make(TokenKind::Text);
        tok.text = data_.substr(start, pos_ - start);
        return tok;
    }
    return Make(TokenKind::End);
}

Token Tokenizer::ReadControl() {
    ++pos_; // the backslash
    if (pos_ >= data_.size()) return Make(TokenKind::End);
    char c = data_[pos_];
    if (!IsLetter(c)) {
        ++pos_;
        if (c == '\'') {
            int hi = pos_ < data_.size() ? HexValue(data_[pos_]) : -1;
            int lo = pos_ + 1 < data_.size() ? HexValue(data_[pos_ + 1]) : -1;
            if (hi < 0) { // "\'" without digits: no text
                Token tok = Make(TokenKind::ControlSymbol);
                tok.symbol = '\'';
                return tok;
            }
            Token tok = Make(TokenKind::HexByte);
            if (lo < 0) {
                ++pos_;
                tok.byte = static_cast<unsigned char>(hi);
                tok.hexDigits = 1;
            } else {
                pos_ += 2;
                tok.byte = static_cast<unsigned char>(hi * 16 + lo);
                tok.hexDigits = 2;
            }
            return tok;
        }
        Token tok = Make(TokenKind::ControlSymbol);
        tok.symbol = c == '\r' ? '\n' : c;
        // "\" CR LF is one paragraph mark.
        if (c == '\r' && pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
        return tok;
    }
    std::size_t start = pos_;
    while (pos_ < data_.size() && IsLetter(data_[pos_]))
        ++pos_;
    Token tok = Make(TokenKind::ControlWord);
    tok.word = data_.substr(start, std::min(pos_ - start, kMaxWordLength));
    bool negative = false;
    if (pos_ + 1 < data_.size() && data_[pos_] == '-' && IsDigit(data_[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    if (pos_ < data_.size() && IsDigit(data_[pos_])) {
        std::int64_t value = 0;
        while (pos_ < data_.size() && IsDigit(data_[pos_])) {
            if (value <= kParamLimit) value = value * 10 + (data_[pos_] - '0');
            ++pos_;
        }
        if (value > kParamLimit) value = kParamLimit;
        tok.hasParam = true;
        tok.param = static_cast<std::int32_t>(negative ? -value : value);
    }
    if (pos_ < data_.size() && data_[pos_] == ' ') ++pos_; // the delimiter belongs to the word
    return tok;
}

void Tokenizer::SkipBytes(std::int64_t count) {
    if (count <= 0) return;
    std::size_t left = data_.size() - pos_;
    pos_ += static_cast<std::uint64_t>(count) < left ? static_cast<std::size_t>(count) : left;
}

std::string_view Tokenizer::TakeBytes(std::int64_t count) {
    const std::size_t from = pos_;
    SkipBytes(count);
    return data_.substr(from, pos_ - from);
}

void Tokenizer::SkipEscapeTail(int count) {
    for (; count > 0 && pos_ < data_.size(); --count) {
        const char c = data_[pos_];
        if (c == '{' || c == '}' || c == '\\' || c == '\r' || c == '\n') break;
        ++pos_;
    }
}

} // namespace rtf
