#pragma once
// Windows-1250 text for what runs without Qt: the checker's report and file names built from
// descriptions. The five bytes the code page leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) map to
// the control characters of the same number, as at the Qt boundary, so both give the same file name.
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// UTF-8 of Windows-1250 bytes; never fails.
std::string Win1250ToUtf8(std::string_view win1250);

// Windows-1250 of UTF-8 text; false when it holds a character outside the code page or is no UTF-8.
bool Utf8ToWin1250(std::string_view utf8, std::string& win1250);

// Appends the UTF-8 of code point c; one outside Unicode, or half of a surrogate pair, becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// True when text is well-formed UTF-8.
bool IsUtf8(std::string_view text);

// The bytes the code page does not define.
inline bool IsUndefinedInWin1250(uint8_t byte) {
    return byte == 0x81 || byte == 0x83 || byte == 0x88 || byte == 0x90 || byte == 0x98;
}

}  // namespace velmora
