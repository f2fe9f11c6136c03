#pragma once
// Errors of reading and writing whole text files. The messages are shown to the user as they stand.
#include <string>

#include "core/exception.h"

namespace velmora {

// Cannot open file "path". <system's description, or "Not a regular file">
class EFileOpenError : public Exception {
public:
    EFileOpenError(const std::string& path, int error);
};

// Cannot create file "path". <system's description, or the reason given>
class EFileCreateError : public Exception {
public:
    EFileCreateError(const std::string& path, int error);
    EFileCreateError(const std::string& path, const std::string& reason);
};

}  // namespace velmora
