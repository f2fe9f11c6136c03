#pragma once
// TSearchIndex: every hotspot of the catalogue that names a sign, found by the words of its caption
// or its description ("A-1"), with no widgets. Matching folds letter case and diacritics of the
// Windows-1250 letters ("zakret" finds "zakręt") and ignores what separates letters from digits
// ("b20" finds "B-20"); every word of a query must match. Best matches come first: a description
// equal to a word, then one that starts with it, then whole caption words, words that start with it,
// and anything containing it; ties go by caption, description, then page, item and hotspot.
//
// A catalogue names a few hundred signs tens of thousands of times, so the index holds each
// description once with the places it appears, and a search runs over descriptions, not hotspots.
// Threads: an index is a plain value; it is built on whichever thread calls FromCatalogue or
// BuildSearchIndex and may then be moved to another, which alone uses it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/data_set.h"
#include "core/geometry.h"
#include "text/string_list.h"

namespace velmora {

struct TCatalogue;

// One hotspot of an item: where the navigator shows it and which layer of the item view it becomes.
struct TSearchPlace {
    int32_t Page = 0;
    int32_t Item = 0;
    int32_t Hotspot = 0;  // its position in the item's hotspot file, 0 for the bottom one
    TSingleRect Rect;
    friend bool operator==(const TSearchPlace&, const TSearchPlace&) = default;
};

struct TSearchResult {
    std::string Opis;     // the description, Windows-1250
    std::string Caption;  // the caption the preview shows, Windows-1250
    TSearchPlace Place;
    int32_t Score = 0;
};

struct TSearchResults {
    std::vector<TSearchResult> Shown;  // the best ones, at most the limit asked for
    size_t Total = 0;                  // every hotspot that matched
};

// Text folded for matching: Windows-1250 letters to lower-case ASCII without diacritics, digits kept,
// everything else a word break (one space, none at either end).
std::string FoldForSearch(std::string_view win1250);
// The same for what a person types (UTF-8); a character outside the code page matches nothing.
std::string FoldQuery(std::string_view utf8);

class TSearchIndex {
public:
    TSearchIndex() = default;
    // The hotspots of every item the program can show (its page has a picture, the item a picture and
    // a number within the page's count), captioned by the caption rule from the catalogue's sign list
    // (a walk whose signs were not resolved will do).
    static TSearchIndex FromCatalogue(const TCatalogue& catalogue);

    // Replaces what the index holds for one item by hotspots as the editor saved them.
    void ReplaceItem(int32_t page, int32_t item, const std::vector<THotspotRecord>& hotspots);

    // The hotspots matching a query typed in UTF-8, best first; nothing for a query without words.
    TSearchResults Search(std::string_view utf8Query, size_t limit = SIZE_MAX) const;

    size_t SignCount() const { return FSigns.size(); }
    size_t PlaceCount() const;

private:
    struct TSign {
        std::string Opis;
        std::string Caption;
        std::string Number;        // the last part of the description, letters and digits only
        std::string Description;   // the whole description, letters and digits only
        std::string Words;         // the caption's letters and digits, word breaks dropped
        std::vector<uint8_t> Edges;  // per character of Words: WordStart, WordEnd bits
        std::string SortKey;       // the caption folded, for ties
        std::vector<TSearchPlace> Places;  // by page, item, hotspot
    };
    // The entry of a description, made on first use with the caption given or found by the caption rule.
    TSign& SignFor(const std::string& opis, const std::string* caption);
    int32_t ScoreWord(const TSign& sign, std::string_view word) const;

    TStringList FSignList;
    std::vector<TSign> FSigns;
    std::unordered_map<std::string, size_t> FSignOf;  // description to its place in FSigns
};

// Walks the catalogue under dataDir and indexes it (the items are read on every core).
TSearchIndex BuildSearchIndex(const std::string& dataDir);

}  // namespace velmora
