// TPassword: the one type a password is held in, from the prompt that reads
// it to the cipher that keys with it.
//
// A password held in a std::string leaves copies behind: a short one sits in
// the string object itself (wherever that was on the stack or in another
// object), a growing one leaves its old buffers on the heap, and neither is
// cleared when freed, so the bytes stay readable in the process's memory and
// in any dump of it. TPassword keeps its bytes in one heap block of exactly
// their size, never grows it in place, and wipes it (explicit_bzero, which
// the compiler may not leave out) before it is freed: on destruction, on
// assignment and on clear(). A copy is a second block with the same duty.
//
// It has no stream output and no conversion to std::string, so a password
// does not end up in a log line or an exception's message by accident;
// View() hands the bytes to the code that keys a cipher with them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class TPassword {
public:
    TPassword() = default;
    TPassword(std::string_view bytes); // NOLINT: passwords are assigned from text freely
    TPassword(const char* bytes) : TPassword(std::string_view(bytes)) {}
    TPassword(const std::string& bytes) : TPassword(std::string_view(bytes)) {}
    TPassword(const TPassword& other) : TPassword(other.View()) {}
    TPassword(TPassword&& other) noexcept;
    TPassword& operator=(const TPassword& other);
    TPassword& operator=(TPassword&& other) noexcept;
    ~TPassword();

    bool empty() const { return size_ == 0; }
    std::size_t size() const { return size_; }
    const char* data() const { return data_ ? data_ : ""; }
    std::string_view View() const { return {data(), size_}; }
    operator std::string_view() const { return View(); } // NOLINT: keyed as bytes
    // Wipes and frees the bytes: the password is empty.
    void clear();

    friend bool operator==(const TPassword& a, std::string_view b) { return a.View() == b; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};

// Overwrites `bytes` with zeros in a way the compiler keeps.
void WipeBytes(void* bytes, std::size_t size);
// Overwrites the string's whole buffer, then empties it.
void WipeString(std::string& text);
