// The editor writes a hotspot file only when the author changed its hotspots. Every way into a spoilt
// item picture, page picture or hotspot file (both item links, a chapter link) and every way out of
// it (the next-item, index and close links) leaves every file of the catalogue byte for byte, and the
// window shows what it still shows: the numbers, the counter and the hotspots of the item shown.
#include <QApplication>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/data_set.h"
#include "app/image_form.h"
#include "app/main_form.h"
#include "layers/layer_collection.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/recorded_boxes.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unusual_files.h"
#include "toolkit/application.h"
#include "toolkit/message_box.h"

namespace velmora {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

std::string Section(int n, int left) {
    return testing::HotspotSection(n, left, 10, 20, 20, "A-" + std::to_string(n));
}

// Nine hotspots, in a hand-made layout that no save would write back the same: blank lines, and a
// comment after the count.
std::string NineHotspots() {
    std::string text = "[info]\r\ncount=9\r\n; item hotspots\r\n\r\n";
    for (int n = 1; n <= 9; ++n) text += Section(n, 10 * n);
    return text;
}

std::string SourceFile(const char* name) {
    const std::string bytes = TempDir::Read(std::string(VELMORA_RASTER_TEST_DATA) + "/" + name);
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

// Decodes only as far as the decoder's bound on scans: a picture that fails while it is drawn.
std::string TooManyScans() { return SourceFile("many_scans.jpg"); }

// Page 1 with three items, page 2 with two; every picture decodes and every item has nine hotspots.
void WriteCatalogue(const std::string& dane) {
    TempDir::Write(dane + "info.ini", "[1]\r\nItems=3\r\n[2]\r\nItems=2\r\n");
    TempDir::Write(dane + "znaki.txt", "A-1.jpg\tUwaga\r\n");
    TempDir::Write(dane + "opis.rtf", "{\\rtf1\\ansi Katalog.\\par}");
    testing::WriteFlatJpeg(dane + "znaki/A-1.jpg", 40, 30, 0xFFC02020);
    for (const char* name : {"p_menu", "p_spis", "p_1", "p_2"}) testing::WriteFlatJpeg(dane + name + ".jpg", 64, 48, 0xFF204080);
    for (const char* item : {"1_1", "1_2", "1_3", "2_1", "2_2"}) {
        testing::WriteFlatJpeg(dane + "p_" + item + ".jpg", 300, 200, 0xFF808080);
        TempDir::Write(dane + item + ".ini", NineHotspots());
    }
}

// Every file's bytes; a file too large to hold stands by its size.
std::map<std::string, std::string> Snapshot(const std::string& dane) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dane)) {
        if (!entry.is_regular_file()) continue;  // a FIFO or a device is never read
        const std::string path = entry.path().string();
        files[path] = entry.file_size() > (1u << 24) ? "size " + std::to_string(entry.file_size()) : TempDir::Read(path);
    }
    return files;
}

enum class TTarget { ItemPicture, StagePicture, HotspotFile };
enum class TWayIn { NextItem, PreviousItem, ChapterLink };
enum class TWayOut { NextItem, IndexLink, CloseLink };

struct TSpoilt {
    const char* Name;
    TTarget Target;
    std::function<std::string()> Bytes;
    int64_t SparseSize = 0;  // when not 0, the file is made this large without data
};

const std::vector<TSpoilt>& SpoiltFiles() {
    static const std::vector<TSpoilt> files = {
        {"picture cut short in its header", TTarget::ItemPicture, [] { return SourceFile("header_cut.jpg"); }},
        {"text named .jpg", TTarget::ItemPicture, [] { return std::string("not a picture at all\r\n"); }},
        {"picture of too many scans", TTarget::ItemPicture, TooManyScans},
        {"header of a huge picture", TTarget::ItemPicture, [] { return SourceFile("huge_header.jpg"); }},
        {"page picture cut short", TTarget::StagePicture, [] { return SourceFile("header_cut.jpg"); }},
        {"page picture of text", TTarget::StagePicture, [] { return std::string("no picture"); }},
        {"page picture of too many scans", TTarget::StagePicture, TooManyScans},
        {"page picture of a huge size", TTarget::StagePicture, [] { return SourceFile("huge_header.jpg"); }},
        {"hotspot file behind a byte-order mark", TTarget::HotspotFile, [] { return std::string("\xEF\xBB\xBF").append(NineHotspots()); }},
        // Too large to be read at all: a sparse file of 2 GiB.
        {"hotspot file that cannot be read", TTarget::HotspotFile, [] { return std::string(); }, int64_t(2) << 30},
    };
    return files;
}

class EditorSafetyTest : public testing::TShownMainFormTest {
protected:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        WriteCatalogue(FDane);
    }

    TMainForm& Open() { return ShowForm(FDir.Dir(), true, TPointer::Untouched); }
    void Spoil(const TSpoilt& spoilt) {
        const std::string bytes = spoilt.Bytes();
        switch (spoilt.Target) {
            case TTarget::ItemPicture:
                for (const char* name : {"p_1_2.jpg", "p_2_1.jpg"}) TempDir::Write(FDane + name, bytes);
                break;
            case TTarget::StagePicture:
                TempDir::Write(FDane + "p_2.jpg", bytes);
                break;
            case TTarget::HotspotFile:
                for (const char* name : {"1_2.ini", "2_1.ini"}) {
                    TempDir::Write(FDane + name, bytes);
                    if (spoilt.SparseSize > 0) fs::resize_file(FDane + name, static_cast<uintmax_t>(spoilt.SparseSize));
                }
                break;
        }
    }
    // Goes from the menu to page 1, item 1, 2 (the next one) or 3 (the previous one, round the end).
    void ShowItem(int item) {
        Click(FForm->cxLabel1);
        if (item == 2) Click(FForm->SubNextBtn);
        if (item == 3) Click(FForm->SubPrevBtn);
        ASSERT_EQ(FForm->CurrentItem, item);
    }
    void GoIn(TWayIn way) {
        switch (way) {
            case TWayIn::NextItem:
                ShowItem(1);
                Click(FForm->SubNextBtn);
                break;
            case TWayIn::PreviousItem:
                ShowItem(3);
                Click(FForm->SubPrevBtn);
                break;
            case TWayIn::ChapterLink:
                ShowItem(1);
                Click(FForm->s1);  // page 2
                break;
        }
    }
    void GoOut(TWayOut way) {
        switch (way) {
            case TWayOut::NextItem: Click(FForm->SubNextBtn); break;
            case TWayOut::IndexLink: Click(FForm->cxLabel10); break;
            case TWayOut::CloseLink: Click(FForm->CloseBtn); break;
        }
    }

    TempDir FDir;
    const std::string FDane = FDir.Dir() + "dane/";
    testing::TRecordedBoxes FBoxes;
    std::vector<QString>& FWarnings = FBoxes.Warnings;
    std::vector<QString>& FErrors = FBoxes.Errors;
};

TEST_F(EditorSafetyTest, NoWayThroughASpoiltFileChangesAnyFile) {
    int scenarios = 0;
    for (const TSpoilt& spoilt : SpoiltFiles()) {
        for (const TWayIn in : {TWayIn::NextItem, TWayIn::PreviousItem, TWayIn::ChapterLink}) {
            // A page picture is reached only by its chapter link.
            if (spoilt.Target == TTarget::StagePicture && in != TWayIn::ChapterLink) continue;
            for (const TWayOut out : {TWayOut::NextItem, TWayOut::IndexLink, TWayOut::CloseLink}) {
                SCOPED_TRACE(std::string(spoilt.Name) + ", way in " + std::to_string(int(in)) + ", way out " +
                             std::to_string(int(out)));
                WriteCatalogue(FDane);
                Spoil(spoilt);
                const auto before = Snapshot(FDane);
                FErrors.clear();
                TMainForm& form = Open();
                GoIn(in);
                const int shownPage = in == TWayIn::ChapterLink ? 2 : 1;
                if (spoilt.Target == TTarget::HotspotFile) {
                    // The picture came: its item is current, without the hotspots that did not load.
                    EXPECT_EQ(form.CurrentPage, shownPage);
                    EXPECT_EQ(form.CurrentItem, shownPage == 2 ? 1 : 2);
                    EXPECT_EQ(form.InfoLabel->Caption(), shownPage == 2 ? "1 / 2" : "2 / 3");
                    EXPECT_EQ(form.sub_image->LayerCollection().LayerCount(), 0);
                } else {
                    // The picture failed: the item shown before stays current, with its counter and
                    // its hotspots, as after a missing picture.
                    EXPECT_EQ(FErrors.size(), 1u);
                    const int shownItem = in == TWayIn::PreviousItem ? 3 : 1;
                    EXPECT_EQ(form.CurrentPage, 1);
                    EXPECT_EQ(form.CurrentItem, shownItem);
                    EXPECT_EQ(form.InfoLabel->Caption(), std::to_string(shownItem) + " / 3");
                    EXPECT_EQ(form.sub_image->LayerCollection().LayerCount(), 9);
                }
                GoOut(out);
                EXPECT_TRUE(Snapshot(FDane) == before);
                FForm.reset();
                ++scenarios;
            }
        }
    }
    EXPECT_EQ(scenarios, 4 * 3 * 3 + 4 * 3 + 2 * 3 * 3);
}

// A picture that fails leaves the picture shown as it was, not a half-decoded one of the new size.
TEST_F(EditorSafetyTest, AFailedPictureLeavesTheShownPicturesAlone) {
    TempDir::Write(FDane + "p_1_2.jpg", SourceFile("huge_header.jpg"));
    TempDir::Write(FDane + "p_2.jpg", TooManyScans());
    TMainForm& form = Open();
    ShowItem(1);
    Click(form.SubNextBtn);
    EXPECT_EQ(form.sub_image->Bitmap().Width(), 300);
    EXPECT_EQ(form.sub_image->Bitmap().Height(), 200);
    Click(form.s1);
    EXPECT_EQ(form.MainImage->Bitmap().Width(), 64);
    // The page's controls stay those of the page shown; its hotspots are still the ones edited.
    EXPECT_FALSE(form.sub_image->isHidden());
    EXPECT_EQ(FErrors.size(), 2u);
}

TEST_F(EditorSafetyTest, OnlyChangesMadeByTheAuthorAreSavedOnLeaving) {
    struct Row {
        const char* change;
        std::function<void(TMainForm&)> make;
        bool saved;
    };
    const std::vector<Row> rows = {
        {"nothing", [](TMainForm&) {}, false},
        {"a hotspot selected", [this](TMainForm& f) { QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, f.sub_image->mapTo(&f, QPoint(12, 15))); }, false},
        {"a hotspot added", [this](TMainForm& f) { Click(f.L_Add); }, true},
        {"a description typed", [this](TMainForm& f) {
             QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, f.sub_image->mapTo(&f, QPoint(12, 15)));
             QTest::keyClicks(f._opis, QStringLiteral("x"));
         }, true},
        {"the same description typed again", [this](TMainForm& f) {
             QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, f.sub_image->mapTo(&f, QPoint(12, 15)));
             f._opis->setText(QStringLiteral("A-1"));
         }, false},
        {"saved, then nothing", [this](TMainForm& f) {
             Click(f.L_Add);
             Click(f.L_Save);
         }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        WriteCatalogue(FDane);
        TMainForm& form = Open();
        ShowItem(1);
        row.make(form);
        const std::string before = TempDir::Read(FDane + "1_1.ini");
        Click(form.SubNextBtn);
        EXPECT_EQ(TempDir::Read(FDane + "1_1.ini") != before, row.saved);
        FForm.reset();
    }
}

// A FIFO, a link to a device or a huge sparse file in place of any file the window reads: every step
// of a visit is over within a second, and the window never waits on the decoding worker.
TEST_F(EditorSafetyTest, UnusualFilesInPlaceOfAnyFileAreRefusedAtOnce) {
    const char* const roles[] = {"info.ini", "znaki.txt", "opis.rtf", "p_menu.jpg", "p_2.jpg",
                                 "p_1_2.jpg", "p_2_1.jpg", "1_2.ini", "znaki/A-1.jpg"};
    for (const testing::TUnusualFile& unusual : testing::UnusualFiles) {
        for (const char* role : roles) {
            const std::string what = std::string(unusual.Kind) + " as " + role;
            SCOPED_TRACE(what);
            WriteCatalogue(FDane);
            fs::remove(FDane + role);
            ASSERT_TRUE(unusual.Make(FDane + role));
            const auto before = Snapshot(FDane);
            FBoxes.Previews.clear();
            testing::ExpectPrompt(what + " open", testing::TimeTaken(FDane + role, [&] { Open(); }));
            const auto step = [&](const char* name, auto&& action) {
                testing::ExpectPrompt(what + " " + name, testing::TimeTaken(FDane + role, action));
            };
            step("chapter", [&] { Click(FForm->cxLabel1); });
            step("next", [&] { Click(FForm->SubNextBtn); });
            step("preview", [&] {
                Click(FForm->SubPrevBtn);
                QTest::mouseClick(FForm->windowHandle(), Qt::LeftButton, {}, FForm->sub_image->mapTo(FForm.get(), QPoint(12, 15)));
                Click(FForm->PreviewBtn);
            });
            step("other chapter", [&] { Click(FForm->s1); });
            step("close", [&] {
                Click(FForm->CloseBtn);
                FForm.reset();
            });
            EXPECT_TRUE(Snapshot(FDane) == before);
            // The visit really went through the item and its preview.
            EXPECT_EQ(FBoxes.Previews.size(), std::string(role) == "znaki/A-1.jpg" ? 0u : 1u);
            fs::remove(FDane + role);
        }
    }
}

TEST_F(EditorSafetyTest, ARunawayCountLoadsAtMostTheBoundAndSaysSo) {
    TempDir::Write(FDane + "1_2.ini", "[info]\r\ncount=2147483647\r\n[2147483647]\r\nleft=1\r\n");
    TMainForm& form = Open();
    const auto before = Snapshot(FDane);
    ShowItem(2);
    EXPECT_EQ(form.sub_image->LayerCollection().LayerCount(), MaxHotspotsPerItem);
    ASSERT_EQ(FWarnings.size(), 1u);
    EXPECT_EQ(FWarnings[0], QString::fromUtf8("Plik \"%1\" ma 2147483647 warstw; wczytano pierwsze 100000.")
                                .arg(QString::fromStdString(FDane + "1_2.ini")));
    Click(form.SubNextBtn);
    EXPECT_TRUE(Snapshot(FDane) == before);
}

}  // namespace
}  // namespace velmora
