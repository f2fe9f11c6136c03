#include "text/custom_ini_file.h"

namespace velmora {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text) {
    size_t i = 0;
    const size_t n = text.size();
    bool negative = false;
    bool hex = false;
    if (n >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        // "0x" in front of three or more characters reads as "$": hexadecimal digits from the third on.
        hex = true;
        i = 2;
    } else {
        if (n == 0) return std::nullopt;
        while (i < n && text[i] == ' ') ++i;
        if (i < n && (text[i] == '-' || text[i] == '+')) {
            negative = text[i] == '-';
            ++i;
        }
        if (i < n && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
            hex = true;
            i += 1;
        } else if (i + 1 < n && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
            hex = true;
            i += 2;
        }
    }
    if (i >= n) return std::nullopt;  // no digit at all

    uint32_t value = 0;
    if (hex) {
        for (; i < n; ++i) {
            int d = HexDigit(text[i]);
            if (d < 0 || value > 0x0FFFFFFFu) return std::nullopt;
            value = value * 16u + static_cast<uint32_t>(d);
        }
        if (negative) value = 0u - value;
        return static_cast<int32_t>(value);
    }
    for (; i < n; ++i) {
        char c = text[i];
        if (c < '0' || c > '9' || value > 214748364u) return std::nullopt;
        value = value * 10u + static_cast<uint32_t>(c - '0');
    }
    if (negative) {
        if (value > 2147483648u) return std::nullopt;
        return static_cast<int32_t>(0u - value);
    }
    if (value > 2147483647u) return std::nullopt;
    return static_cast<int32_t>(value);
}

int32_t TCustomIniFile::GetNumber(std::string_view section, std::string_view key, int32_t defaultValue) const {
    return ParseInteger(GetValue(section, key, "")).value_or(defaultValue);
}

void TCustomIniFile::SetNumber(std::string_view section, std::string_view key, int32_t value) {
    SetValue(section, key, std::to_string(value));
}

}  // namespace velmora
