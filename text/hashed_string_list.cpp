#include "text/hashed_string_list.h"

#include <cstring>

#include "text/ansi_upper_case.h"
#include "text/string_list.h"

namespace velmora {

namespace {

// text equals the already upper-cased query after upper-casing text.
bool EqualsUpper(std::string_view text, std::string_view upperQuery) {
    if (text.size() != upperQuery.size()) return false;
    const auto& upper = AnsiUpperTable();
    for (size_t i = 0; i < text.size(); ++i) {
        if (upper[static_cast<uint8_t>(text[i])] != static_cast<uint8_t>(upperQuery[i])) return false;
    }
    return true;
}

}  // namespace

const std::string& THashedStringList::Strings(int index) const {
    if (index < 0 || index >= Count()) throw EListError(index);
    return FEntries[static_cast<size_t>(index)].text;
}

void THashedStringList::SetStrings(int index, std::string text) {
    if (index < 0 || index >= Count()) throw EListError(index);
    FEntries[static_cast<size_t>(index)].text = std::move(text);
    Changed();
}

int THashedStringList::Add(std::string text) {
    FEntries.push_back(Entry{std::move(text), nullptr});
    Appended();
    return Count() - 1;
}

int THashedStringList::AddWithLines(std::string text) {
    FEntries.push_back(Entry{std::move(text), std::make_unique<THashedStringList>()});
    Appended();
    return Count() - 1;
}

void THashedStringList::Appended() {
    // The new last entry goes to the head of its chains, just where a rebuild would put it, so the
    // indexes stay valid: writing a store of many sections must not rebuild them for each one.
    const int index = Count() - 1;
    const std::string& text = FEntries.back().text;
    if (FValueHashValid) FValueHash.Add(TStringHash::HashOf(text), index);
    if (FNameHashValid) {
        if (const void* eq = std::memchr(text.data(), '=', text.size())) {
            const size_t nameLength = static_cast<size_t>(static_cast<const char*>(eq) - text.data());
            FNameHash.Add(TStringHash::HashOf(std::string_view(text).substr(0, nameLength)), index);
        }
    }
    FLastIndex = -2;
}

THashedStringList* THashedStringList::Lines(int index) const {
    if (index < 0 || index >= Count()) throw EListError(index);
    return FEntries[static_cast<size_t>(index)].lines.get();
}

void THashedStringList::Clear() {
    FEntries.clear();
    Changed();
}

void THashedStringList::Changed() {
    FValueHashValid = false;
    FNameHashValid = false;
    FLastIndex = -2;
}

void THashedStringList::RebuildValueHash() const {
    FValueHash.Clear();
    FValueHash.Reserve(Count());
    for (int i = 0; i < Count(); ++i) FValueHash.Add(TStringHash::HashOf(FEntries[i].text), i);
    FValueHashValid = true;
}

void THashedStringList::RebuildNameHash() const {
    FNameHash.Clear();
    FNameHash.Reserve(Count());
    for (int i = 0; i < Count(); ++i) {
        const std::string& text = FEntries[i].text;
        const void* eq = std::memchr(text.data(), '=', text.size());
        if (eq == nullptr) continue;
        size_t nameLength = static_cast<size_t>(static_cast<const char*>(eq) - text.data());
        FNameHash.Add(TStringHash::HashOf(std::string_view(text).substr(0, nameLength)), i);
    }
    FNameHashValid = true;
}

int THashedStringList::IndexOf(std::string_view text) const {
    if (FLastIndex != -2 && EqualsUpper(text, FLastQuery)) return FLastIndex;
    if (!FValueHashValid) RebuildValueHash();
    std::string query = AnsiUpperCase(text);
    FLastIndex = FValueHash.Find(TStringHash::HashOf(query),
                                 [&](int32_t i) { return EqualsUpper(FEntries[i].text, query); });
    FLastQuery = std::move(query);
    return FLastIndex;
}

int THashedStringList::IndexOfName(std::string_view name) const {
    // A name part never holds "=", so such a query names nothing.
    if (name.find('=') != std::string_view::npos) return -1;
    if (!FNameHashValid) RebuildNameHash();
    const std::string query = AnsiUpperCase(name);
    // With no "=" in query, the entry's name part is exactly query when "=" follows query's length.
    return FNameHash.Find(TStringHash::HashOf(query), [&](int32_t i) {
        const std::string& t = FEntries[i].text;
        return t.size() > query.size() && t[query.size()] == '=' &&
               EqualsUpper(std::string_view(t).substr(0, query.size()), query);
    });
}

}  // namespace velmora
