#include "app/code_page_1250.h"

#include <array>

namespace velmora {

namespace {

// Code points of the bytes 0x80 .. 0xFF; below them the code page is ASCII.
constexpr std::array<uint16_t, 128> HighHalf = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021,
    0x0088, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A,
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7,
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B,
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7,
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C,
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7,
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E,
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7,
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF,
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F,
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7,
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

// The next code point of UTF-8 text at i, advancing i; false for a malformed or overlong sequence.
bool NextCodePoint(std::string_view s, size_t& i, uint32_t& c) {
    const auto b = static_cast<uint8_t>(s[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) return false;
    c = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto t = static_cast<uint8_t>(s[i + static_cast<size_t>(k)]);
        if ((t & 0xC0) != 0x80) return false;
        c = (c << 6) | (t & 0x3F);
    }
    static constexpr uint32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < Smallest[extra]) return false;
    i += static_cast<size_t>(extra) + 1;
    return true;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Win1250ToUtf8(std::string_view win1250) {
    std::string out;
    out.reserve(win1250.size());
    for (char ch : win1250) {
        const auto b = static_cast<uint8_t>(ch);
        AppendUtf8(out, b < 0x80 ? b : HighHalf[b - 0x80]);
    }
    return out;
}

bool IsUtf8(std::string_view text) {
    uint32_t c = 0;
    for (size_t i = 0; i < text.size();)
        if (!NextCodePoint(text, i, c)) return false;
    return true;
}

bool Utf8ToWin1250(std::string_view utf8, std::string& win1250) {
    win1250.clear();
    for (size_t i = 0; i < utf8.size();) {
        uint32_t c = 0;
        if (!NextCodePoint(utf8, i, c)) return false;
        if (c < 0x80) {
            win1250 += static_cast<char>(c);
            continue;
        }
        size_t k = 0;
        while (k < HighHalf.size() && HighHalf[k] != c) ++k;
        if (k == HighHalf.size()) return false;
        win1250 += static_cast<char>(0x80 + k);
    }
    return true;
}

}  // namespace velmora
