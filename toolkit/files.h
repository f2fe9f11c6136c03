#pragma once
// File-system services of the platform: existence (a directory counts as missing) and the
// executable's directory.
#include <string>

namespace velmora {

// True when a regular file (or a link to one) exists at path; directories and errors count as missing.
bool FileExists(const std::string& path);

// Reads the whole regular file into bytes, at most MaxTextFileBytes of them; false when it is no
// regular file, is larger, or cannot be opened or read (bytes then empty).
bool ReadFileBytes(const std::string& path, std::string& bytes);

// The directory of the running executable with a trailing "/".
std::string ExecutableDir();

}  // namespace velmora
