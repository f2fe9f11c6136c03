#pragma once
// An ordered list of texts with two case-insensitive look-up indexes: one over whole entries and one
// over the name part of key lines (the text before their first "="). Among equal names a look-up finds
// the entry with the highest index. Each index is rebuilt in one pass, first entry to last, at the first
// look-up after any change of the list but an entry appended, which joins the indexes at once. An entry may own a nested list (a section owns its lines).
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/string_hash.h"

namespace velmora {

class THashedStringList {
public:
    THashedStringList() = default;
    THashedStringList(const THashedStringList&) = delete;
    THashedStringList& operator=(const THashedStringList&) = delete;

    int Count() const { return static_cast<int>(FEntries.size()); }
    // EListError outside 0 .. Count() - 1.
    const std::string& Strings(int index) const;
    void SetStrings(int index, std::string text);
    // Appends an entry and returns its index.
    int Add(std::string text);
    // Appends an entry that owns an empty nested list and returns its index.
    int AddWithLines(std::string text);
    // The nested list of an entry, or nullptr when it owns none.
    THashedStringList* Lines(int index) const;
    // Removes every entry and frees the nested lists.
    void Clear();

    // Index of the last entry equal to text regardless of letter case, else -1.
    int IndexOf(std::string_view text) const;
    // Index of the last entry whose name part equals name regardless of letter case, else -1.
    // Entries without "=" have no name and are never found.
    int IndexOfName(std::string_view name) const;

private:
    struct Entry {
        std::string text;
        std::unique_ptr<THashedStringList> lines;
    };
    void Changed();
    void Appended();
    void RebuildValueHash() const;
    void RebuildNameHash() const;

    std::vector<Entry> FEntries;
    mutable TStringHash FValueHash;
    mutable TStringHash FNameHash;
    mutable bool FValueHashValid = false;
    mutable bool FNameHashValid = false;
    // The last IndexOf, answered again without the index: the keys of one section are read in a row.
    mutable std::string FLastQuery;
    mutable int FLastIndex = -2;  // -2: nothing remembered
};

}  // namespace velmora
