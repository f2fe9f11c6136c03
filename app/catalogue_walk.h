#pragma once
// The catalogue walk: everything a data directory holds, found the way the program finds it, with
// no widgets. A page is any page listed in the page list or present by a picture or hotspot file of
// its own; an item is any item of a page that has a picture or hotspot file, and the items the page
// reaches (1 .. its item count, at least item 1) that have neither are kept as runs of numbers, so a
// runaway item count costs nothing. Hotspots are read by the program's own reader, captions by its
// own rule, and a sign picture is looked for where the program looks for it.
//
// ListCatalogue reads the directory, the page list and the caption list; ReadItemHotspots fills in
// one item, ResolveSigns the captions and sign pictures of them all. WalkCatalogue does all of it,
// the items on every core.
// Threads: ListCatalogue and ResolveSigns run on the caller's thread; ReadItemHotspots touches only
// the item it is given, so different items may be read on different threads at once.
#include <cstdint>
#include <string>
#include <vector>

#include "app/data_set.h"
#include "text/string_list.h"

namespace velmora {

// The stage's chapter links show pages 1 to ChapterLinkCount; no link leads to a page beyond.
inline constexpr int32_t ChapterLinkCount = 10;

// What a name of the catalogue is on disk. Only a regular file (or a link to one) counts as existing.
enum class TFileKind : uint8_t { Missing, Regular, Directory, Other, BrokenLink };

struct TCatalogueFile {
    std::string Path;  // the data directory followed by the name; empty when there is no such file name
    TFileKind Kind = TFileKind::Missing;
    bool Exists() const { return Kind == TFileKind::Regular; }
    // Something lies there that the program takes for missing: a directory, a FIFO, a dead link.
    bool Unusable() const { return Kind != TFileKind::Missing && Kind != TFileKind::Regular; }
};

struct TWalkHotspot {
    int32_t Section = 0;  // the numbered section it was read from
    THotspotRecord Record;
    // Filled by ResolveSigns: the caption the preview shows, the sign picture the description names
    // (an empty path when it would lead out of the sign folder) and whether it exists.
    std::string Caption;
    TCatalogueFile Sign;
};

struct TWalkItem {
    int32_t Page = 0;
    int32_t Item = 0;
    // The program can show it: its page has a picture and the number lies within 1 .. max(1, Items).
    bool Reached = false;
    TCatalogueFile Picture;
    TCatalogueFile HotspotFile;
    std::vector<TWalkHotspot> Hotspots;  // bottom one first
    int64_t HotspotsCutFrom = 0;         // the count the reader cut back to MaxHotspotsPerItem, else 0
    std::string ReadError;               // why the hotspot file could not be read; it then has none
};

struct TItemRun {
    int32_t First;
    int32_t Last;
};

struct TWalkPage {
    int32_t Page = 0;
    bool Listed = false;  // a section of the page list names it
    int32_t Items = 1;    // the item count the program reads for it
    TCatalogueFile Picture;
    std::vector<TWalkItem> ItemList;       // by item number
    std::vector<TItemRun> ReachedUnpictured;  // reached items with neither picture nor hotspot file
};

// A picture of the sign folder; Name is its path below the folder without ".jpg", as on disk.
struct TWalkSign {
    std::string Name;
    TCatalogueFile Picture;
};

struct TCatalogue {
    std::string DataDir;  // with its trailing "/"
    bool DirectoryExists = false;
    TCatalogueFile PageListFile;
    TCatalogueFile SignListFile;
    TCatalogueFile IntroFile;
    TCatalogueFile MenuPicture;
    TCatalogueFile IndexPicture;
    // The caption list as the program holds it (empty when the file is missing or unreadable), and
    // why the page list or the caption list could not be read, if so.
    TStringList SignList;
    std::string PageListError;
    std::string SignListError;
    std::vector<TWalkPage> Pages;  // by page number
    std::vector<TWalkSign> Signs;  // by name
    // Pictures and INI files whose names the program never builds ("p_01.jpg", "x.JPG", "1_x.ini").
    std::vector<TCatalogueFile> Unnamed;

    // The item, or nullptr.
    const TWalkItem* FindItem(int32_t page, int32_t item) const;
};

// The directory (with or without its trailing "/"), its page list and caption list; no hotspots yet.
TCatalogue ListCatalogue(const std::string& dataDir);

// Reads the item's hotspot file, when it has one, as the window does.
void ReadItemHotspots(TWalkItem& item);
// Captions and sign pictures of every hotspot, each description looked up once.
void ResolveSigns(TCatalogue& catalogue);
// The same for one item read again (after the editor saved it), against the catalogue's captions.
void ResolveSigns(const TCatalogue& catalogue, TWalkItem& item);

// ListCatalogue, then every item's hotspots and signs, spread over threads (0: one per core).
TCatalogue WalkCatalogue(const std::string& dataDir, unsigned threads = 0);

// Every item of the catalogue, page by page, for callers that treat them alike.
std::vector<TWalkItem*> AllItems(TCatalogue& catalogue);

// The kind of file at path, following links.
TFileKind FileKindAt(const std::string& path);

}  // namespace velmora
