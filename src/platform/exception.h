// The program's exceptions all derive from one base that carries the
// message shown to the user; the file errors of the platform layer live here
// too, because both the engine and the settings code raise them.
#pragma once

#include <exception>
#include <string>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const noexcept { return message_; }

private:
    std::string message_;
};

// A file that cannot be opened or created. The message names the file and
// the system's reason.
class EFileError : public Exception {
public:
    using Exception::Exception;
};
class EFOpenError : public EFileError {
public:
    using EFileError::EFileError;
};
class EFCreateError : public EFileError {
public:
    using EFileError::EFileError;
};

// "Cannot open file "name". reason" / "Cannot create file "name". reason",
// with reason taken from errno.
EFOpenError MakeOpenError(const std::string& fileName, int err);
EFCreateError MakeCreateError(const std::string& fileName, int err);
