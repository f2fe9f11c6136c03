#include "text/ansi_upper_case.h"

namespace velmora {

namespace {

std::array<uint8_t, 256> MakeUpperTable() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = static_cast<uint8_t>(i);
    for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<uint8_t>(c - 0x20);
    // Letters of the upper half whose capitals are not 0x20 below them.
    const uint8_t pairs[][2] = {
        {0x9A, 0x8A},  // s caron
        {0x9C, 0x8C},  // s acute
        {0x9D, 0x8D},  // t caron
        {0x9E, 0x8E},  // z caron
        {0x9F, 0x8F},  // z acute
        {0xB3, 0xA3},  // l stroke
        {0xB9, 0xA5},  // a ogonek
        {0xBA, 0xAA},  // s cedilla
        {0xBE, 0xBC},  // l caron
        {0xBF, 0xAF},  // z dot above
    };
    for (const auto& p : pairs) t[p[0]] = p[1];
    // 0xE0..0xFE mirror 0xC0..0xDE, except the division sign at 0xF7.
    for (int c = 0xE0; c <= 0xFE; ++c) {
        if (c != 0xF7) t[c] = static_cast<uint8_t>(c - 0x20);
    }
    return t;
}

}  // namespace

const std::array<uint8_t, 256>& AnsiUpperTable() {
    static const std::array<uint8_t, 256> table = MakeUpperTable();
    return table;
}

std::string AnsiUpperCase(std::string_view text) {
    const auto& t = AnsiUpperTable();
    std::string out(text);
    for (char& c : out) c = static_cast<char>(t[static_cast<uint8_t>(c)]);
    return out;
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    const auto& t = AnsiUpperTable();
    for (size_t i = 0; i < a.size(); ++i) {
        if (t[static_cast<uint8_t>(a[i])] != t[static_cast<uint8_t>(b[i])]) return false;
    }
    return true;
}

}  // namespace velmora
