#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/catalogue_check.h"
#include "tests/support/jpeg_encode.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unusual_files.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

namespace fs = std::filesystem;

std::string Jpeg(int width, int height) { return velmora::testing::EncodeText({.Width = width, .Height = height}); }

std::string Lines(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

// A catalogue with one instance of every finding (some files give two).
void WriteFaultyCatalogue(const std::string& d) {
    const std::string small = Jpeg(61, 37);
    TempDir::Write(d + "p_menu.jpg", small);
    TempDir::Write(d + "info.ini", Lines({"[1]", "Items=2", "[2]", "Items=abc", "stray", "[3]", "Items=1",
                                          "Items=1", "[11]", "[1]", "Items=2"}));
    fs::create_directories(d + "opis.rtf");
    TempDir::Write(d + "p_2.jpg", small);
    TempDir::Write(d + "p_11.jpg", small);
    TempDir::Write(d + "p_1_1.jpg", Jpeg(200, 100));
    const std::string whole = Jpeg(64, 64);
    TempDir::Write(d + "p_1_2.jpg", whole.substr(0, whole.size() * 2 / 3));
    // Stray bytes between two markers: libjpeg warns and decodes.
    TempDir::Write(d + "p_1.jpg", small.substr(0, 2) + "\x12\x34" + small.substr(2));
    TempDir::Write(d + "p_2_2.jpg", "");
    TempDir::Write(d + "p_11_1.jpg", "not a picture");
    TempDir::Write(d + "p_01.jpg", small);
    TempDir::Write(d + "1_x.ini", "");
    TempDir::Write(d + "1_1.ini",
                   Lines({"[info]", "count=9",                                                   // 1-2
                          "[1]", "left=10", "top=10", "width=20", "height=20", "opis=AB",        // 3-8
                          "[2]", "left=190", "top=10", "width=40", "height=20", "opis=A-1",      // 9-14
                          "[3]", "left=300", "top=10", "width=20", "height=20", "opis=A-1",      // 15-20
                          "[4]", "left=10", "top=50", "width=1", "height=20", "opis=A-1",        // 21-26
                          "[5]", "left=10", "top=10", "width=20", "height=20", "opis=AB",        // 27-32
                          "[6]", "left=50", "top=50", "width=20", "height=20", "opis=A-7",       // 33-38
                          "[7]", "left=80", "top=50", "width=20", "height=20", "opis=../../outside",  // 39-44
                          "[9]", "left=110", "top=50", "width=20", "height=20", "opis=B"}));     // 45-50
    TempDir::Write(d + "1_2.ini", "\xEF\xBB\xBF" + Lines({"[info]", "count=2", "[1]", "width=5", "[2]", "width=5"}));
    ASSERT_TRUE(velmora::testing::MakeSparse2GiB(d + "2_1.ini"));
    TempDir::Write(d + "2_2.ini", Lines({"[info]", "count=5", "[1]", "left=1", "top=1", "width=10", "height=10",
                                         "opis=A-1"}));
    TempDir::Write(d + "11_1.ini", Lines({"[info]", "count=200000", "[150000]"}));
    for (const char* sign : {"A-1", "AB", "B", "C"}) TempDir::Write(d + "znaki/" + sign + ".jpg", small);
    TempDir::Write(d + "znaki.txt", Lines({"AB.jpg\tAB caption", "B.jpg\tB caption", "A-1.jpg\tUst\x81p",
                                           "Z.jpg\tno picture", "no tab here"}) +
                                        std::string("\0after", 6));
}

}  // namespace

TEST(CatalogueCheck, ReportsEveryFindingOnceInFileAndLineOrder) {
    TempDir dir;
    const std::string d = dir.Dir() + "dane/";
    WriteFaultyCatalogue(d);
    // Paths relative to the data directory.
    const std::vector<std::string> expected = {
        "1_1.ini:2: warning: section 8 is missing: it reads as an empty hotspot [hotspot-count]",
        "1_1.ini:9: warning: hotspot 2 (left 190, top 10, 40 x 20) reaches beyond its 200 x 100 picture [hotspot-overhang]",
        "1_1.ini:15: error: hotspot 3 (left 300, top 10, 20 x 20) lies outside its 200 x 100 picture [hotspot-outside]",
        "1_1.ini:21: error: hotspot 4 (left 10, top 50, 1 x 20) is too small to be pointed at [hotspot-tiny]",
        "1_1.ini:27: warning: hotspot 5 repeats hotspot 1 exactly [hotspot-duplicate]",
        "1_1.ini:38: error: hotspot 6 names sign \"A-7\", which has no picture znaki/A-7.jpg [sign-missing]",
        "1_1.ini:44: error: hotspot 7 names \"../../outside\", which leads out of the sign folder: it shows nothing [sign-outside]",
        "1_2.ini:1: warning: a line before the first section is never read [ini-stray-line]",
        "1_2.ini:1: warning: the file starts with a UTF-8 byte-order mark, which the program reads as part of its first line [bom]",
        "1_2.ini:2: warning: a line before the first section is never read [ini-stray-line]",
        "1_2.ini:3: error: sections 1 to 2 are read by no count: their hotspots are never shown [hotspot-unread]",
        "1_x.ini: warning: no item has this name: the program never reads it [hotspot-file-orphan]",
        "2_1.ini: error: Cannot open file \"" + d + "2_1.ini\". File too large [file-unreadable]",
        "2_2.ini: warning: hotspots of item 2 of page 2, which lies beyond the page's item count, 1 [hotspot-file-orphan]",
        "2_2.ini:2: warning: count=5, but the last section is [1]: the program reads 1 hotspot [hotspot-count]",
        "11_1.ini:2: warning: sections 1 to 100000 are missing: they read as empty hotspots [hotspot-count]",
        "11_1.ini:2: error: the file gives 150000 hotspots: only the first 100000 are read [hotspot-limit]",
        "info.ini:4: error: Items=abc is not a number: it reads as 1 [ini-not-number]",
        "info.ini:5: warning: stray line \"stray\": no key, so nothing reads it [ini-stray-line]",
        "info.ini:6: error: page 3 has no picture p_3.jpg [page-picture-missing]",
        "info.ini:8: warning: key Items again (first on line 7): only this value is read [ini-duplicate-key]",
        "info.ini:9: warning: page 11 has no chapter link: the stage links pages 1 to 10 [page-unreachable]",
        "info.ini:10: warning: section [1] again (first on line 1): only this one is read [ini-duplicate-section]",
        "opis.rtf: error: this is a directory: the program takes it for missing [not-regular-file]",
        "p_1.jpg: warning: the picture decodes only with JPEG warning #116: part of it may show wrong [picture-warning]",
        "p_1_2.jpg: warning: the picture ends before its image does: it is cut short, and the rest is made up by the decoder [picture-cut-short]",
        "p_01.jpg: warning: no screen, page or item has this name: the program never shows it [picture-unused]",
        "p_2_1.jpg: error: item 1 of page 2 has no picture [item-picture-missing]",
        "p_2_2.jpg: warning: item 2 of page 2 lies beyond the page's item count, 1: no link shows it [picture-unused]",
        "p_2_2.jpg: error: the file is empty: it shows as nothing [picture-empty]",
        "p_11_1.jpg: error: cannot be decoded: JPEG error #53 [picture-undecodable]",
        "p_spis.jpg: error: the index picture is missing: the index cannot be shown [stage-picture-missing]",
        "znaki.txt:1: error: the caption of \"B\" is taken from this line, which names \"AB.jpg\" (its own is line 2) [caption-shadowed]",
        "znaki.txt:3: warning: byte 0x81 is not defined in Windows-1250 [undefined-byte]",
        "znaki.txt:4: warning: names \"Z.jpg\", which is not in the sign folder [caption-orphan]",
        "znaki.txt:5: warning: the line has no TAB: all of it is the caption [caption-no-tab]",
        "znaki.txt:6: error: a NUL byte ends the text here: nothing after it is read [nul-byte]",
        "znaki/C.jpg: warning: no hotspot names this sign [sign-unused]",
        "znaki/C.jpg: warning: no line of znaki.txt names C.jpg: its preview shows no caption [caption-missing]",
    };
    const std::vector<TFinding> findings = CheckCatalogue(d);
    std::vector<std::string> lines;
    for (const TFinding& f : findings) lines.push_back(FindingLine(f).substr(d.size()));
    for (size_t i = 0; i < std::max(lines.size(), expected.size()); ++i)
        EXPECT_EQ(i < lines.size() ? lines[i] : "", i < expected.size() ? expected[i] : "") << "line " << i;
    // The same report whatever the threads did.
    EXPECT_EQ(CheckCatalogue(d, 1), findings);
    EXPECT_EQ(CheckCatalogue(d, 5), findings);
    EXPECT_TRUE(HasErrors(findings));
}

TEST(CatalogueCheck, DemoCatalogueHasNoError) {
    const std::vector<TFinding> findings = CheckCatalogue(VELMORA_DEMO_DIR);
    std::string report;
    for (const TFinding& f : findings)
        if (FindingSeverity(f.Code) == TSeverity::Error) report += FindingLine(f) + "\n";
    EXPECT_EQ(report, "");
}

TEST(CatalogueCheck, MissingDirectoryIsOneError) {
    const std::vector<TFinding> findings = CheckCatalogue("/nonexistent/dane");
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(FindingLine(findings[0]), "/nonexistent/dane/: error: no such directory [no-data-dir]");
}

TEST(CatalogueCheck, JsonAndSummary) {
    const std::vector<TFinding> findings = {
        {"d/1_1.ini", 3, TFindingCode::SignMissing, "names \"A\\1\"\ttab"},
        {"d/p_\xB3.jpg", 0, TFindingCode::PictureUnused, "x"},
    };
    EXPECT_EQ(FindingsJson(findings),
              "[\n"
              "  {\"path\": \"d/1_1.ini\", \"line\": 3, \"severity\": \"error\", \"code\": \"sign-missing\", "
              "\"message\": \"names \\\"A\\\\1\\\"\\u0009tab\"},\n"
              "  {\"path\": \"d/p_\xC5\x82.jpg\", \"line\": null, \"severity\": \"warning\", \"code\": "
              "\"picture-unused\", \"message\": \"x\"}\n"
              "]\n");
    EXPECT_EQ(FindingsJson({}), "[]\n");
    EXPECT_EQ(FindingsSummary(findings), "1 error, 1 warning");
    EXPECT_EQ(FindingsSummary({}), "0 errors, 0 warnings");
}
