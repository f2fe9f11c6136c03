#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <string>

#include "app/catalogue_walk.h"
#include "app/code_page_1250.h"
#include "tests/support/temp_dir.h"
#include "toolkit/code_page.h"

using namespace velmora;
using velmora::testing::TempDir;

namespace {

std::vector<int32_t> ItemNumbers(const TWalkPage& page) {
    std::vector<int32_t> numbers;
    for (const TWalkItem& item : page.ItemList) numbers.push_back(item.Item);
    return numbers;
}

}  // namespace

TEST(CatalogueWalk, FindsPagesItemsHotspotsAndSignsAsTheProgramDoes) {
    TempDir dir;
    const std::string d = dir.Dir() + "dane";  // no trailing "/": the walk adds it
    TempDir::Write(d + "/info.ini", "[2]\r\nItems=2000000000\r\n[5]\r\nItems=0\r\n[x]\r\n");
    for (const char* name : {"p_2.jpg", "p_2_2.jpg", "p_5.jpg", "p_5_3.jpg", "p_7_1.jpg", "p_02.jpg", "p_2_1.JPG"})
        TempDir::Write(d + "/" + name, "x");
    TempDir::Write(d + "/2_1.ini",
                   "[info]\r\ncount=3\r\n[1]\r\nleft=5\r\nwidth=10\r\nopis=B\r\n[3]\r\nopis=../x\r\n");
    TempDir::Write(d + "/znaki.txt", "AB.jpg\tfirst\r\nB.jpg\tsecond\r\n");
    TempDir::Write(d + "/znaki/B.jpg", "x");
    TempDir::Write(d + "/znaki/kat/C.jpg", "x");
    TempDir::Write(d + "/readme.md", "ignored");

    const TCatalogue c = WalkCatalogue(d, 2);
    EXPECT_EQ(c.DataDir, d + "/");
    EXPECT_TRUE(c.DirectoryExists);
    EXPECT_EQ(c.SignList.Count(), 2);
    ASSERT_EQ(c.Pages.size(), 3u);

    const TWalkPage& two = c.Pages[0];
    EXPECT_EQ(two.Page, 2);
    EXPECT_TRUE(two.Listed);
    EXPECT_EQ(two.Items, 2000000000);
    EXPECT_TRUE(two.Picture.Exists());
    EXPECT_EQ(ItemNumbers(two), (std::vector<int32_t>{1, 2}));
    // Item 1 has only its hotspot file; the rest of the two thousand million items are one run.
    ASSERT_EQ(two.ReachedUnpictured.size(), 1u);
    EXPECT_EQ(two.ReachedUnpictured[0].First, 3);
    EXPECT_EQ(two.ReachedUnpictured[0].Last, 2000000000);

    const TWalkItem* first = c.FindItem(2, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->Reached);
    EXPECT_FALSE(first->Picture.Exists());
    ASSERT_EQ(first->Hotspots.size(), 3u);
    EXPECT_EQ(first->Hotspots[0].Section, 1);
    EXPECT_EQ(first->Hotspots[0].Record.Rect, (TSingleRect{5, 0, 15, 0}));
    // The caption rule's substring match finds the line of AB.jpg first, as the program does.
    EXPECT_EQ(first->Hotspots[0].Caption, "first");
    EXPECT_EQ(first->Hotspots[0].Sign.Path, d + "/znaki/B.jpg");
    EXPECT_TRUE(first->Hotspots[0].Sign.Exists());
    EXPECT_EQ(first->Hotspots[1].Record, THotspotRecord{});  // section 2 is missing: all zero
    EXPECT_FALSE(first->Hotspots[1].Sign.Exists());
    EXPECT_EQ(first->Hotspots[2].Sign.Path, "");  // leads out of the sign folder

    // One item read again, as after a save in the editor.
    TWalkItem again = *first;
    TempDir::Write(d + "/2_1.ini", "[info]\r\ncount=1\r\n[1]\r\nopis=kat/C\r\n");
    ReadItemHotspots(again);
    ResolveSigns(c, again);
    ASSERT_EQ(again.Hotspots.size(), 1u);
    EXPECT_TRUE(again.Hotspots[0].Sign.Exists());
    EXPECT_EQ(again.Hotspots[0].Caption, "");

    // Items=0 still shows item 1, and nothing beyond; page 7 is there only by an item picture.
    const TWalkPage& five = c.Pages[1];
    EXPECT_EQ(five.Items, 0);
    ASSERT_EQ(five.ReachedUnpictured.size(), 1u);
    EXPECT_EQ(five.ReachedUnpictured[0].First, 1);
    EXPECT_EQ(five.ReachedUnpictured[0].Last, 1);
    EXPECT_FALSE(c.FindItem(5, 3)->Reached);
    EXPECT_FALSE(c.Pages[2].Listed);
    EXPECT_FALSE(c.Pages[2].Picture.Exists());
    EXPECT_FALSE(c.FindItem(7, 1)->Reached);
    EXPECT_EQ(c.FindItem(7, 2), nullptr);

    ASSERT_EQ(c.Signs.size(), 2u);
    EXPECT_EQ(c.Signs[0].Name, "B");
    EXPECT_EQ(c.Signs[1].Name, "kat/C");
    ASSERT_EQ(c.Unnamed.size(), 2u);
    EXPECT_EQ(c.Unnamed[0].Path, d + "/p_02.jpg");
    EXPECT_EQ(c.Unnamed[1].Path, d + "/p_2_1.JPG");
}

TEST(CatalogueWalk, KindsOfFileAsTheProgramSeesThem) {
    namespace fs = std::filesystem;
    TempDir dir;
    TempDir::Write(dir.File("file"), "x");
    fs::create_directory(dir.File("folder"));
    fs::create_symlink("file", dir.File("link"));
    fs::create_symlink("nowhere", dir.File("dead"));
    EXPECT_EQ(FileKindAt(dir.File("file")), TFileKind::Regular);
    EXPECT_EQ(FileKindAt(dir.File("link")), TFileKind::Regular);
    EXPECT_EQ(FileKindAt(dir.File("folder")), TFileKind::Directory);
    EXPECT_EQ(FileKindAt(dir.File("dead")), TFileKind::BrokenLink);
    EXPECT_EQ(FileKindAt(dir.File("none")), TFileKind::Missing);
    EXPECT_EQ(FileKindAt("/dev/null"), TFileKind::Other);
}

// The table used without Qt gives the same text as the conversion at the Qt boundary, so a sign
// picture named by a description is the same file for the checker and for the window.
TEST(CodePage1250, AgreesWithTheQtBoundaryForEveryByte) {
    for (int b = 1; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = Win1250ToUtf8(byte);
        EXPECT_EQ(utf8, FromWin1250(byte).toStdString()) << b;
        std::string back;
        EXPECT_TRUE(Utf8ToWin1250(utf8, back)) << b;
        EXPECT_EQ(back, byte) << b;
    }
    std::string out;
    EXPECT_FALSE(Utf8ToWin1250("\xE2\x82", out));      // cut short
    EXPECT_FALSE(Utf8ToWin1250("\xC0\xAF", out));      // overlong
    EXPECT_FALSE(Utf8ToWin1250("\xE4\xB8\xAD", out));  // outside the code page
    EXPECT_TRUE(IsUtf8("\xE4\xB8\xAD"));
    EXPECT_FALSE(IsUtf8("\xB3"));
}
