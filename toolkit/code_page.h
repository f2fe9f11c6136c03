#pragma once
// Windows-1250 text at the Qt boundary. Data strings keep their bytes exactly as in the files; they
// become QString only for display and come back as Windows-1250 only when the user edits them.
// The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to the control
// characters of the same number, so every byte survives a round trip.
#include <QString>
#include <string>

namespace velmora {

// Decodes Windows-1250 bytes; never fails, every byte has a character.
QString FromWin1250(const std::string& win1250);

// Encodes to Windows-1250; a character outside the code page becomes "?" (one per code point).
std::string ToWin1250(const QString& text);

// A path built from data text, in the file system's encoding (UTF-8).
std::string ToFileSystemPath(const std::string& win1250);

// Decodes single-byte text in the given Windows code page (1250, 1251, 1252, ...). Bytes the code page
// does not define become the control character of the same number. Unknown code pages read as 1250.
QString FromCodePage(const std::string& bytes, int codePage);

}  // namespace velmora
