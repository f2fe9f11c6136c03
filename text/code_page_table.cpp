#include "text/code_page_table.h"

#include <iconv.h>
#include <map>
#include <mutex>

namespace velmora {
namespace {

// One byte at a time, so that an undefined byte cannot stop the conversion of the rest.
bool DecodeByteWithIconv(iconv_t cd, unsigned char byte, char32_t& out) {
    char in = static_cast<char>(byte);
    char32_t buf[2] = {0, 0};
    char* inPtr = &in;
    size_t inLeft = 1;
    char* outPtr = reinterpret_cast<char*>(buf);
    size_t outLeft = sizeof(buf);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return false;
    if (outLeft != sizeof(buf) - sizeof(char32_t)) return false;  // expect exactly one character
    out = buf[0];
    return out <= 0xFFFF;
}

// False when iconv does not know the code page.
bool BuildTable(int codePage, TCodePageTable& table) {
    for (int b = 0; b < 256; ++b) table.ToUnicode[b] = static_cast<char16_t>(b);
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    for (int b = 0; b < 256; ++b) {
        char32_t c = 0;
        if (DecodeByteWithIconv(cd, static_cast<unsigned char>(b), c)) table.ToUnicode[b] = static_cast<char16_t>(c);
    }
    iconv_close(cd);
    for (int b = 255; b >= 0; --b) table.FromUnicode[table.ToUnicode[b]] = static_cast<unsigned char>(b);
    return true;
}

}  // namespace

const TCodePageTable& CodePageTable(int codePage) {
    static std::mutex mutex;
    static std::map<int, TCodePageTable> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codePage);
    if (it != tables.end()) return it->second;
    TCodePageTable table;
    if (!BuildTable(codePage, table) && codePage != 1250) {
        auto own = tables.find(1250);
        if (own != tables.end()) return tables.emplace(codePage, own->second).first->second;
        table = TCodePageTable{};
        BuildTable(1250, table);
    }
    return tables.emplace(codePage, std::move(table)).first->second;
}

void AppendCodePageText(std::string_view bytes, int codePage, std::u16string& out) {
    const TCodePageTable& table = CodePageTable(codePage);
    const size_t at = out.size();
    out.resize(at + bytes.size());
    char16_t* to = out.data() + at;
    for (unsigned char b : bytes) *to++ = table.ToUnicode[b];
}

}  // namespace velmora
