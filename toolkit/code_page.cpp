#include "toolkit/code_page.h"

#include <QList>

#include "text/code_page_table.h"

namespace velmora {

QString FromCodePage(const std::string& bytes, int codePage) {
    const TCodePageTable& table = CodePageTable(codePage);
    QString text;
    text.resize(static_cast<qsizetype>(bytes.size()));
    QChar* out = text.data();
    for (unsigned char b : bytes) *out++ = QChar(table.ToUnicode[b]);
    return text;
}

QString FromWin1250(const std::string& win1250) { return FromCodePage(win1250, 1250); }

std::string ToWin1250(const QString& text) {
    const TCodePageTable& table = CodePageTable(1250);
    std::string bytes;
    bytes.reserve(static_cast<size_t>(text.size()));
    for (uint c : text.toUcs4()) {
        auto it = table.FromUnicode.find(c);
        bytes += it == table.FromUnicode.end() ? '?' : static_cast<char>(it->second);
    }
    return bytes;
}

std::string ToFileSystemPath(const std::string& win1250) { return FromWin1250(win1250).toUtf8().toStdString(); }

}  // namespace velmora
