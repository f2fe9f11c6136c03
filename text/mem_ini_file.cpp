#include "text/mem_ini_file.h"

#include "text/file_access.h"
#include "text/string_list.h"

namespace velmora {

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsTrimmed(s[b])) ++b;
    while (e > b && IsTrimmed(s[e - 1])) --e;
    return s.substr(b, e - b);
}

}  // namespace

TMemIniFile::TMemIniFile(std::string fileName) : TCustomIniFile(std::move(fileName)) {
    if (FileName().empty() || !IsExistingFile(FileName())) return;
    LoadFromText(ReadWholeFile(FileName()));
}

void TMemIniFile::LoadFromText(std::string_view text) {
    FSections.Clear();
    THashedStringList* current = nullptr;
    for (const std::string& raw : SplitTextLines(text)) {
        std::string_view line = Trim(raw);
        if (line.empty() || line.front() == ';') continue;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            int index = FSections.AddWithLines(std::string(Trim(line.substr(1, line.size() - 2))));
            current = FSections.Lines(index);
            continue;
        }
        if (current == nullptr) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) {
            current->Add(std::string(line));
            continue;
        }
        std::string_view name = Trim(line.substr(0, eq));
        std::string_view value = Trim(line.substr(eq + 1));
        std::string keyLine;
        keyLine.reserve(name.size() + 1 + value.size());
        keyLine.append(name).append(1, '=').append(value);
        current->Add(std::move(keyLine));
    }
}

std::string TMemIniFile::GetValue(std::string_view section, std::string_view key,
                                  std::string_view defaultValue) const {
    int s = FSections.IndexOf(section);
    if (s < 0) return std::string(defaultValue);
    const THashedStringList* lines = FSections.Lines(s);
    int k = lines->IndexOfName(key);
    if (k < 0) return std::string(defaultValue);
    return lines->Strings(k).substr(key.size() + 1);
}

void TMemIniFile::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    int s = FSections.IndexOf(section);
    if (s < 0) s = FSections.AddWithLines(std::string(section));
    THashedStringList* lines = FSections.Lines(s);
    std::string line;
    line.reserve(key.size() + 1 + value.size());
    line.append(key).append(1, '=').append(value);
    int k = lines->IndexOfName(key);
    if (k >= 0) {
        lines->SetStrings(k, std::move(line));
    } else {
        lines->Add(std::move(line));
    }
}

void TMemIniFile::ClearAll() { FSections.Clear(); }

TStringList TMemIniFile::FileLines() const {
    TStringList out;
    for (int s = 0; s < FSections.Count(); ++s) {
        out.Add("[" + FSections.Strings(s) + "]");
        const THashedStringList* lines = FSections.Lines(s);
        for (int i = 0; i < lines->Count(); ++i) out.Add(lines->Strings(i));
        out.Add("");
    }
    return out;
}

std::string TMemIniFile::FileText() const { return FileLines().JoinLines(); }

void TMemIniFile::SaveFile() { FileLines().SaveLines(FileName()); }

}  // namespace velmora
