#include "platform/password.h"

#include <cstring>
#include <string.h>
#include <utility>

void WipeBytes(void* bytes, std::size_t size) {
    if (bytes != nullptr && size > 0) ::explicit_bzero(bytes, size);
}

void WipeString(std::string& text) {
    // The whole buffer: a string that shrank keeps its old bytes past size().
    text.resize(text.capacity());
    WipeBytes(text.data(), text.size());
    text.clear();
}

TPassword::TPassword(std::string_view bytes) : size_(bytes.size()) {
    if (size_ == 0) return;
    data_ = new char[size_];
    std::memcpy(data_, bytes.data(), size_);
}

TPassword::TPassword(TPassword&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

TPassword& TPassword::operator=(const TPassword& other) {
    if (this != &other) *this = TPassword(other);
    return *this;
}

TPassword& TPassword::operator=(TPassword&& other) noexcept {
    if (this != &other) {
        clear();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

TPassword::~TPassword() {
    clear();
}

void TPassword::clear() {
    WipeBytes(data_, size_);
    delete[] data_;
    data_ = nullptr;
    size_ = 0;
}
