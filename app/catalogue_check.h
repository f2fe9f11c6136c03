#pragma once
// The catalogue checker: walks a data directory as the program would show it, decodes every
// picture with the program's own decoder (noting what libjpeg warns about), and lists what an author would otherwise find one click
// at a time (or never). Each finding has a stable code and a fixed severity; an error is something a
// reader sees go wrong, a warning something the program silently ignores or works round.
//
// The walk and the decoding run on every core; the findings come back sorted by file (numbers in
// names in numeric order), line and code, so the report is the same whatever the threads did.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/catalogue_walk.h"

namespace velmora {

enum class TSeverity : uint8_t { Warning, Error };

enum class TFindingCode : uint8_t {
    NoDataDir,
    StagePictureMissing,
    PagePictureMissing,
    ItemPictureMissing,
    PageUnreachable,
    PictureUnused,
    NotRegularFile,
    FileUnreadable,
    PictureUndecodable,
    PictureEmpty,
    PictureCutShort,
    PictureWarning,
    HotspotFileOrphan,
    HotspotOutside,
    HotspotOverhang,
    HotspotTiny,
    HotspotDuplicate,
    HotspotUnread,
    HotspotCount,
    HotspotLimit,
    SignMissing,
    SignOutside,
    SignUnused,
    CaptionMissing,
    CaptionOrphan,
    CaptionNoTab,
    CaptionShadowed,
    IniNotNumber,
    IniStrayLine,
    IniDuplicateSection,
    IniDuplicateKey,
    ByteOrderMark,
    NulByte,
    UndefinedByte,
};

// The code's name in reports ("sign-missing") and its severity.
const char* FindingCodeName(TFindingCode code);
TSeverity FindingSeverity(TFindingCode code);

struct TFinding {
    std::string Path;  // the file concerned, as the data directory was given
    int32_t Line = 0;  // from 1; 0 when the finding has no line
    TFindingCode Code;
    std::string Message;  // UTF-8
    friend bool operator==(const TFinding&, const TFinding&) = default;
};

// How far pictures are looked at: decoded whole, or only their headers read (the size and whether
// libjpeg takes the file at all), which misses only what a decode finds inside the image data.
enum class TPictureCheck : uint8_t { Decode, HeaderOnly };

// What the check walked, for callers that go on to use the catalogue: every item read and its signs
// resolved, and the size of every picture that decoded (or whose header read), by path.
struct TCheckedCatalogue {
    struct TSize {
        int Width = 0;
        int Height = 0;
    };
    TCatalogue Catalogue;
    std::unordered_map<std::string, TSize> PictureSizes;
};

// Every finding of the data directory, in report order. threads 0: one per core.
std::vector<TFinding> CheckCatalogue(const std::string& dataDir, unsigned threads = 0,
                                     TPictureCheck pictures = TPictureCheck::Decode,
                                     TCheckedCatalogue* walked = nullptr);

// "PATH:LINE: error: message [code]" (no ":LINE" when there is none), one line per finding.
std::string FindingLine(const TFinding& finding);
// The findings as one JSON array of objects with path, line (or null), severity, code and message.
std::string FindingsJson(const std::vector<TFinding>& findings);
// "N errors, M warnings" with the singular where it is one.
std::string FindingsSummary(const std::vector<TFinding>& findings);
bool HasErrors(const std::vector<TFinding>& findings);

}  // namespace velmora
