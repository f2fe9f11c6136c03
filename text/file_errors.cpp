#include "text/file_errors.h"

#include "core/bounded_file_read.h"

namespace velmora {

EFileOpenError::EFileOpenError(const std::string& path, int error)
    : Exception("Cannot open file \"" + path + "\". " + FileErrorText(error)) {}

EFileCreateError::EFileCreateError(const std::string& path, int error)
    : EFileCreateError(path, FileErrorText(error)) {}

EFileCreateError::EFileCreateError(const std::string& path, const std::string& reason)
    : Exception("Cannot create file \"" + path + "\". " + reason) {}

}  // namespace velmora
