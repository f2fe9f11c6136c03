#pragma once
// The catalogue as a static web site (--export-html OUT): the menu, the index and one page per item
// of every page a chapter link shows, the pictures copied byte for byte, the introduction as cleaned
// HTML, plus a style sheet and a script of its own. It works from file:// and from any plain web
// server.
//
// The catalogue is walked and checked as --check does, pictures by their headers only; what the
// checker calls an error is reported as a warning and left out of the site (a picture that cannot be
// shown, a hotspot without its sign or too small or outside its picture), never fatal. Nothing is
// read outside the data directory (files reached through links included) and nothing written
// outside OUT: OUT is created, or must be empty, or, with force, hold an earlier export, whose
// manifest names the only files that may be replaced or removed. A link or folder where the site has
// a file stops the export; a free name is created exclusively, a taken one replaced by renaming a
// temporary file over it, so nothing is ever written through a link.
//
// Threads: ExportWebSite runs on the caller's thread; the check and the copying use every core.
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace velmora {

struct TCommandLine;

// The rich text of the introduction (the file's bytes) as HTML; the export cleans what it returns.
using TIntroToHtml = std::function<std::string(const std::string& rtf)>;

inline constexpr char WebManifestFile[] = "velmora-manifest.txt";

struct TWebExportOptions {
    std::string DataDir;
    std::string OutDir;
    bool Force = false;
    unsigned Threads = 0;  // 0: one per core
    std::string PublisherUrl;
    TIntroToHtml IntroToHtml;  // empty: the menu goes without its introduction, with a warning
};

struct TWebExportReport {
    bool Written = false;
    std::string Error;  // why nothing (or not everything) was written
    std::vector<std::string> Warnings;
    int32_t Pages = 0;
    int32_t Items = 0;
    int32_t Signs = 0;
    size_t Files = 0;  // written, the manifest included
    uint64_t Bytes = 0;
};

TWebExportReport ExportWebSite(const TWebExportOptions& options);

// The command: exports the catalogue of --data (else defaultDataDir) into --export-html's folder,
// warnings on err, a summary on out. 0 when the site is written, 1 when it is not, ExitUsage when the
// catalogue's folder is missing.
int RunWebExport(const TCommandLine& command, const std::string& defaultDataDir, const std::string& publisherUrl,
                 const TIntroToHtml& introToHtml, std::FILE* out, std::FILE* err);

}  // namespace velmora
