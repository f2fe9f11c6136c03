#include "app/data_set.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>

#include "text/file_access.h"
#include "text/file_errors.h"
#include "text/mem_ini_file.h"
#include "text/string_list.h"

#ifndef VELMORA_INSTALLED_DATA
#define VELMORA_INSTALLED_DATA "../share/velmora/dane"
#endif

namespace velmora {

namespace {

std::string Number(int32_t n) { return std::to_string(n); }

// The value of a section name written as a positive decimal number without leading zeros, else 0.
int64_t SectionNumber(std::string_view name) {
    if (name.empty() || name.size() > 10 || name[0] < '1' || name[0] > '9') return 0;
    int64_t value = 0;
    for (char c : name) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value <= std::numeric_limits<int32_t>::max() ? value : 0;
}

}  // namespace

std::string DataDirOf(const std::string& appDir) { return appDir + "dane/"; }

std::string InfoIniPath(const std::string& dataDir) { return dataDir + "info.ini"; }

std::string SignListPath(const std::string& dataDir) { return dataDir + "znaki.txt"; }

std::string IntroTextPath(const std::string& dataDir) { return dataDir + "opis.rtf"; }

std::string StagePicturePath(const std::string& dataDir, std::string_view screen) {
    std::string path = dataDir + "p_";
    path += screen;
    path += ".jpg";
    return path;
}

std::string ItemPicturePath(const std::string& dataDir, int32_t page, int32_t item) {
    return dataDir + "p_" + Number(page) + "_" + Number(item) + ".jpg";
}

std::string HotspotFilePath(const std::string& dataDir, int32_t page, int32_t item) {
    return dataDir + Number(page) + "_" + Number(item) + ".ini";
}

std::string SignPicturePath(const std::string& dataDir, std::string_view opis) {
    // A NUL would end the name early, at another file; ".." climbs out of the folder.
    if (opis.find('\0') != std::string_view::npos) return {};
    for (size_t start = 0; start <= opis.size();) {
        const size_t end = std::min(opis.find('/', start), opis.size());
        if (opis.substr(start, end - start) == "..") return {};
        start = end + 1;
    }
    const std::string folder = dataDir + "znaki";
    std::string path = folder + "/";
    path += opis;
    path += ".jpg";
    // A link inside the folder may lead anywhere; what it leads to must lie in the folder too. A path
    // that does not resolve names no file, so it stays as it is and reads as missing.
    struct stat info {};
    if (opis.find('/') == std::string_view::npos && (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)))
        return path;  // right in the folder and no link, or no file at all: nothing to resolve
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(path, error);
    if (error) return path;
    const std::filesystem::path root = std::filesystem::canonical(folder, error);
    if (error) return {};
    const auto [rootEnd, targetAt] = std::mismatch(root.begin(), root.end(), target.begin(), target.end());
    return rootEnd == root.end() && targetAt != target.end() ? path : std::string();
}

std::string FindDataDir(const std::string& appDir) {
    const std::string beside = DataDirOf(appDir);
    std::error_code error;
    if (std::filesystem::is_directory(beside, error)) return beside;
    const std::filesystem::path installed = (std::filesystem::path(appDir) / VELMORA_INSTALLED_DATA).lexically_normal();
    if (std::filesystem::is_directory(installed, error)) return installed.string() + "/";
    return beside;
}

int32_t PageItemCount(const TCustomIniFile& info, int32_t page) {
    return info.GetNumber(Number(page), "Items", 1);
}

std::vector<THotspotRecord> ReadHotspots(const TMemIniFile& store, int64_t* cutFrom) {
    std::vector<THotspotRecord> hotspots;
    if (cutFrom != nullptr) *cutFrom = 0;
    int32_t count = store.GetNumber("info", "count", 0);
    if (count <= 0) return hotspots;

    int64_t highest = 0;
    const THashedStringList& sections = store.Sections();
    for (int s = 0; s < sections.Count(); ++s) highest = std::max(highest, SectionNumber(sections.Strings(s)));
    const int64_t given = std::min<int64_t>(count, highest);
    if (given > MaxHotspotsPerItem && cutFrom != nullptr) *cutFrom = given;
    const auto last = static_cast<int32_t>(std::min<int64_t>(given, MaxHotspotsPerItem));

    hotspots.reserve(static_cast<size_t>(last));
    for (int32_t i = 1; i <= last; ++i) {
        const std::string section = Number(i);
        const int32_t top = store.GetNumber(section, "top", 0);
        const int32_t left = store.GetNumber(section, "left", 0);
        const int32_t width = store.GetNumber(section, "width", 0);
        const int32_t height = store.GetNumber(section, "height", 0);
        // Sums in 64 bits: extreme values must not wrap round to the other side.
        THotspotRecord record;
        record.Rect = TSingleRect{static_cast<float>(left), static_cast<float>(top),
                                  static_cast<float>(static_cast<int64_t>(left) + width),
                                  static_cast<float>(static_cast<int64_t>(top) + height)};
        record.Opis = store.GetValue(section, "opis", "");
        hotspots.push_back(std::move(record));
    }
    return hotspots;
}

std::vector<THotspotRecord> ReadHotspotFile(const std::string& path, int64_t* cutFrom) {
    TMemIniFile store(path);
    return ReadHotspots(store, cutFrom);
}

int32_t TruncCoordinate(long double value) {
    if (std::isnan(value)) return 0;
    if (value <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);
}

void WriteHotspotFile(const std::string& path, const std::vector<THotspotRecord>& hotspots) {
    // A hotspot file lives in the data directory; one that links elsewhere is never written through.
    if (LinksOutOfItsFolder(path)) throw EFileCreateError(path, "It links to a file outside the data directory");
    TMemIniFile store(path);
    store.ClearAll();
    store.SetNumber("info", "count", static_cast<int32_t>(hotspots.size()));
    for (size_t i = 0; i < hotspots.size(); ++i) {
        const TSingleRect& r = hotspots[i].Rect;
        const std::string section = std::to_string(i + 1);
        store.SetNumber(section, "width", TruncCoordinate(static_cast<long double>(r.Right) - r.Left));
        store.SetNumber(section, "height", TruncCoordinate(static_cast<long double>(r.Bottom) - r.Top));
        store.SetNumber(section, "top", TruncCoordinate(r.Top));
        store.SetNumber(section, "left", TruncCoordinate(r.Left));
        store.SetValue(section, "opis", hotspots[i].Opis);
    }
    store.SaveFile();
}

std::string GetOpis(const TStringList& signList, std::string_view d) {
    std::string needle(d);
    needle += ".jpg";
    for (const std::string& line : signList.Lines()) {
        if (line.find(needle) == std::string::npos) continue;
        size_t tab = line.find('\t');
        return tab == std::string::npos ? line : line.substr(tab + 1);
    }
    return {};
}

}  // namespace velmora
