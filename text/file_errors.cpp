#include "text/file_errors.h"

#include <cstring>

namespace velmora {

EFileOpenError::EFileOpenError(const std::string& path, int error)
    : Exception("Cannot open file \"" + path + "\". " + std::strerror(error)) {}

EFileCreateError::EFileCreateError(const std::string& path, int error)
    : Exception("Cannot create file \"" + path + "\". " + std::strerror(error)) {}

}  // namespace velmora
