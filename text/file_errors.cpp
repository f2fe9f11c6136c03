#include "text/file_errors.h"

#include "core/bounded_file_read.h"

namespace velmora {

EFileOpenError::EFileOpenError(const std::string& path, int error)
    : Exception("Cannot open file \"" + path + "\". " + FileErrorText(error)) {}

EFileCreateError::EFileCreateError(const std::string& path, int error)
    : Exception("Cannot create file \"" + path + "\". " + FileErrorText(error)) {}

}  // namespace velmora
