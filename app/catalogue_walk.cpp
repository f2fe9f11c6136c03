#include "app/catalogue_walk.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <system_error>
#include <unordered_map>

#include "app/code_page_1250.h"
#include "app/parallel_for.h"
#include "core/exception.h"
#include "text/mem_ini_file.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

// A positive decimal number as the program writes it in names (no sign, no leading zero), else 0.
int32_t CanonicalNumber(std::string_view text) {
    if (text.empty() || text.size() > 10 || text[0] < '1' || text[0] > '9') return 0;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value <= std::numeric_limits<int32_t>::max() ? static_cast<int32_t>(value) : 0;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool LooksLikeCatalogueFile(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return ext == "jpg" || ext == "jpeg" || ext == "ini";
}

// What a name in the data directory is to the program.
struct TName {
    enum TRole { Fixed, PagePicture, ItemPicture, HotspotFile, Unnamed, Ignored } Role;
    int32_t Page = 0;
    int32_t Item = 0;
};

// "a_b" into two canonical numbers.
bool SplitPair(std::string_view text, int32_t& a, int32_t& b) {
    const size_t sep = text.find('_');
    if (sep == std::string_view::npos) return false;
    a = CanonicalNumber(text.substr(0, sep));
    b = CanonicalNumber(text.substr(sep + 1));
    return a > 0 && b > 0;
}

TName ClassifyName(std::string_view name) {
    if (name == "info.ini" || name == "znaki.txt" || name == "opis.rtf" || name == "p_menu.jpg" ||
        name == "p_spis.jpg")
        return {TName::Fixed};
    if (name.starts_with("p_") && EndsWith(name, ".jpg")) {
        const std::string_view stem = name.substr(2, name.size() - 6);
        if (const int32_t page = CanonicalNumber(stem)) return {TName::PagePicture, page};
        int32_t page = 0, item = 0;
        if (SplitPair(stem, page, item)) return {TName::ItemPicture, page, item};
    } else if (EndsWith(name, ".ini")) {
        int32_t page = 0, item = 0;
        if (SplitPair(name.substr(0, name.size() - 4), page, item)) return {TName::HotspotFile, page, item};
    }
    return {LooksLikeCatalogueFile(name) ? TName::Unnamed : TName::Ignored};
}

TCatalogueFile FileAt(std::string path) {
    TCatalogueFile file;
    file.Kind = FileKindAt(path);
    file.Path = std::move(path);
    return file;
}

TWalkItem& ItemOf(std::map<int32_t, TWalkItem>& items, int32_t page, int32_t item) {
    TWalkItem& entry = items[item];
    entry.Page = page;
    entry.Item = item;
    return entry;
}

}  // namespace

TFileKind FileKindAt(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        if (S_ISREG(info.st_mode)) return TFileKind::Regular;
        return S_ISDIR(info.st_mode) ? TFileKind::Directory : TFileKind::Other;
    }
    return ::lstat(path.c_str(), &info) == 0 ? TFileKind::BrokenLink : TFileKind::Missing;
}

const TWalkItem* TCatalogue::FindItem(int32_t page, int32_t item) const {
    const auto p = std::lower_bound(Pages.begin(), Pages.end(), page,
                                    [](const TWalkPage& a, int32_t n) { return a.Page < n; });
    if (p == Pages.end() || p->Page != page) return nullptr;
    const auto i = std::lower_bound(p->ItemList.begin(), p->ItemList.end(), item,
                                    [](const TWalkItem& a, int32_t n) { return a.Item < n; });
    return i != p->ItemList.end() && i->Item == item ? &*i : nullptr;
}

TCatalogue ListCatalogue(const std::string& dataDir) {
    TCatalogue catalogue;
    std::string& dir = catalogue.DataDir;
    dir = dataDir;
    if (dir.empty() || dir.back() != '/') dir += '/';
    catalogue.DirectoryExists = FileKindAt(dir) == TFileKind::Directory;
    catalogue.PageListFile = FileAt(InfoIniPath(dir));
    catalogue.SignListFile = FileAt(SignListPath(dir));
    catalogue.IntroFile = FileAt(IntroTextPath(dir));
    catalogue.MenuPicture = FileAt(StagePicturePath(dir, "menu"));
    catalogue.IndexPicture = FileAt(StagePicturePath(dir, "spis"));

    // Read as the window reads them: a missing file is empty, an unreadable one says why.
    std::optional<TMemIniFile> info;
    try {
        info.emplace(catalogue.PageListFile.Exists() ? catalogue.PageListFile.Path : std::string());
    } catch (const Exception& e) {
        catalogue.PageListError = e.what();
        info.emplace(std::string());
    }
    try {
        if (catalogue.SignListFile.Exists()) catalogue.SignList.LoadLines(catalogue.SignListFile.Path);
    } catch (const Exception& e) {
        catalogue.SignListError = e.what();
    }

    std::map<int32_t, TWalkPage> pages;
    std::map<int32_t, std::map<int32_t, TWalkItem>> items;
    const auto page = [&pages](int32_t n) -> TWalkPage& {
        TWalkPage& p = pages[n];
        p.Page = n;
        return p;
    };
    const THashedStringList& sections = info->Sections();
    for (int s = 0; s < sections.Count(); ++s)
        if (const int32_t n = CanonicalNumber(sections.Strings(s))) page(n).Listed = true;

    std::error_code error;
    for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        const TName what = ClassifyName(name);
        switch (what.Role) {
            case TName::PagePicture:
                page(what.Page);
                break;
            case TName::ItemPicture:
            case TName::HotspotFile:
                page(what.Page);
                ItemOf(items[what.Page], what.Page, what.Item);
                break;
            case TName::Unnamed:
                if (TCatalogueFile file = FileAt(dir + name); file.Kind != TFileKind::Directory)
                    catalogue.Unnamed.push_back(std::move(file));
                break;
            case TName::Fixed:
            case TName::Ignored:
                break;
        }
    }

    for (auto& [n, p] : pages) {
        p.Picture = FileAt(StagePicturePath(dir, std::to_string(n)));
        p.Items = PageItemCount(*info, n);
        const int32_t reachable = std::max(1, p.Items);
        int32_t next = 1;  // the first reached number not yet covered by an item of the list
        for (auto& [m, item] : items[n]) {
            item.Picture = FileAt(ItemPicturePath(dir, n, m));
            item.HotspotFile = FileAt(HotspotFilePath(dir, n, m));
            item.Reached = p.Picture.Exists() && m <= reachable;
            if (item.Reached && m > next) p.ReachedUnpictured.push_back({next, m - 1});
            if (item.Reached) next = m + 1;
            p.ItemList.push_back(std::move(item));
        }
        if (p.Picture.Exists() && next <= reachable) p.ReachedUnpictured.push_back({next, reachable});
        catalogue.Pages.push_back(std::move(p));
    }

    const std::string signDir = dir + "znaki";
    for (fs::recursive_directory_iterator it(signDir, fs::directory_options::skip_permission_denied, error), end;
         !error && it != end; it.increment(error)) {
        const std::string relative = it->path().lexically_relative(signDir).generic_string();
        const std::string name = it->path().filename().string();
        if (EndsWith(name, ".jpg")) {
            catalogue.Signs.push_back({relative.substr(0, relative.size() - 4), FileAt(dir + "znaki/" + relative)});
        } else if (LooksLikeCatalogueFile(name) && !it->is_directory(error)) {
            catalogue.Unnamed.push_back(FileAt(dir + "znaki/" + relative));
        }
    }
    std::sort(catalogue.Signs.begin(), catalogue.Signs.end(),
              [](const TWalkSign& a, const TWalkSign& b) { return a.Name < b.Name; });
    std::sort(catalogue.Unnamed.begin(), catalogue.Unnamed.end(),
              [](const TCatalogueFile& a, const TCatalogueFile& b) { return a.Path < b.Path; });
    return catalogue;
}

void ReadItemHotspots(TWalkItem& item) {
    item.Hotspots.clear();
    item.HotspotsCutFrom = 0;
    item.ReadError.clear();
    if (!item.HotspotFile.Exists()) return;
    std::vector<THotspotRecord> records;
    try {
        records = ReadHotspotFile(item.HotspotFile.Path, &item.HotspotsCutFrom);
    } catch (const Exception& e) {
        // The window reports it and shows no hotspots; so does the walk.
        item.ReadError = e.what();
        return;
    }
    item.Hotspots.resize(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        item.Hotspots[i].Section = static_cast<int32_t>(i + 1);
        item.Hotspots[i].Record = std::move(records[i]);
    }
}

namespace {

// Captions and sign pictures by description: a catalogue names a few hundred signs tens of
// thousands of times.
class TSignLookup {
public:
    explicit TSignLookup(const TCatalogue& catalogue) : FCatalogue(catalogue) {}

    void Resolve(TWalkItem& item) {
        for (TWalkHotspot& hotspot : item.Hotspots) {
            const std::string& opis = hotspot.Record.Opis;
            auto found = FKnown.find(opis);
            if (found == FKnown.end()) {
                TSign sign;
                sign.Caption = GetOpis(FCatalogue.SignList, opis);
                sign.Picture.Path = SignPicturePath(FCatalogue.DataDir, Win1250ToUtf8(opis));
                sign.Picture.Kind = sign.Picture.Path.empty() ? TFileKind::Missing : FileKindAt(sign.Picture.Path);
                found = FKnown.emplace(opis, std::move(sign)).first;
            }
            hotspot.Caption = found->second.Caption;
            hotspot.Sign = found->second.Picture;
        }
    }

private:
    struct TSign {
        std::string Caption;
        TCatalogueFile Picture;
    };
    const TCatalogue& FCatalogue;
    std::unordered_map<std::string, TSign> FKnown;
};

}  // namespace

void ResolveSigns(TCatalogue& catalogue) {
    TSignLookup lookup(catalogue);
    for (TWalkPage& page : catalogue.Pages)
        for (TWalkItem& item : page.ItemList) lookup.Resolve(item);
}

void ResolveSigns(const TCatalogue& catalogue, TWalkItem& item) { TSignLookup(catalogue).Resolve(item); }

std::vector<TWalkItem*> AllItems(TCatalogue& catalogue) {
    std::vector<TWalkItem*> all;
    for (TWalkPage& page : catalogue.Pages)
        for (TWalkItem& item : page.ItemList) all.push_back(&item);
    return all;
}

TCatalogue WalkCatalogue(const std::string& dataDir, unsigned threads) {
    TCatalogue catalogue = ListCatalogue(dataDir);
    const std::vector<TWalkItem*> items = AllItems(catalogue);
    ParallelFor(items.size(), threads, [&](size_t i) { ReadItemHotspots(*items[i]); });
    ResolveSigns(catalogue);
    return catalogue;
}

}  // namespace velmora
