#pragma once
// Upper-casing of single-byte text in the Windows-1250 code page, the code page of every data file.
// Name look-ups compare texts after this mapping, byte for byte.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace velmora {

// 256 entries: byte -> its capital in Windows-1250 (bytes that are no lower-case letter map to themselves).
const std::array<uint8_t, 256>& AnsiUpperTable();

inline uint8_t AnsiUpperByte(uint8_t c) { return AnsiUpperTable()[c]; }

std::string AnsiUpperCase(std::string_view text);

// True when a and b are equal after upper-casing.
bool AnsiSameText(std::string_view a, std::string_view b);

}  // namespace velmora
