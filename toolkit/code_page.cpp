#include "toolkit/code_page.h"

#include <QList>
#include <array>
#include <iconv.h>
#include <map>
#include <mutex>
#include <unordered_map>

namespace velmora {
namespace {

// One 256-entry table per code page, filled once through iconv one byte at a time so that an
// undefined byte cannot stop the conversion of the rest.
struct TCodePageTable {
    std::array<char16_t, 256> toUnicode{};
    std::unordered_map<char32_t, unsigned char> fromUnicode;
};

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
    for (int b = 0; b < 256; ++b) table.toUnicode[b] = static_cast<char16_t>(b);
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    for (int b = 0; b < 256; ++b) {
        char32_t c = 0;
        if (DecodeByteWithIconv(cd, static_cast<unsigned char>(b), c)) table.toUnicode[b] = static_cast<char16_t>(c);
    }
    iconv_close(cd);
    // Lower bytes win when two bytes ever decode to the same character.
    for (int b = 255; b >= 0; --b) table.fromUnicode[table.toUnicode[b]] = static_cast<unsigned char>(b);
    return true;
}

const TCodePageTable& Table(int codePage) {
    static std::mutex mutex;
    static std::map<int, TCodePageTable> tables;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = tables.find(codePage);
    if (it != tables.end()) return it->second;
    TCodePageTable table;
    // A code page iconv does not know is read as our own.
    if (!BuildTable(codePage, table) && codePage != 1250) {
        auto own = tables.find(1250);
        if (own != tables.end()) return tables.emplace(codePage, own->second).first->second;
        table = TCodePageTable{};
        BuildTable(1250, table);
    }
    return tables.emplace(codePage, std::move(table)).first->second;
}

}  // namespace

QString FromCodePage(const std::string& bytes, int codePage) {
    const TCodePageTable& table = Table(codePage);
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (unsigned char b : bytes) *out++ = QChar(table.toUnicode[b]);
    return text;
}

QString FromWin1250(const std::string& win1250) { return FromCodePage(win1250, 1250); }

std::string ToWin1250(const QString& text) {
    const TCodePageTable& table = Table(1250);
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (uint c : text.toUcs4()) {
        auto it = table.fromUnicode.find(c);
        bytes += it == table.fromUnicode.end() ? '?' : static_cast<char>(it->second);
    }
    return bytes;
}

std::string ToFileSystemPath(const std::string& win1250) { return FromWin1250(win1250).toUtf8().toStdString(); }

}  // namespace velmora
