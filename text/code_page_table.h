#pragma once
// Single-byte Windows code pages (1250, 1251, 1252, ...) as tables of 256 UTF-16 characters, built
// once per code page through glibc's iconv. A byte the code page does not define maps to the control
// character of the same number, so every byte has a character and survives a round trip; a code
// page iconv does not know reads as 1250. Safe to call from any thread.
#include <array>
#include <string>
#include <string_view>
#include <unordered_map>

namespace velmora {

struct TCodePageTable {
    std::array<char16_t, 256> ToUnicode{};
    // The byte of each character; the lower byte wins where two decode to the same one.
    std::unordered_map<char32_t, unsigned char> FromUnicode;
};

const TCodePageTable& CodePageTable(int codePage);

// Appends the characters of bytes in codePage to out.
void AppendCodePageText(std::string_view bytes, int codePage, std::u16string& out);

}  // namespace velmora
