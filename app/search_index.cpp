#include "app/search_index.h"

#include <algorithm>
#include <array>
#include <tuple>

#include "app/catalogue_walk.h"
#include "app/code_page_1250.h"
#include "app/parallel_for.h"

namespace velmora {

namespace {

// What a query character unknown to the code page becomes: no folded text holds it.
constexpr char NoMatch = '\x01';

constexpr uint8_t WordStart = 1;
constexpr uint8_t WordEnd = 2;

// Windows-1250 byte to its folded letter or digit; 0 for a word break.
constexpr std::array<char, 256> MakeFoldTable() {
    std::array<char, 256> t{};
    for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<char>(c);
    for (int c = 'a'; c <= 'z'; ++c) t[c] = static_cast<char>(c);
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = static_cast<char>(c + 32);
    // Š Ś Ť Ž Ź, š ś ť ž ź, Ł Ą Ş Ż, ł ą ş Ľ ľ ż.
    const std::pair<int, char> single[] = {{0x8A, 's'}, {0x8C, 's'}, {0x8D, 't'}, {0x8E, 'z'}, {0x8F, 'z'},
                                           {0x9A, 's'}, {0x9C, 's'}, {0x9D, 't'}, {0x9E, 'z'}, {0x9F, 'z'},
                                           {0xA3, 'l'}, {0xA5, 'a'}, {0xAA, 's'}, {0xAF, 'z'}, {0xB3, 'l'},
                                           {0xB9, 'a'}, {0xBA, 's'}, {0xBC, 'l'}, {0xBE, 'l'}, {0xBF, 'z'}};
    for (const auto& [byte, letter] : single) t[byte] = letter;
    // 0xC0 .. 0xDF, upper case, and 0xE0 .. 0xFF, the same letters in lower case; × ÷ and ˙ break.
    const char* const block = "raaaalccceeeeiiddnnoooo ruuuuyts";
    for (int i = 0; i < 32; ++i) {
        const char letter = block[i] == ' ' ? '\0' : block[i];
        t[0xC0 + i] = letter;
        t[0xE0 + i] = i == 31 ? '\0' : letter;
    }
    return t;
}

constexpr std::array<char, 256> FoldTable = MakeFoldTable();

char FoldByte(char c) { return FoldTable[static_cast<uint8_t>(c)]; }

// Only the letters and digits, folded: "B-20" is "b20".
std::string Compact(std::string_view win1250) {
    std::string out;
    out.reserve(win1250.size());
    for (char c : win1250)
        if (const char f = FoldByte(c)) out += f;
    return out;
}

// The part after the last folder separator: a sign in a folder of its own is still found by number.
std::string_view LastPart(std::string_view opis) {
    const size_t slash = opis.find_last_of("/\\");
    return slash == std::string_view::npos ? opis : opis.substr(slash + 1);
}

// One code point of UTF-8 at i, advanced past it; false at malformed input (one byte is skipped).
bool NextCodePoint(std::string_view text, size_t& i, std::string_view& piece) {
    const auto b = static_cast<uint8_t>(text[i]);
    const size_t length = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) {
        ++i;
        return false;
    }
    piece = text.substr(i, length);
    i += length;
    return true;
}

bool IsQuerySeparator(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == ',' || c == ';'; }

// The caption rule for every description of a catalogue at once. A line holds d + ".jpg" only where
// one of its ".jpg" follows the last characters of d, so the lines are filed by the characters
// before each ".jpg" they hold and only those lines are tried, in order; a description shorter than
// that tries every line. The result is the rule's, line for line.
class TCaptionFinder {
public:
    explicit TCaptionFinder(const TStringList& signList) : FLines(signList.Lines()) {
        for (size_t i = 0; i < FLines.size(); ++i) {
            const std::string& line = FLines[i];
            for (size_t at = line.find(".jpg"); at != std::string::npos; at = line.find(".jpg", at + 1)) {
                if (at < KeyLength) continue;
                std::vector<size_t>& lines = FByEnd[line.substr(at - KeyLength, KeyLength)];
                if (lines.empty() || lines.back() != i) lines.push_back(i);
            }
        }
    }

    std::string Caption(const std::string& d) const {
        const std::string needle = d + ".jpg";
        if (d.size() < KeyLength) {
            for (const std::string& line : FLines)
                if (line.find(needle) != std::string::npos) return CaptionOf(line);
            return {};
        }
        const auto filed = FByEnd.find(d.substr(d.size() - KeyLength));
        if (filed == FByEnd.end()) return {};
        for (size_t i : filed->second)
            if (FLines[i].find(needle) != std::string::npos) return CaptionOf(FLines[i]);
        return {};
    }

private:
    static constexpr size_t KeyLength = 3;
    // After the line's first TAB, or the whole line when it has none.
    static std::string CaptionOf(const std::string& line) {
        const size_t tab = line.find('\t');
        return tab == std::string::npos ? line : line.substr(tab + 1);
    }
    const std::vector<std::string>& FLines;
    std::unordered_map<std::string, std::vector<size_t>> FByEnd;
};

}  // namespace

std::string FoldForSearch(std::string_view win1250) {
    std::string out;
    out.reserve(win1250.size());
    for (char c : win1250) {
        if (const char f = FoldByte(c)) {
            out += f;
        } else if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string FoldQuery(std::string_view utf8) {
    // Spaces and commas part the words of a query; other marks inside a word are dropped, so that
    // "B-20", "B 20" typed as one word, and "b20" are the same.
    std::string out;
    size_t i = 0;
    while (i < utf8.size()) {
        std::string_view piece;
        char folded = NoMatch;
        if (NextCodePoint(utf8, i, piece)) {
            std::string byte;
            if (piece.size() == 1 && IsQuerySeparator(piece[0])) {
                if (!out.empty() && out.back() != ' ') out += ' ';
                continue;
            }
            if (Utf8ToWin1250(piece, byte) && byte.size() == 1) {
                folded = FoldByte(byte[0]);
                if (folded == '\0') continue;  // a mark inside a word
            }
        }
        out += folded;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

TSearchIndex::TSign& TSearchIndex::SignFor(const std::string& opis, const std::string* caption) {
    const auto [it, added] = FSignOf.try_emplace(opis, FSigns.size());
    if (!added) return FSigns[it->second];
    TSign& sign = FSigns.emplace_back();
    sign.Opis = opis;
    sign.Caption = caption != nullptr ? *caption : GetOpis(FSignList, opis);
    sign.Number = Compact(LastPart(opis));
    sign.Description = Compact(opis);
    sign.SortKey = FoldForSearch(sign.Caption);
    for (size_t i = 0; i < sign.SortKey.size(); ++i) {
        if (sign.SortKey[i] == ' ') continue;
        uint8_t edges = 0;
        if (i == 0 || sign.SortKey[i - 1] == ' ') edges |= WordStart;
        if (i + 1 == sign.SortKey.size() || sign.SortKey[i + 1] == ' ') edges |= WordEnd;
        sign.Words += sign.SortKey[i];
        sign.Edges.push_back(edges);
    }
    return sign;
}

TSearchIndex TSearchIndex::FromCatalogue(const TCatalogue& catalogue) {
    TSearchIndex index;
    index.FSignList = catalogue.SignList;
    const TCaptionFinder captions(index.FSignList);
    for (const TWalkPage& page : catalogue.Pages) {
        for (const TWalkItem& item : page.ItemList) {
            if (!item.Reached || !item.Picture.Exists()) continue;
            for (size_t k = 0; k < item.Hotspots.size(); ++k) {
                const TWalkHotspot& hotspot = item.Hotspots[k];
                // A hotspot without a description names no sign.
                if (hotspot.Record.Opis.empty()) continue;
                TSign* sign = nullptr;
                if (const auto known = index.FSignOf.find(hotspot.Record.Opis); known != index.FSignOf.end()) {
                    sign = &index.FSigns[known->second];
                } else {
                    const std::string caption = captions.Caption(hotspot.Record.Opis);
                    sign = &index.SignFor(hotspot.Record.Opis, &caption);
                }
                sign->Places.push_back({item.Page, item.Item, static_cast<int32_t>(k), hotspot.Record.Rect});
            }
        }
    }
    return index;
}

void TSearchIndex::ReplaceItem(int32_t page, int32_t item, const std::vector<THotspotRecord>& hotspots) {
    for (TSign& sign : FSigns)
        std::erase_if(sign.Places, [&](const TSearchPlace& p) { return p.Page == page && p.Item == item; });
    const auto order = [](const TSearchPlace& a, const TSearchPlace& b) {
        return std::tie(a.Page, a.Item, a.Hotspot) < std::tie(b.Page, b.Item, b.Hotspot);
    };
    for (size_t k = 0; k < hotspots.size(); ++k) {
        if (hotspots[k].Opis.empty()) continue;
        std::vector<TSearchPlace>& places = SignFor(hotspots[k].Opis, nullptr).Places;
        const TSearchPlace place{page, item, static_cast<int32_t>(k), hotspots[k].Rect};
        places.insert(std::upper_bound(places.begin(), places.end(), place, order), place);
    }
}

int32_t TSearchIndex::ScoreWord(const TSign& sign, std::string_view word) const {
    if (sign.Number == word) return 100;
    if (sign.Number.starts_with(word)) return 70;
    int32_t best = 0;
    for (size_t at = sign.Words.find(word); at != std::string::npos && best < 50; at = sign.Words.find(word, at + 1)) {
        const bool start = sign.Edges[at] & WordStart;
        const bool end = sign.Edges[at + word.size() - 1] & WordEnd;
        best = std::max(best, start && end ? 50 : start ? 40 : 10);
    }
    if (best < 25 && sign.Description.find(word) != std::string::npos) best = 25;
    return best;
}

TSearchResults TSearchIndex::Search(std::string_view utf8Query, size_t limit) const {
    TSearchResults results;
    const std::string query = FoldQuery(utf8Query);
    std::vector<std::string_view> words;
    for (size_t from = 0; from < query.size();) {
        size_t to = query.find(' ', from);
        if (to == std::string::npos) to = query.size();
        words.push_back(std::string_view(query).substr(from, to - from));
        from = to + 1;
    }
    if (words.empty()) return results;

    struct THit {
        int32_t Score;
        const TSign* Sign;
    };
    std::vector<THit> hits;
    for (const TSign& sign : FSigns) {
        if (sign.Places.empty()) continue;
        int32_t score = 0;
        for (std::string_view word : words) {
            const int32_t s = ScoreWord(sign, word);
            if (s == 0) {
                score = 0;
                break;
            }
            score += s;
        }
        if (score > 0) hits.push_back({score, &sign});
    }
    std::sort(hits.begin(), hits.end(), [](const THit& a, const THit& b) {
        if (a.Score != b.Score) return a.Score > b.Score;
        if (a.Sign->SortKey != b.Sign->SortKey) return a.Sign->SortKey < b.Sign->SortKey;
        return a.Sign->Opis < b.Sign->Opis;
    });
    for (const THit& hit : hits) {
        results.Total += hit.Sign->Places.size();
        for (const TSearchPlace& place : hit.Sign->Places) {
            if (results.Shown.size() >= limit) break;
            results.Shown.push_back({hit.Sign->Opis, hit.Sign->Caption, place, hit.Score});
        }
    }
    return results;
}

size_t TSearchIndex::PlaceCount() const {
    size_t count = 0;
    for (const TSign& sign : FSigns) count += sign.Places.size();
    return count;
}

TSearchIndex BuildSearchIndex(const std::string& dataDir) {
    // The walk's listing, then the hotspots of the items a reader can reach, on every core; the signs'
    // pictures are not looked for, the index has no use for them.
    TCatalogue catalogue = ListCatalogue(dataDir);
    std::vector<TWalkItem*> shown;
    for (TWalkItem* item : AllItems(catalogue))
        if (item->Reached && item->Picture.Exists()) shown.push_back(item);
    ParallelFor(shown.size(), 0, [&](size_t i) { ReadItemHotspots(*shown[i]); });
    return TSearchIndex::FromCatalogue(catalogue);
}

}  // namespace velmora
