#pragma once
// Whole-file reading and writing for the text containers.
#include <string>
#include <string_view>

namespace velmora {

// True when a regular file (or a link to one) exists at path; a directory counts as missing.
bool IsExistingFile(const std::string& path);

// True when path is a symbolic link by which a write would land outside the folder path names (with
// that folder's own links resolved); every link is followed, one that leads nowhere too. A catalogue
// from elsewhere must not be able to make a save replace any other file. A path that is no link, or
// whose folder does not exist, is not refused here: writing to it fails or succeeds on its own.
bool LinksOutOfItsFolder(const std::string& path);

// The bytes of the regular file at path, at most MaxTextFileBytes of them; EFileOpenError when it is
// no regular file, is larger, or cannot be opened or read.
std::string ReadWholeFile(const std::string& path);

// Replaces the file at path by bytes without ever leaving it half written: the bytes go to a
// temporary file beside it, which is flushed to disk and renamed over the target. On failure the
// temporary is removed, the old file stays as it was and EFileCreateError is raised. Where the folder
// allows no temporary file but the file itself may be written, the file is overwritten in place after
// reserving the space for the new bytes; there only an I/O error while writing can spoil it.
void ReplaceWholeFile(const std::string& path, std::string_view bytes);

}  // namespace velmora
