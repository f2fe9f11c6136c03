#include "text/string_list.h"

#include "text/file_access.h"

namespace velmora {

const std::string& TStringList::Strings(int index) const {
    if (index < 0 || index >= Count()) throw EListError(index);
    return FLines[static_cast<size_t>(index)];
}

void TStringList::SetStrings(int index, std::string line) {
    if (index < 0 || index >= Count()) throw EListError(index);
    FLines[static_cast<size_t>(index)] = std::move(line);
}

int TStringList::Add(std::string line) {
    FLines.push_back(std::move(line));
    return Count() - 1;
}

void TStringList::Clear() { FLines.clear(); }

std::vector<std::string> SplitTextLines(std::string_view text) {
    std::vector<std::string> lines;
    size_t i = 0;
    const size_t n = text.size();
    // A NUL where a line would start ends the text without adding a line.
    while (i < n && text[i] != '\0') {
        size_t start = i;
        while (i < n && text[i] != '\r' && text[i] != '\n' && text[i] != '\0') ++i;
        lines.emplace_back(text.substr(start, i - start));
        if (i >= n || text[i] == '\0') break;
        if (text[i] == '\r') {
            ++i;
            if (i < n && text[i] == '\n') ++i;
        } else {
            ++i;
        }
    }
    return lines;
}

void TStringList::SplitLines(std::string_view text) { FLines = SplitTextLines(text); }

std::string TStringList::JoinLines() const {
    size_t size = 0;
    for (const auto& line : FLines) size += line.size() + 2;
    std::string out;
    out.reserve(size);
    for (const auto& line : FLines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void TStringList::LoadLines(const std::string& path) { SplitLines(ReadWholeFile(path)); }

void TStringList::SaveLines(const std::string& path) const { ReplaceWholeFile(path, JoinLines()); }

}  // namespace velmora
