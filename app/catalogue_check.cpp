#include "app/catalogue_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "app/catalogue_walk.h"
#include "app/code_page_1250.h"
#include "app/parallel_for.h"
#include "core/exception.h"
#include "raster/bitmap32.h"
#include "raster/jpeg_image.h"
#include "raster/picture.h"
#include "text/ansi_upper_case.h"
#include "text/custom_ini_file.h"
#include "text/file_access.h"
#include "text/string_list.h"

namespace velmora {

namespace {

struct TFindingKind {
    TFindingCode Code;
    const char* Name;
    TSeverity Severity;
};

using enum TFindingCode;
constexpr TSeverity E = TSeverity::Error;
constexpr TSeverity W = TSeverity::Warning;

// In the order of the enumeration.
constexpr TFindingKind FindingKinds[] = {
    {NoDataDir, "no-data-dir", E},
    {StagePictureMissing, "stage-picture-missing", E},
    {PagePictureMissing, "page-picture-missing", E},
    {ItemPictureMissing, "item-picture-missing", E},
    {PageUnreachable, "page-unreachable", W},
    {PictureUnused, "picture-unused", W},
    {NotRegularFile, "not-regular-file", E},
    {FileUnreadable, "file-unreadable", E},
    {PictureUndecodable, "picture-undecodable", E},
    {PictureEmpty, "picture-empty", E},
    {PictureCutShort, "picture-cut-short", W},
    {PictureWarning, "picture-warning", W},
    {HotspotFileOrphan, "hotspot-file-orphan", W},
    {HotspotOutside, "hotspot-outside", E},
    {HotspotOverhang, "hotspot-overhang", W},
    {HotspotTiny, "hotspot-tiny", E},
    {HotspotDuplicate, "hotspot-duplicate", W},
    {HotspotUnread, "hotspot-unread", E},
    {HotspotCount, "hotspot-count", W},
    {HotspotLimit, "hotspot-limit", E},
    {SignMissing, "sign-missing", E},
    {SignOutside, "sign-outside", E},
    {SignUnused, "sign-unused", W},
    {CaptionMissing, "caption-missing", W},
    {CaptionOrphan, "caption-orphan", W},
    {CaptionNoTab, "caption-no-tab", W},
    {CaptionShadowed, "caption-shadowed", E},
    {IniNotNumber, "ini-not-number", E},
    {IniStrayLine, "ini-stray-line", W},
    {IniDuplicateSection, "ini-duplicate-section", W},
    {IniDuplicateKey, "ini-duplicate-key", W},
    {ByteOrderMark, "bom", W},
    {NulByte, "nul-byte", E},
    {UndefinedByte, "undefined-byte", W},
};

const TFindingKind& KindOf(TFindingCode code) { return FindingKinds[static_cast<size_t>(code)]; }

std::string Num(int64_t n) { return std::to_string(n); }

// Data text (Windows-1250) quoted for a message.
std::string Quoted(std::string_view win1250) {
    std::string text = "\"";
    text += Win1250ToUtf8(win1250);
    text += '"';
    return text;
}

class TReport {
public:
    void Add(std::string path, int32_t line, TFindingCode code, std::string message) {
        FFindings.push_back({std::move(path), line, code, std::move(message)});
    }
    void Append(std::vector<TFinding>&& more) {
        for (TFinding& f : more) FFindings.push_back(std::move(f));
    }
    std::vector<TFinding>& Findings() { return FFindings; }

private:
    std::vector<TFinding> FFindings;
};

// --- text files: the lines as the program splits them, and what the INI store makes of them ------

// Where the INI store finds each section and key: upper-cased names -> line (and value).
struct TIniOutline {
    struct TKey {
        int32_t Line;
        std::string Value;
    };
    std::map<std::string, int32_t> SectionLine;  // the line of the last header of each name
    std::map<std::string, std::map<std::string, TKey>> KeyLine;

    int32_t LineOfSection(std::string_view section) const {
        const auto found = SectionLine.find(AnsiUpperCase(section));
        return found == SectionLine.end() ? 0 : found->second;
    }
    int32_t LineOfKey(std::string_view section, std::string_view key) const {
        const auto s = KeyLine.find(AnsiUpperCase(section));
        if (s == KeyLine.end()) return 0;
        const auto k = s->second.find(AnsiUpperCase(key));
        return k == s->second.end() ? 0 : k->second.Line;
    }
    std::string ValueOfKey(std::string_view section, std::string_view key) const {
        const auto s = KeyLine.find(AnsiUpperCase(section));
        if (s == KeyLine.end()) return {};
        const auto k = s->second.find(AnsiUpperCase(key));
        return k == s->second.end() ? std::string() : k->second.Value;
    }
};

using TNumberKeyRule = bool (*)(std::string_view upperSection, std::string_view upperKey);

bool IsCanonicalNumber(std::string_view text) {
    if (text.empty() || text.size() > 10 || text[0] < '1' || text[0] > '9') return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool PageListNumberKey(std::string_view section, std::string_view key) {
    return key == "ITEMS" && IsCanonicalNumber(section);
}

bool HotspotNumberKey(std::string_view section, std::string_view key) {
    if (section == "INFO") return key == "COUNT";
    return IsCanonicalNumber(section) && (key == "TOP" || key == "LEFT" || key == "WIDTH" || key == "HEIGHT");
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && static_cast<uint8_t>(s.front()) <= 32) s.remove_prefix(1);
    while (!s.empty() && static_cast<uint8_t>(s.back()) <= 32) s.remove_suffix(1);
    return s;
}

// Byte-level findings of any text file; returns its lines as the program reads them.
std::vector<std::string> LintBytes(const std::string& path, std::string_view text, std::vector<TFinding>& out) {
    if (text.starts_with("\xEF\xBB\xBF"))
        out.push_back({path, 1, ByteOrderMark,
                       "the file starts with a UTF-8 byte-order mark, which the program reads as part of its "
                       "first line"});
    const size_t nul = text.find('\0');
    std::vector<std::string> lines = SplitTextLines(text);
    if (nul != std::string_view::npos) {
        const bool atLineStart = nul == 0 || text[nul - 1] == '\n' || text[nul - 1] == '\r';
        out.push_back({path, static_cast<int32_t>(lines.size() + (atLineStart ? 1 : 0)), NulByte,
                       "a NUL byte ends the text here: nothing after it is read"});
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto bad = std::find_if(lines[i].begin(), lines[i].end(),
                                      [](char c) { return IsUndefinedInWin1250(static_cast<uint8_t>(c)); });
        if (bad == lines[i].end()) continue;
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned>(static_cast<uint8_t>(*bad)));
        std::string message = "byte ";
        message += hex;
        message += " is not defined in Windows-1250";
        out.push_back({path, static_cast<int32_t>(i + 1), UndefinedByte, std::move(message)});
    }
    return lines;
}

// What the INI store would make of the text: stray lines, repeated sections and keys, numbers that
// are not numbers. The outline says on which line the store finds each section and key.
TIniOutline LintIni(const std::string& path, std::string_view text, TNumberKeyRule numberKey,
                    std::vector<TFinding>& out) {
    TIniOutline outline;
    const std::vector<std::string> lines = LintBytes(path, text, out);
    std::string section;  // upper-cased; empty before the first header
    bool inSection = false;
    std::map<std::string, int32_t> keysHere;  // keys of the current occurrence of the section
    for (size_t i = 0; i < lines.size(); ++i) {
        const auto line = static_cast<int32_t>(i + 1);
        const std::string_view t = Trimmed(lines[i]);
        if (t.empty() || t[0] == ';') continue;
        if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
            const std::string_view name = Trimmed(t.substr(1, t.size() - 2));
            section = AnsiUpperCase(name);
            inSection = true;
            keysHere.clear();
            if (const auto before = outline.SectionLine.find(section); before != outline.SectionLine.end()) {
                std::string message = "section [";
                message += Win1250ToUtf8(name);
                message += "] again (first on line " + Num(before->second) + "): only this one is read";
                out.push_back({path, line, IniDuplicateSection, std::move(message)});
            }
            outline.SectionLine[section] = line;
            outline.KeyLine[section].clear();
            continue;
        }
        if (!inSection) {
            out.push_back({path, line, IniStrayLine, "a line before the first section is never read"});
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string_view::npos) {
            std::string message = "stray line ";
            message += Quoted(t);
            message += ": no key, so nothing reads it";
            out.push_back({path, line, IniStrayLine, std::move(message)});
            continue;
        }
        const std::string_view key = Trimmed(t.substr(0, eq));
        const std::string_view value = Trimmed(t.substr(eq + 1));
        const std::string upperKey = AnsiUpperCase(key);
        if (const auto before = keysHere.find(upperKey); before != keysHere.end()) {
            std::string message = "key ";
            message += Win1250ToUtf8(key);
            message += " again (first on line " + Num(before->second) + "): only this value is read";
            out.push_back({path, line, IniDuplicateKey, std::move(message)});
        }
        keysHere[upperKey] = line;
        outline.KeyLine[section][upperKey] = {line, std::string(value)};
        if (numberKey(section, upperKey) && !ParseInteger(value)) {
            std::string message = Win1250ToUtf8(key);
            message += '=';
            message += Win1250ToUtf8(value);
            message += section == "INFO" || upperKey != "ITEMS" ? " is not a number: it reads as 0"
                                                                 : " is not a number: it reads as 1";
            out.push_back({path, line, IniNotNumber, std::move(message)});
        }
    }
    return outline;
}

// The whole file, or a finding saying why not.
bool ReadText(const std::string& path, std::string& text, std::vector<TFinding>& out) {
    try {
        text = ReadWholeFile(path);
        return true;
    } catch (const Exception& e) {
        out.push_back({path, 0, FileUnreadable, e.what()});
        return false;
    }
}

// --- pictures -------------------------------------------------------------------------------------

struct TPictureResult {
    bool Decoded = false;
    int Width = 0;
    int Height = 0;
    std::vector<TFinding> Findings;
};

// The size a JPEG's header gives, read from the first bytes of the file only: the headers of a
// catalogue's pictures take a few kilobytes. False whenever that does not settle it (a short or
// empty file, headers beyond the prefix, a header libjpeg refuses), so the whole file is read then.
bool HeaderSizeFromPrefix(const std::string& path, int& width, int& height) {
    constexpr size_t Prefix = size_t(16) << 10;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    std::vector<uint8_t> bytes(Prefix);
    struct stat info {};
    ssize_t n = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uintmax_t>(info.st_size) > Prefix)
        n = ::read(fd, bytes.data(), Prefix);
    ::close(fd);
    if (n != static_cast<ssize_t>(Prefix)) return false;
    try {
        TJPEGImage jpeg;
        jpeg.LoadFromMemory(std::move(bytes));
        width = jpeg.Width();
        height = jpeg.Height();
        return width > 0 && height > 0;
    } catch (const std::exception&) {
        return false;
    }
}

TPictureResult CheckPicture(const std::string& path, TPictureCheck depth) {
    TPictureResult result;
    if (depth == TPictureCheck::HeaderOnly && HeaderSizeFromPrefix(path, result.Width, result.Height)) {
        result.Decoded = true;
        return result;
    }
    // One bitmap per thread, kept for the next picture: fresh memory costs more than the decoding.
    thread_local TBitmap32 bitmap;
    try {
        TPicture picture;
        picture.LoadFromFile(path);
        const auto* jpeg = dynamic_cast<const TJPEGImage*>(picture.Graphic());
        if (jpeg != nullptr && jpeg->Data()->Bytes.empty()) {
            result.Findings.push_back({path, 0, PictureEmpty, "the file is empty: it shows as nothing"});
            return result;
        }
        if (depth == TPictureCheck::HeaderOnly) {
            result.Decoded = true;
            result.Width = picture.Width();
            result.Height = picture.Height();
            return result;
        }
        bitmap.Assign(&picture);
        result.Decoded = true;
        result.Width = bitmap.Width();
        result.Height = bitmap.Height();
        if (jpeg != nullptr && jpeg->DecodeDataEnded())
            result.Findings.push_back({path, 0, PictureCutShort,
                                       "the picture ends before its image does: it is cut short, and the rest is "
                                       "made up by the decoder"});
        else if (jpeg != nullptr && jpeg->DecodeWarning() != 0)
            result.Findings.push_back({path, 0, PictureWarning,
                                       "the picture decodes only with JPEG warning #" + Num(jpeg->DecodeWarning()) +
                                           ": part of it may show wrong"});
    } catch (const std::exception& e) {
        std::string message = "cannot be decoded: ";
        message += e.what();
        result.Findings.push_back({path, 0, PictureUndecodable, std::move(message)});
    }
    return result;
}

// --- hotspot files --------------------------------------------------------------------------------

std::string HotspotName(const TWalkHotspot& h) { return "hotspot " + Num(h.Section); }

std::string Geometry(const THotspotRecord& r) {
    std::string text = "(left ";
    text += Num(static_cast<int64_t>(r.Rect.Left));
    text += ", top " + Num(static_cast<int64_t>(r.Rect.Top)) + ", ";
    text += Num(static_cast<int64_t>(r.Rect.Right - r.Rect.Left)) + " x ";
    text += Num(static_cast<int64_t>(r.Rect.Bottom - r.Rect.Top)) + ")";
    return text;
}

// Findings of the hotspots themselves, given the item picture's size (0 x 0: unknown). signLines
// receives, per hotspot, the line its description is on (0 for a section that is missing).
void CheckHotspots(const TWalkItem& item, const TIniOutline& outline, int pictureWidth, int pictureHeight,
                   TReport& report, std::vector<int32_t>& signLines) {
    const std::string& path = item.HotspotFile.Path;
    signLines.assign(item.Hotspots.size(), 0);
    // The numbered sections the file holds, as the store finds them.
    std::set<int64_t> sections;
    for (const auto& [name, line] : outline.SectionLine)
        if (IsCanonicalNumber(name)) sections.insert(std::stoll(name));
    const int32_t countLine = outline.LineOfKey("info", "count");
    if (item.HotspotsCutFrom > 0)
        report.Add(path, countLine, HotspotLimit,
                   "the file gives " + Num(item.HotspotsCutFrom) + " hotspots: only the first " +
                       Num(MaxHotspotsPerItem) + " are read");
    const auto readCount = static_cast<int64_t>(item.Hotspots.size());
    // Sections beyond those read: their hotspots never show.
    std::vector<int64_t> unread;
    for (int64_t s : sections)
        if (s > readCount && item.HotspotsCutFrom == 0) unread.push_back(s);
    if (!unread.empty()) {
        std::string message = unread.size() == 1 ? "section " + Num(unread.front())
                                                 : "sections " + Num(unread.front()) + " to " + Num(unread.back());
        message += countLine > 0 ? " lie beyond the count: " : " are read by no count: ";
        message += unread.size() == 1 ? "its hotspot is never shown" : "their hotspots are never shown";
        report.Add(path, countLine > 0 ? countLine : outline.LineOfSection(Num(unread.front())), HotspotUnread,
                   std::move(message));
    }
    // Sections the count reads that are not there, in runs.
    for (int64_t s = 1; s <= readCount;) {
        if (sections.contains(s)) {
            ++s;
            continue;
        }
        const auto next = sections.upper_bound(s);
        const int64_t last = std::min(readCount, next == sections.end() ? readCount : *next - 1);
        report.Add(path, countLine, HotspotCount,
                   s == last ? "section " + Num(s) + " is missing: it reads as an empty hotspot"
                             : "sections " + Num(s) + " to " + Num(last) + " are missing: they read as empty hotspots");
        s = last + 1;
    }
    if (const std::optional<int32_t> count = ParseInteger(outline.ValueOfKey("info", "count"));
        count && !sections.empty() && *count > *sections.rbegin() && item.HotspotsCutFrom == 0)
        report.Add(path, countLine, HotspotCount,
                   "count=" + Num(*count) + ", but the last section is [" + Num(*sections.rbegin()) +
                       "]: the program reads " + Num(readCount) + (readCount == 1 ? " hotspot" : " hotspots"));

    std::map<std::pair<std::string, std::string>, int32_t> seen;  // (rectangle bits, description) -> section
    for (const TWalkHotspot& h : item.Hotspots) {
        if (!sections.contains(h.Section)) continue;  // reported as a missing section above
        const int32_t line = outline.LineOfSection(Num(h.Section));
        const TSingleRect& r = h.Record.Rect;
        const float width = r.Right - r.Left, height = r.Bottom - r.Top;
        if (width <= 1 || height <= 1) {
            report.Add(path, line, HotspotTiny,
                       HotspotName(h) + " " + Geometry(h.Record) + " is too small to be pointed at");
        } else if (pictureWidth > 0 && pictureHeight > 0) {
            const bool inside = r.Left >= 0 && r.Top >= 0 && r.Right <= pictureWidth && r.Bottom <= pictureHeight;
            const bool apart = r.Left >= pictureWidth || r.Top >= pictureHeight || r.Right <= 0 || r.Bottom <= 0;
            const std::string size = Num(pictureWidth) + " x " + Num(pictureHeight) + " picture";
            if (apart)
                report.Add(path, line, HotspotOutside, HotspotName(h) + " " + Geometry(h.Record) + " lies outside its " + size);
            else if (!inside)
                report.Add(path, line, HotspotOverhang,
                           HotspotName(h) + " " + Geometry(h.Record) + " reaches beyond its " + size);
        }
        std::string bits(reinterpret_cast<const char*>(&r), sizeof r);
        const auto [first, added] = seen.emplace(std::make_pair(std::move(bits), h.Record.Opis), h.Section);
        if (!added)
            report.Add(path, line, HotspotDuplicate, HotspotName(h) + " repeats hotspot " + Num(first->second) + " exactly");

        const int32_t opisLine = outline.LineOfKey(Num(h.Section), "opis");
        signLines[static_cast<size_t>(h.Section - 1)] = opisLine > 0 ? opisLine : line;
    }
}

// What an item's job finds: its picture decoded, its hotspot file read and checked.
struct TItemResult {
    TPictureResult Picture;
    TReport Report;
    std::vector<int32_t> SignLines;
};

TItemResult CheckItem(TWalkItem& item, TPictureCheck depth) {
    TItemResult result;
    if (item.Picture.Exists()) result.Picture = CheckPicture(item.Picture.Path, depth);
    if (!item.HotspotFile.Exists()) return result;
    std::string text;
    TIniOutline outline;
    const bool read = ReadText(item.HotspotFile.Path, text, result.Report.Findings());
    if (read) outline = LintIni(item.HotspotFile.Path, text, HotspotNumberKey, result.Report.Findings());
    ReadItemHotspots(item);
    if (read && !item.ReadError.empty()) result.Report.Add(item.HotspotFile.Path, 0, FileUnreadable, item.ReadError);
    CheckHotspots(item, outline, result.Picture.Width, result.Picture.Height, result.Report, result.SignLines);
    return result;
}

// The descriptions of an item's hotspots, once the signs are resolved.
void CheckSigns(const TWalkItem& item, const std::vector<int32_t>& signLines, TReport& report) {
    const std::string& path = item.HotspotFile.Path;
    for (size_t i = 0; i < item.Hotspots.size() && i < signLines.size(); ++i) {
        const TWalkHotspot& h = item.Hotspots[i];
        const int32_t signLine = signLines[i];
        if (signLine == 0) continue;  // a missing section, reported as such
        if (h.Record.Opis.empty()) {
            report.Add(path, signLine, SignMissing, HotspotName(h) + " has no description, so no sign");
        } else if (h.Sign.Path.empty()) {
            report.Add(path, signLine, SignOutside,
                       HotspotName(h) + " names " + Quoted(h.Record.Opis) +
                           ", which leads out of the sign folder: it shows nothing");
        } else if (!h.Sign.Exists() && !h.Sign.Unusable()) {  // an unusable one is reported at the file
            report.Add(path, signLine, SignMissing,
                       HotspotName(h) + " names sign " + Quoted(h.Record.Opis) + ", which has no picture znaki/" +
                           Win1250ToUtf8(h.Record.Opis) + ".jpg");
        }
    }
}

// --- the caption list -----------------------------------------------------------------------------

struct TCaptionLine {
    int32_t Line;
    bool HasTab;
    std::string Name;  // before the first TAB (Windows-1250)
};

std::vector<TCaptionLine> CaptionLines(const TStringList& list) {
    std::vector<TCaptionLine> lines;
    for (int i = 0; i < list.Count(); ++i) {
        const std::string& text = list.Strings(i);
        const size_t tab = text.find('\t');
        lines.push_back({i + 1, tab != std::string::npos, tab == std::string::npos ? text : text.substr(0, tab)});
    }
    return lines;
}

void CheckCaptions(const TCatalogue& catalogue, const std::set<std::string>& descriptions, TReport& report) {
    const std::string& path = catalogue.SignListFile.Path;
    const std::vector<TCaptionLine> lines = CaptionLines(catalogue.SignList);
    std::set<std::string> signNames;  // UTF-8, without ".jpg"
    for (const TWalkSign& sign : catalogue.Signs) signNames.insert(sign.Name);

    for (const TCaptionLine& line : lines) {
        const std::string& text = catalogue.SignList.Strings(line.Line - 1);
        if (Trimmed(text).empty()) continue;
        if (!line.HasTab) {
            report.Add(path, line.Line, CaptionNoTab, "the line has no TAB: all of it is the caption");
            continue;
        }
        const std::string name = Win1250ToUtf8(line.Name);
        if (!name.ends_with(".jpg") || !signNames.contains(name.substr(0, name.size() - 4)))
            report.Add(path, line.Line, CaptionOrphan, "names " + Quoted(line.Name) + ", which is not in the sign folder");
    }

    // The line the caption rule finds for a name, and the line that names it itself.
    const auto lookUp = [&lines, &catalogue](const std::string& win1250) {
        std::string needle = win1250 + ".jpg";
        const TCaptionLine* found = nullptr;
        const TCaptionLine* own = nullptr;
        for (const TCaptionLine& line : lines) {
            if (found == nullptr && catalogue.SignList.Strings(line.Line - 1).find(needle) != std::string::npos)
                found = &line;
            if (own == nullptr && line.HasTab && line.Name == needle) own = &line;
        }
        return std::make_pair(found, own);
    };
    for (const TWalkSign& sign : catalogue.Signs) {
        if (!sign.Picture.Exists()) continue;
        std::string win1250;
        const bool named = Utf8ToWin1250(sign.Name, win1250) && lookUp(win1250).second != nullptr;
        if (!named)
            report.Add(sign.Picture.Path, 0, CaptionMissing,
                       "no line of znaki.txt names " + sign.Name + ".jpg: its preview shows no caption");
    }
    for (const std::string& d : descriptions) {
        const auto [found, own] = lookUp(d);
        if (found == nullptr || found == own) continue;
        std::string message = "the caption of ";
        message += Quoted(d);
        message += " is taken from this line, which names " + Quoted(found->Name);
        if (own != nullptr) message += " (its own is line " + Num(own->Line) + ")";
        report.Add(path, found->Line, CaptionShadowed, std::move(message));
    }
}

// --- order of the report --------------------------------------------------------------------------

// Byte order, except that runs of digits compare by their value: p_2_3.jpg before p_10_1.jpg.
bool NaturalLess(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            size_t ie = i, je = j;
            while (ie < a.size() && a[ie] == '0') ++ie;
            while (je < b.size() && b[je] == '0') ++je;
            size_t ia = ie, jb = je;
            while (ia < a.size() && digit(a[ia])) ++ia;
            while (jb < b.size() && digit(b[jb])) ++jb;
            if (ia - ie != jb - je) return ia - ie < jb - je;
            if (const int c = a.substr(ie, ia - ie).compare(b.substr(je, jb - je)); c != 0) return c < 0;
            if (ia - i != jb - j) return ia - i < jb - j;  // fewer leading zeros first
            i = ia;
            j = jb;
            continue;
        }
        if (a[i] != b[j]) return static_cast<uint8_t>(a[i]) < static_cast<uint8_t>(b[j]);
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

bool ReportOrder(const TFinding& a, const TFinding& b) {
    if (a.Path != b.Path) return NaturalLess(a.Path, b.Path);
    if (a.Line != b.Line) return a.Line < b.Line;
    if (a.Code != b.Code) return a.Code < b.Code;
    return a.Message < b.Message;
}

const char* KindText(TFileKind kind) {
    switch (kind) {
        case TFileKind::Directory: return "a directory";
        case TFileKind::BrokenLink: return "a link that leads nowhere";
        default: return "no regular file";
    }
}

}  // namespace

const char* FindingCodeName(TFindingCode code) { return KindOf(code).Name; }
TSeverity FindingSeverity(TFindingCode code) { return KindOf(code).Severity; }

std::vector<TFinding> CheckCatalogue(const std::string& dataDir, unsigned threads, TPictureCheck depth,
                                     TCheckedCatalogue* walked) {
    TCatalogue catalogue = ListCatalogue(dataDir);
    TReport report;
    const std::string& dir = catalogue.DataDir;
    if (!catalogue.DirectoryExists) {
        report.Add(dir, 0, NoDataDir, "no such directory");
        return std::move(report.Findings());
    }

    // Every item (its picture and hotspot file) and every other picture, done together on every core.
    std::vector<TWalkItem*> items = AllItems(catalogue);
    std::vector<const TCatalogueFile*> pictures;
    const auto addPicture = [&pictures](const TCatalogueFile& f) {
        if (f.Exists()) pictures.push_back(&f);
    };
    addPicture(catalogue.MenuPicture);
    addPicture(catalogue.IndexPicture);
    for (const TWalkPage& page : catalogue.Pages) addPicture(page.Picture);
    for (const TWalkSign& sign : catalogue.Signs) addPicture(sign.Picture);
    std::vector<TItemResult> itemResults(items.size());
    std::vector<TPictureResult> pictureResults(pictures.size());
    ParallelFor(items.size() + pictures.size(), threads, [&](size_t job) {
        if (job < items.size())
            itemResults[job] = CheckItem(*items[job], depth);
        else
            pictureResults[job - items.size()] = CheckPicture(pictures[job - items.size()]->Path, depth);
    });
    if (walked != nullptr) {
        walked->PictureSizes.clear();
        for (size_t i = 0; i < pictures.size(); ++i)
            if (pictureResults[i].Decoded)
                walked->PictureSizes[pictures[i]->Path] = {pictureResults[i].Width, pictureResults[i].Height};
        for (size_t i = 0; i < items.size(); ++i)
            if (itemResults[i].Picture.Decoded)
                walked->PictureSizes[items[i]->Picture.Path] = {itemResults[i].Picture.Width, itemResults[i].Picture.Height};
    }
    for (TPictureResult& result : pictureResults) report.Append(std::move(result.Findings));
    ResolveSigns(catalogue);
    for (size_t i = 0; i < items.size(); ++i) {
        report.Append(std::move(itemResults[i].Picture.Findings));
        report.Append(std::move(itemResults[i].Report.Findings()));
        CheckSigns(*items[i], itemResults[i].SignLines, report);
    }

    // The fixed files.
    const auto unusable = [&report](const TCatalogueFile& f) {
        if (f.Unusable())
            report.Add(f.Path, 0, NotRegularFile,
                       std::string("this is ") + KindText(f.Kind) + ": the program takes it for missing");
    };
    for (const TCatalogueFile* f : {&catalogue.PageListFile, &catalogue.SignListFile, &catalogue.IntroFile,
                                    &catalogue.MenuPicture, &catalogue.IndexPicture})
        unusable(*f);
    if (!catalogue.MenuPicture.Exists())
        report.Add(catalogue.MenuPicture.Path, 0, StagePictureMissing,
                   "the menu picture is missing: the start screen stays black");
    if (!catalogue.IndexPicture.Exists())
        report.Add(catalogue.IndexPicture.Path, 0, StagePictureMissing,
                   "the index picture is missing: the index cannot be shown");
    if (!catalogue.PageListError.empty())
        report.Add(catalogue.PageListFile.Path, 0, FileUnreadable, catalogue.PageListError);
    if (!catalogue.SignListError.empty())
        report.Add(catalogue.SignListFile.Path, 0, FileUnreadable, catalogue.SignListError);

    TIniOutline pageList;
    std::string text;
    if (catalogue.PageListFile.Exists() && ReadText(catalogue.PageListFile.Path, text, report.Findings()))
        pageList = LintIni(catalogue.PageListFile.Path, text, PageListNumberKey, report.Findings());
    if (catalogue.SignListFile.Exists() && ReadText(catalogue.SignListFile.Path, text, report.Findings()))
        LintBytes(catalogue.SignListFile.Path, text, report.Findings());

    // Pages and items.
    for (const TWalkPage& page : catalogue.Pages) {
        const std::string number = Num(page.Page);
        const int32_t listedLine = pageList.LineOfSection(number);
        const std::string& where = listedLine > 0 ? catalogue.PageListFile.Path : page.Picture.Path;
        unusable(page.Picture);
        if (!page.Picture.Exists()) {
            report.Add(where, listedLine, PagePictureMissing, "page " + number + " has no picture p_" + number + ".jpg");
            for (const TWalkItem& item : page.ItemList) {
                unusable(item.Picture);
                unusable(item.HotspotFile);
            }
            continue;
        }
        if (page.Page > ChapterLinkCount)
            report.Add(where, listedLine, PageUnreachable,
                       "page " + number + " has no chapter link: the stage links pages 1 to " + Num(ChapterLinkCount));

        // Reached items without a picture, in runs.
        std::vector<TItemRun> missing = page.ReachedUnpictured;
        for (const TWalkItem& item : page.ItemList)
            if (item.Reached && !item.Picture.Exists()) missing.push_back({item.Item, item.Item});
        std::sort(missing.begin(), missing.end(), [](const TItemRun& a, const TItemRun& b) { return a.First < b.First; });
        std::vector<TItemRun> runs;
        for (const TItemRun& run : missing) {
            if (!runs.empty() && runs.back().Last + 1 == run.First)
                runs.back().Last = run.Last;
            else
                runs.push_back(run);
        }
        for (const TItemRun& run : runs) {
            const std::string message =
                run.First == run.Last ? "item " + Num(run.First) + " of page " + number + " has no picture"
                                      : "items " + Num(run.First) + " to " + Num(run.Last) + " of page " + number +
                                            " have no pictures";
            report.Add(ItemPicturePath(dir, page.Page, run.First), 0, ItemPictureMissing, message);
        }

        for (const TWalkItem& item : page.ItemList) {
            unusable(item.Picture);
            unusable(item.HotspotFile);
            const std::string name = "item " + Num(item.Item) + " of page " + number;
            if (item.Picture.Exists() && !item.Reached)
                report.Add(item.Picture.Path, 0, PictureUnused,
                           name + " lies beyond the page's item count, " + Num(page.Items) + ": no link shows it");
            if (item.HotspotFile.Exists() && !item.Reached)
                report.Add(item.HotspotFile.Path, 0, HotspotFileOrphan,
                           "hotspots of " + name + ", which lies beyond the page's item count, " + Num(page.Items));
        }
    }
    for (const TCatalogueFile& file : catalogue.Unnamed) {
        if (file.Path.ends_with(".ini") || file.Path.ends_with(".INI"))
            report.Add(file.Path, 0, HotspotFileOrphan, "no item has this name: the program never reads it");
        else
            report.Add(file.Path, 0, PictureUnused, "no screen, page or item has this name: the program never shows it");
    }

    // Signs and captions.
    std::set<std::string> descriptions;  // Windows-1250
    std::set<std::string> named;         // UTF-8, as the sign pictures are named on disk
    for (const TWalkItem* item : items)
        for (const TWalkHotspot& h : item->Hotspots) {
            if (h.Record.Opis.empty() || h.Sign.Path.empty()) continue;
            descriptions.insert(h.Record.Opis);
            named.insert(Win1250ToUtf8(h.Record.Opis));
        }
    for (const TWalkSign& sign : catalogue.Signs) {
        unusable(sign.Picture);
        if (sign.Picture.Exists() && !named.contains(sign.Name))
            report.Add(sign.Picture.Path, 0, SignUnused, "no hotspot names this sign");
    }
    CheckCaptions(catalogue, descriptions, report);

    std::vector<TFinding>& findings = report.Findings();
    std::sort(findings.begin(), findings.end(), ReportOrder);
    if (walked != nullptr) walked->Catalogue = std::move(catalogue);
    return std::move(findings);
}

std::string FindingLine(const TFinding& f) {
    std::string line = f.Path;
    if (f.Line > 0) line += ":" + Num(f.Line);
    line += FindingSeverity(f.Code) == TSeverity::Error ? ": error: " : ": warning: ";
    line += f.Message;
    line += " [";
    line += FindingCodeName(f.Code);
    line += "]";
    return line;
}

namespace {

// File names are bytes: one that is no UTF-8 is read as Windows-1250, so the JSON stays valid.
void AppendJsonString(std::string& out, std::string_view raw) {
    const std::string text = IsUtf8(raw) ? std::string(raw) : Win1250ToUtf8(raw);
    out += '"';
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += ch;
        }
    }
    out += '"';
}

}  // namespace

std::string FindingsJson(const std::vector<TFinding>& findings) {
    std::string out = "[";
    for (size_t i = 0; i < findings.size(); ++i) {
        const TFinding& f = findings[i];
        out += i == 0 ? "\n  {\"path\": " : ",\n  {\"path\": ";
        AppendJsonString(out, f.Path);
        out += ", \"line\": ";
        out += f.Line > 0 ? Num(f.Line) : "null";
        out += ", \"severity\": ";
        out += FindingSeverity(f.Code) == TSeverity::Error ? "\"error\"" : "\"warning\"";
        out += ", \"code\": ";
        AppendJsonString(out, FindingCodeName(f.Code));
        out += ", \"message\": ";
        AppendJsonString(out, f.Message);
        out += "}";
    }
    out += findings.empty() ? "]\n" : "\n]\n";
    return out;
}

std::string FindingsSummary(const std::vector<TFinding>& findings) {
    const auto errors = std::count_if(findings.begin(), findings.end(),
                                      [](const TFinding& f) { return FindingSeverity(f.Code) == TSeverity::Error; });
    const auto warnings = static_cast<int64_t>(findings.size()) - errors;
    std::string text = Num(errors) + (errors == 1 ? " error, " : " errors, ");
    text += Num(warnings) + (warnings == 1 ? " warning" : " warnings");
    return text;
}

bool HasErrors(const std::vector<TFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const TFinding& f) { return FindingSeverity(f.Code) == TSeverity::Error; });
}

}  // namespace velmora
