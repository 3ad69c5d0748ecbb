#include "platform/exception.h"

#include <cstring>

EFOpenError MakeOpenError(const std::string& fileName, int err) {
    return EFOpenError("Cannot open file \"" + fileName + "\". " + std::strerror(err));
}

EFCreateError MakeCreateError(const std::string& fileName, int err) {
    return EFCreateError("Cannot create file \"" + fileName + "\". " + std::strerror(err));
}
