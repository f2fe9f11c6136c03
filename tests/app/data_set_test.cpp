#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <limits>

#include "app/data_set.h"
#include "tests/support/temp_dir.h"
#include "text/file_errors.h"
#include "text/mem_ini_file.h"
#include "text/string_list.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

std::vector<THotspotRecord> ReadText(const std::string& text) {
    TempDir dir;
    TempDir::Write(dir.File("h.ini"), text);
    return ReadHotspotFile(dir.File("h.ini"));
}

TSingleRect R(float l, float t, float r, float b) { return TSingleRect{l, t, r, b}; }

}  // namespace

TEST(DataSetPaths, AreBuiltUnderDane) {
    const std::string app = DataDirOf("/opt/velmora/");
    EXPECT_EQ(app, "/opt/velmora/dane/");
    EXPECT_EQ(InfoIniPath(app), "/opt/velmora/dane/info.ini");
    EXPECT_EQ(SignListPath(app), "/opt/velmora/dane/znaki.txt");
    EXPECT_EQ(IntroTextPath(app), "/opt/velmora/dane/opis.rtf");
    EXPECT_EQ(StagePicturePath(app, "menu"), "/opt/velmora/dane/p_menu.jpg");
    EXPECT_EQ(StagePicturePath(app, "10"), "/opt/velmora/dane/p_10.jpg");
    EXPECT_EQ(ItemPicturePath(app, 3, 12), "/opt/velmora/dane/p_3_12.jpg");
    EXPECT_EQ(ItemPicturePath(app, 0, -1), "/opt/velmora/dane/p_0_-1.jpg");
    EXPECT_EQ(HotspotFilePath(app, 2, 3), "/opt/velmora/dane/2_3.ini");
    EXPECT_EQ(SignPicturePath(app, "A-1 \xB3uk"), "/opt/velmora/dane/znaki/A-1 \xB3uk.jpg");
}

// A description names a picture of the sign folder; one that would leave the folder, by its own
// ".." or through a link, leads nowhere, as a missing sign does.
TEST(SignPicturePath, NeverLeadsOutOfTheSignFolder) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string dane = dir.Dir() + "dane/";
    TempDir::Write(dir.File("outside.jpg"), "x");
    TempDir::Write(dane + "p_menu.jpg", "x");
    TempDir::Write(dane + "znaki/A-1.jpg", "x");
    TempDir::Write(dane + "znaki/kat/B-2.jpg", "x");
    fs::create_symlink("A-1.jpg", dane + "znaki/alias.jpg");
    fs::create_symlink("../../outside.jpg", dane + "znaki/away.jpg");
    fs::create_symlink("../p_menu.jpg", dane + "znaki/menu.jpg");
    fs::create_symlink(dir.Dir(), dane + "znaki/up");
    struct Row {
        std::string opis;
        bool leads;  // to dane/znaki/<opis>.jpg
    };
    for (const Row& row : {Row{"A-1", true}, Row{"kat/B-2", true}, Row{"alias", true}, Row{"missing", true},
                           Row{"/A-1", true}, Row{"", true}, Row{"../../outside", false}, Row{"..", false},
                           Row{"kat/../A-1", false}, Row{"kat/..", false}, Row{"away", false},
                           Row{"menu", false}, Row{"up/outside", false}, Row{std::string("A-1\0/../x", 9), false}}) {
        SCOPED_TRACE(row.opis);
        EXPECT_EQ(SignPicturePath(dane, row.opis), row.leads ? dane + "znaki/" + row.opis + ".jpg" : "");
    }
}

TEST(FindDataDir, BesideTheProgramElseInTheInstallsShareFolder) {
    namespace fs = std::filesystem;
    TempDir dir;
    fs::create_directories(dir.File("usr/bin"));
    const std::string bin = dir.Dir() + "usr/bin/";
    EXPECT_EQ(FindDataDir(bin), bin + "dane/");  // neither: beside it all the same
    fs::create_directories(dir.File("usr/share/velmora/dane"));
    EXPECT_EQ(FindDataDir(bin), dir.Dir() + "usr/share/velmora/dane/");
    fs::create_directories(dir.File("usr/bin/dane"));
    EXPECT_EQ(FindDataDir(bin), bin + "dane/");
}

TEST(PageItemCount, ReadsItemsOfThePageSection) {
    TMemIniFile info("");
    EXPECT_EQ(PageItemCount(info, 3), 1);  // no page list at all
    info.SetValue("3", "items", "4");
    info.SetValue("4", "Items", "abc");
    info.SetValue("5", "Items", "0");
    info.SetValue("06", "Items", "9");
    EXPECT_EQ(PageItemCount(info, 3), 4);
    EXPECT_EQ(PageItemCount(info, 4), 1);
    EXPECT_EQ(PageItemCount(info, 5), 0);
    EXPECT_EQ(PageItemCount(info, 6), 1);  // "06" is another section
}

TEST(ReadHotspots, SectionsOneToCountBottomFirst) {
    auto hotspots = ReadText(
        "[INFO]\r\nCount=3\r\n"
        "[2]\r\ntop=20\r\nleft=10\r\nwidth=30\r\nheight=40\r\nopis=B-1\r\n"
        "[1]\r\nTop = 5\r\nLEFT=6\r\nwidth=-7\r\nheight=x\r\nopis = A-1 \r\n"
        "[3]\r\nleft=1\r\n");
    ASSERT_EQ(hotspots.size(), 3u);
    EXPECT_EQ(hotspots[0], (THotspotRecord{R(6, 5, -1, 5), "A-1"}));  // negative width as it stands
    EXPECT_EQ(hotspots[1], (THotspotRecord{R(10, 20, 40, 60), "B-1"}));
    EXPECT_EQ(hotspots[2], (THotspotRecord{R(1, 0, 1, 0), ""}));
}

TEST(ReadHotspots, CountsThatGiveNoHotspots) {
    TempDir dir;
    EXPECT_TRUE(ReadHotspotFile(dir.File("missing.ini")).empty());
    EXPECT_TRUE(ReadText("[info]\ncount=0\n[1]\ntop=1\n").empty());
    EXPECT_TRUE(ReadText("[info]\ncount=-3\n[1]\ntop=1\n").empty());
    EXPECT_TRUE(ReadText("[info]\ncount=two\n[1]\ntop=1\n").empty());
    EXPECT_TRUE(ReadText("[1]\ntop=1\n").empty());
}

TEST(ReadHotspots, MissingSectionsBelowTheHighestAreAllZero) {
    auto hotspots = ReadText("[info]\ncount=4\n[1]\nleft=1\n[4]\nleft=4\nopis=D\n");
    ASSERT_EQ(hotspots.size(), 4u);
    EXPECT_EQ(hotspots[1], (THotspotRecord{R(0, 0, 0, 0), ""}));
    EXPECT_EQ(hotspots[2], (THotspotRecord{R(0, 0, 0, 0), ""}));
    EXPECT_EQ(hotspots[3].Opis, "D");
    // Fewer than present: only 1 .. count.
    EXPECT_EQ(ReadText("[info]\ncount=1\n[1]\nleft=1\n[2]\nleft=2\n").size(), 1u);
}

TEST(ReadHotspots, AHugeCountStopsAtTheHighestSection) {
    auto start = std::chrono::steady_clock::now();
    auto hotspots = ReadText("[info]\ncount=2000000000\n[1]\nleft=1\n[3]\nleft=3\n[007]\nleft=7\n[info2]\n");
    auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(hotspots.size(), 3u);  // "007" is not section 7
    EXPECT_EQ(hotspots[2].Rect.Left, 3.0f);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
    EXPECT_EQ(ReadText("[info]\ncount=2147483647\n").size(), 0u);
}

TEST(ReadHotspots, ExtremeValuesDoNotWrap) {
    auto hotspots = ReadText("[info]\ncount=1\n[1]\nleft=2147483647\nwidth=1\ntop=-2147483648\nheight=-1\n");
    ASSERT_EQ(hotspots.size(), 1u);
    EXPECT_EQ(hotspots[0].Rect.Right, 2147483648.0f);
    EXPECT_GT(hotspots[0].Rect.Right, 0.0f);
    EXPECT_LT(hotspots[0].Rect.Bottom, 0.0f);
}

TEST(WriteHotspotFile, WritesTruncatedNumbersInTheFileOrder) {
    TempDir dir;
    const std::string path = dir.File("2_3.ini");
    TempDir::Write(path, "; old comment\n[info]\ncount=9\nextra=1\n[9]\nleft=1\n");
    WriteHotspotFile(path, {{R(10.7f, 5.5f, 110.2f, 105.9f), "A-7"},
                            {R(10.6f, 20.4f, 60.9f, 70.2f), "B-20 \xB3uk"},
                            {R(-10.7f, -0.5f, 20.2f, 0.4f), ""}});
    EXPECT_EQ(TempDir::Read(path),
              "[info]\r\ncount=3\r\n\r\n"
              "[1]\r\nwidth=99\r\nheight=100\r\ntop=5\r\nleft=10\r\nopis=A-7\r\n\r\n"
              "[2]\r\nwidth=50\r\nheight=49\r\ntop=20\r\nleft=10\r\nopis=B-20 \xB3uk\r\n\r\n"
              "[3]\r\nwidth=30\r\nheight=0\r\ntop=0\r\nleft=-10\r\nopis=\r\n\r\n");
    auto back = ReadHotspotFile(path);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], (THotspotRecord{R(10, 5, 109, 105), "A-7"}));
}

TEST(WriteHotspotFile, NoHotspotsStillWritesTheCount) {
    TempDir dir;
    WriteHotspotFile(dir.File("1_1.ini"), {});
    EXPECT_EQ(TempDir::Read(dir.File("1_1.ini")), "[info]\r\ncount=0\r\n\r\n");
}

TEST(WriteHotspotFile, FailureLeavesNoFileAndReportsThePath) {
    TempDir dir;
    const std::string path = dir.File("dane/1_1.ini");
    try {
        WriteHotspotFile(path, {{R(0, 0, 10, 10), "x"}});
        FAIL();
    } catch (const EFileCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". No such file or directory");
    }
    EXPECT_EQ(dir.EntryCount(), 0);
}

// A catalogue from elsewhere must not make a save replace files outside its data directory.
TEST(WriteHotspotFile, WritesThroughLinksOnlyInsideTheDataDirectory) {
    namespace fs = std::filesystem;
    struct Row {
        const char* link;  // where dane/1_1.ini points
        bool written;
    };
    for (const Row& row : {Row{"../victim.txt", false}, Row{"../nowhere.txt", false}, Row{"/tmp", false},
                           Row{"other.ini", true}, Row{"sub/../other.ini", true}, Row{"chain.ini", true}}) {
        SCOPED_TRACE(row.link);
        TempDir dir;
        TempDir::Write(dir.File("victim.txt"), "keep");
        TempDir::Write(dir.File("dane/other.ini"), "old");
        fs::create_directory(dir.File("dane/sub"));
        fs::create_symlink("other.ini", dir.File("dane/chain.ini"));
        const std::string path = dir.File("dane/1_1.ini");
        fs::create_symlink(row.link, path);
        std::string message;
        try {
            WriteHotspotFile(path, {});
        } catch (const EFileCreateError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, row.written ? "" : "Cannot create file \"" + path + "\". It links to a file outside the data directory");
        EXPECT_EQ(TempDir::Read(dir.File("victim.txt")), "keep");
        EXPECT_FALSE(fs::exists(dir.File("nowhere.txt")));
        EXPECT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(TempDir::Read(dir.File("dane/other.ini")), row.written ? "[info]\r\ncount=0\r\n\r\n" : "old");
    }
}

TEST(TruncCoordinate, TowardZeroAndSaturated) {
    EXPECT_EQ(TruncCoordinate(99.9L), 99);
    EXPECT_EQ(TruncCoordinate(-99.9L), -99);
    EXPECT_EQ(TruncCoordinate(-0.5L), 0);
    EXPECT_EQ(TruncCoordinate(std::numeric_limits<long double>::quiet_NaN()), 0);
    EXPECT_EQ(TruncCoordinate(1e20L), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(TruncCoordinate(-1e20L), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncCoordinate(std::numeric_limits<float>::infinity()), std::numeric_limits<int32_t>::max());
}

TEST(GetOpis, FirstLineContainingTheNameWithExtension) {
    TStringList signs;
    signs.SplitLines(
        "AB.jpg\tA-B caption\r\n"
        "B.jpg\tB caption\r\n"
        "C.jpg without tab\r\n"
        "D.jpg\tfirst\tsecond\r\n"
        "D.jpg\tlater\r\n"
        "e.JPG\tupper extension\r\n"
        "\t F.jpg \r\n");
    EXPECT_EQ(GetOpis(signs, "B"), "A-B caption");  // a plain substring match
    EXPECT_EQ(GetOpis(signs, "C"), "C.jpg without tab");
    EXPECT_EQ(GetOpis(signs, "D"), "first\tsecond");
    EXPECT_EQ(GetOpis(signs, "e"), "");  // letter case counts
    EXPECT_EQ(GetOpis(signs, "E"), "");
    EXPECT_EQ(GetOpis(signs, "F"), " F.jpg ");
    EXPECT_EQ(GetOpis(signs, "Z"), "");
    EXPECT_EQ(GetOpis(TStringList(), "B"), "");
}
