#pragma once
// The files of the data directory "dane" beside the executable: their paths, the item counts of the
// pages, the hotspot files of the items and the caption rule of the sign list.
//
// Every path is the data directory (by default AppDir + "dane/", always with its trailing "/")
// followed by a fixed name. Numbers in names are
// decimal without leading zeros. Texts are Windows-1250 bytes; a sign picture path is built from a
// description and must be converted to the file system's encoding by whoever opens it.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/geometry.h"

namespace velmora {

class TCustomIniFile;
class TMemIniFile;
class TStringList;

// The data directory "dane/" beside the executable whose directory is appDir.
std::string DataDirOf(const std::string& appDir);
// Where an installed program finds its catalogue: "dane/" beside it when that is a directory, else
// the install's "share/velmora/dane/" (from appDir's "bin/"), else "dane/" beside it all the same.
std::string FindDataDir(const std::string& appDir);
std::string InfoIniPath(const std::string& dataDir);
std::string SignListPath(const std::string& dataDir);
std::string IntroTextPath(const std::string& dataDir);
// Stage picture of a screen: "menu", "spis" or a page number.
std::string StagePicturePath(const std::string& dataDir, std::string_view screen);
std::string ItemPicturePath(const std::string& dataDir, int32_t page, int32_t item);
std::string HotspotFilePath(const std::string& dataDir, int32_t page, int32_t item);
// The sign picture a description names, inside the sign folder "znaki/" and nowhere else: a
// description with a ".." component or a NUL byte, or one that a link would lead out of the folder,
// gives an empty path, which the program treats as a missing sign.
std::string SignPicturePath(const std::string& dataDir, std::string_view opis);

// The number of items of a page, read afresh from the page list; 1 when missing or no number.
int32_t PageItemCount(const TCustomIniFile& info, int32_t page);

// One hotspot of an item.
struct THotspotRecord {
    TSingleRect Rect;  // item-picture pixels: left, top, left + width, top + height
    std::string Opis;  // the sign picture's name without ".jpg"
    friend bool operator==(const THotspotRecord&, const THotspotRecord&) = default;
};

// The most hotspots one item holds: far beyond any real picture's signs, and what the window still
// builds and removes in a moment.
constexpr int32_t MaxHotspotsPerItem = 100000;

// The hotspots of a hotspot store, bottom one first. Sections 1 .. count are read; a missing section
// gives an all-zero hotspot. A count beyond the highest numbered section in the store is cut back to
// it, so a damaged count cannot make the reader run away, and no more than MaxHotspotsPerItem are
// read; cutFrom, when given, receives the number the store would have given beyond that, else 0.
std::vector<THotspotRecord> ReadHotspots(const TMemIniFile& store, int64_t* cutFrom = nullptr);
// The same from a file; a missing file has no hotspots.
std::vector<THotspotRecord> ReadHotspotFile(const std::string& path, int64_t* cutFrom = nullptr);

// Rewrites the whole hotspot file: [info] count, then per hotspot "width", "height", "top", "left"
// truncated toward zero from its rectangle, and "opis". EFileCreateError when it cannot be written,
// or when it is a link that leads out of its own folder, the data directory; the old file then stays
// as it was.
void WriteHotspotFile(const std::string& path, const std::vector<THotspotRecord>& hotspots);

// Truncation toward zero of a coordinate, saturated to the 32-bit range (NaN gives 0).
int32_t TruncCoordinate(long double value);

// The caption of description d: the part after the first TAB of the first line that contains
// d + ".jpg" (byte-exact, anywhere in the line), or that whole line when it has no TAB; empty when no
// line matches.
std::string GetOpis(const TStringList& signList, std::string_view d);

}  // namespace velmora
