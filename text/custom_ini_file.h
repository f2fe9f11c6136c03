#pragma once
// Base of the INI stores: numbers on top of the text operations of a descendant.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Reads a 32-bit integer the way the data files write them: optional leading blanks, an optional sign,
// then decimal digits, or hexadecimal ones after "$", "x", "X", "0x" or "0X". Hexadecimal values wrap to
// 32 bits (FFFFFFFF is -1); decimal ones must fit. Anything else, a trailing blank too, fails.
std::optional<int32_t> ParseInteger(std::string_view text);

class TCustomIniFile {
public:
    explicit TCustomIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
    virtual ~TCustomIniFile() = default;
    TCustomIniFile(const TCustomIniFile&) = delete;
    TCustomIniFile& operator=(const TCustomIniFile&) = delete;

    const std::string& FileName() const { return FFileName; }

    virtual std::string GetValue(std::string_view section, std::string_view key,
                                 std::string_view defaultValue) const = 0;
    virtual void SetValue(std::string_view section, std::string_view key, std::string_view value) = 0;
    // The key's value read by ParseInteger; defaultValue when it is missing or no number.
    virtual int32_t GetNumber(std::string_view section, std::string_view key, int32_t defaultValue) const;
    // Stores the value in decimal.
    virtual void SetNumber(std::string_view section, std::string_view key, int32_t value);
    virtual void SaveFile() = 0;

private:
    std::string FFileName;
};

}  // namespace velmora
