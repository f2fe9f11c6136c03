// Hotspots of the item view on a small catalogue written into a temporary directory, driven through
// the real widgets: the hit rule on a plain and a scrolled view, the hand cursor over overlapping
// hotspots, the click that opens the preview, and the editor's add, select, describe, delete, load
// and save with its warnings. Previews and message boxes are recorded through their seams.
#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/image_form.h"
#include "app/main_form.h"
#include "app/warstwa_item.h"
#include "core/exception.h"
#include "layers/layer_collection.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/recorded_boxes.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"
#include "text/mem_ini_file.h"
#include "toolkit/application.h"
#include "toolkit/message_box.h"
#include "toolkit/screen_cursor.h"

namespace velmora {
namespace {

using testing::HotspotSection;
using testing::TempDir;

void WriteJpeg(const std::string& path, int width, int height) { testing::WriteFlatJpeg(path, width, height, 0xFF808080); }

// Page 1 with two items. Item 1 is large enough to scroll and carries four hotspots: a plain one, one
// far to the right, and an overlapping pair whose upper one names a missing picture. Item 2 has three.
void WriteCatalogue(const std::string& appDir) {
    const std::string dane = appDir + "dane/";
    TempDir::Write(dane + "info.ini", "[1]\r\nItems=2\r\n");
    TempDir::Write(dane + "znaki.txt", "a.jpg\tUwaga\r\nb.jpg\tStop\r\n");
    WriteJpeg(dane + "p_menu.jpg", 64, 48);
    WriteJpeg(dane + "p_spis.jpg", 64, 48);
    WriteJpeg(dane + "p_1.jpg", 64, 48);
    WriteJpeg(dane + "p_1_1.jpg", 1500, 1200);
    WriteJpeg(dane + "p_1_2.jpg", 300, 200);
    WriteJpeg(dane + "znaki/a.jpg", 40, 30);
    WriteJpeg(dane + "znaki/b.jpg", 40, 30);
    TempDir::Write(dane + "1_1.ini", "[info]\r\ncount=4\r\n" + HotspotSection(1, 10, 20, 30, 40, "a") +
                                         HotspotSection(2, 150, 300, 30, 30, "b") +
                                         HotspotSection(3, 300, 100, 50, 50, "a") +
                                         HotspotSection(4, 320, 120, 50, 50, "missing"));
    TempDir::Write(dane + "1_2.ini", "[info]\r\ncount=3\r\n" + HotspotSection(1, 10, 10, 50, 50, "a") +
                                         HotspotSection(2, 100, 10, 50, 50, "b") +
                                         HotspotSection(3, 200, 10, 50, 50, ""));
}

class HotspotsTest : public testing::TShownMainFormTest {
protected:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        WriteCatalogue(FDir.Dir());
    }

    TMainForm& Open(bool editor, const std::string& appDir = {}) {
        return ShowForm(appDir.empty() ? FDir.Dir() : appDir, editor);
    }
    // Opens page 1, item 1.
    TMainForm& OpenItem(bool editor = false) {
        TMainForm& form = Open(editor);
        Click(form.cxLabel1);
        EXPECT_EQ(form.CurrentPage, 1);
        return form;
    }

    // A click on the item view at client coordinates.
    void ClickView(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(FForm->windowHandle(), button, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(x, y)));
    }
    void MoveView(int x, int y) { QTest::mouseMove(FForm->windowHandle(), InWindow(FForm->sub_image, QPoint(x, y))); }

    TLayerCollection& Layers() { return FForm->sub_image->LayerCollection(); }
    TWarstwaItem* Hotspot(int index) { return dynamic_cast<TWarstwaItem*>(Layers().LayerAt(index)); }
    static void ExpectExtent(const TWarstwaItem* h, float l, float t, float r, float b) {
        ASSERT_NE(h, nullptr);
        EXPECT_FLOAT_EQ(h->Extent().Left, l);
        EXPECT_FLOAT_EQ(h->Extent().Top, t);
        EXPECT_FLOAT_EQ(h->Extent().Right, r);
        EXPECT_FLOAT_EQ(h->Extent().Bottom, b);
    }

    TempDir FDir;
    testing::TRecordedBoxes FBoxes;
    std::vector<QString>& FWarnings = FBoxes.Warnings;
    std::vector<std::string>& FPreviews = FBoxes.Previews;
    std::vector<QString>& FErrors = FBoxes.Errors;
};

// --- viewing mode --------------------------------------------------------------------------------

TEST_F(HotspotsTest, ViewingHotspotsAreBuiltFromTheFileBottomFirst) {
    TMainForm& form = OpenItem();
    ASSERT_EQ(Layers().LayerCount(), 4);
    ExpectExtent(Hotspot(0), 10, 20, 40, 60);
    ExpectExtent(Hotspot(3), 320, 120, 370, 170);
    EXPECT_EQ(Hotspot(3)->Opis, "missing");
    EXPECT_EQ(Hotspot(0)->Grips(), gsBody);
    EXPECT_EQ(Hotspot(0)->GripRadius(), 1);
    EXPECT_EQ(Hotspot(0)->OptionBits(), loVisible | loMouseInput);
    EXPECT_TRUE(Hotspot(0)->FollowsBitmap());
    // The next item replaces them.
    Click(form.SubNextBtn);
    EXPECT_EQ(Layers().LayerCount(), 3);
    ExpectExtent(Hotspot(1), 100, 10, 150, 60);
}

TEST_F(HotspotsTest, HitRuleExcludesTheLastColumnAndRowAndFollowsScrolling) {
    TMainForm& form = OpenItem();
    TWarstwaItem* h = Hotspot(0);  // left 10, top 20, width 30, height 40
    EXPECT_TRUE(h->HitsPoint(10, 20));
    EXPECT_TRUE(h->HitsPoint(38, 58));
    EXPECT_FALSE(h->HitsPoint(39, 58));
    EXPECT_FALSE(h->HitsPoint(38, 59));
    EXPECT_FALSE(h->HitsPoint(9, 20));

    form.sub_image->SetBitmapOffsetX(-100.0f);
    TWarstwaItem* right = Hotspot(1);  // left 150, top 300, width 30
    EXPECT_TRUE(right->HitsPoint(50, 300));
    EXPECT_FALSE(right->HitsPoint(150, 300));
    ClickView(50, 310);
    ClickView(150, 310);
    EXPECT_EQ(FPreviews, (std::vector<std::string>{"Stop"}));
}

TEST_F(HotspotsTest, HandCursorLooksAtEveryHotspotUnderThePointerButAClickOnlyAtTheTopmost) {
    OpenItem();
    MoveView(20, 30);
    EXPECT_EQ(Screen().Cursor(), crHandPoint);
    MoveView(600, 600);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    // Only the upper hotspot, whose picture is missing.
    MoveView(360, 160);
    EXPECT_EQ(Screen().Cursor(), crDefault);
    // The overlap: the lower hotspot's picture exists.
    MoveView(330, 130);
    EXPECT_EQ(Screen().Cursor(), crHandPoint);
    ClickView(330, 130);
    EXPECT_TRUE(FPreviews.empty());
    // Only the lower one.
    ClickView(305, 105);
    EXPECT_EQ(FPreviews, (std::vector<std::string>{"Uwaga"}));
}

TEST_F(HotspotsTest, AnyButtonOpensThePreviewAndADragMovesNothing) {
    OpenItem();
    ClickView(20, 30, Qt::RightButton);
    ClickView(20, 30, Qt::LeftButton);
    EXPECT_EQ(FPreviews, (std::vector<std::string>{"Uwaga", "Uwaga"}));
    // A drag that starts on a hotspot whose picture is missing opens nothing and moves nothing.
    QWindow* window = FForm->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(365, 165)));
    QTest::mouseMove(window, InWindow(FForm->sub_image, QPoint(400, 200)));
    QTest::mouseMove(window, InWindow(FForm->sub_image, QPoint(450, 260)));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(450, 260)));
    ExpectExtent(Hotspot(3), 320, 120, 370, 170);
    EXPECT_EQ(FPreviews.size(), 2u);
}

TEST_F(HotspotsTest, ThePressThatOpenedTheRealPreviewLeavesNoCaptureBehind) {
    TMainForm& form = OpenItem();
    TImageForm::SetShowModalHook({});
    bool released = false;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* preview = dynamic_cast<TImageForm*>(QApplication::activeModalWidget());
        if (preview == nullptr) {
            if (++ticks > 100) timer.stop();
            return;
        }
        if (!released) {
            // The button comes up while the preview blocks the main window.
            QTest::mouseRelease(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, InWindow(form.sub_image, QPoint(20, 30)));
            released = true;
            return;
        }
        preview->done(1);
    });
    timer.start();
    QTest::mousePress(form.windowHandle(), Qt::LeftButton, Qt::NoModifier, InWindow(form.sub_image, QPoint(20, 30)));
    timer.stop();
    EXPECT_TRUE(released);
    EXPECT_EQ(Layers().CaptureLayer(), nullptr);
    EXPECT_FALSE(Hotspot(0)->Tracking());
    // Leaving the view now gives the default cursor back.
    MoveView(22, 32);
    EXPECT_EQ(Screen().Cursor(), crHandPoint);
    QTest::mouseMove(form.windowHandle(), QPoint(1000, 5));
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST_F(HotspotsTest, ViewingModeNeverWritesTheHotspotFile) {
    TMainForm& form = OpenItem();
    const std::string before = TempDir::Read(FDir.Dir() + "dane/1_1.ini");
    Click(form.SubNextBtn);
    Click(form.cxLabel10);
    EXPECT_EQ(TempDir::Read(FDir.Dir() + "dane/1_1.ini"), before);
}

// --- editor --------------------------------------------------------------------------------------

TEST_F(HotspotsTest, EditorLoadsHotspotsWithGripsAndNoSelection) {
    TMainForm& form = OpenItem(true);
    ASSERT_EQ(Layers().LayerCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Hotspot(i)->Grips(), gsBody | gsSides | gsCorners | gsOutline);
        EXPECT_EQ(Hotspot(i)->GripRadius(), 4);
        EXPECT_EQ(Hotspot(i)->GripFillColor(), 0xFF000000u);
        EXPECT_FLOAT_EQ(Hotspot(i)->SmallestWidth, 10.0f);
    }
    EXPECT_EQ(form.SelectedLayer, nullptr);
    EXPECT_TRUE(form._opis->isHidden());
    EXPECT_TRUE(form.PreviewBtn->isHidden());
}

TEST_F(HotspotsTest, AddingOnAnUnscrolledItemPlacesTheHotspotAndItsEditBox) {
    TMainForm& form = OpenItem(true);
    Click(form.L_Add);
    ASSERT_EQ(Layers().LayerCount(), 5);
    TWarstwaItem* added = Hotspot(4);
    ExpectExtent(added, 40, 40, 140, 140);
    EXPECT_EQ(form.SelectedLayer, added);
    EXPECT_EQ(added->GripFillColor(), 0xFFFF0000u);
    EXPECT_FALSE(form._opis->isHidden());
    EXPECT_EQ(form._opis->geometry().topLeft(), QPoint(284, 218));
    EXPECT_EQ(form._opis->width(), 61);
    EXPECT_EQ(form.PreviewBtn->geometry().topLeft(), QPoint(345, 218));
    EXPECT_TRUE(form._opis->text().isEmpty());
    EXPECT_TRUE(form._opis->hasFocus());
}

TEST_F(HotspotsTest, AddingOnAScrolledItemTruncatesTheOffsets) {
    TMainForm& form = OpenItem(true);
    form.sub_image->SetBitmapOffsetX(-200.5f);
    form.sub_image->SetBitmapOffsetY(-80.0f);
    ASSERT_FLOAT_EQ(form.sub_image->BitmapOffsetX(), -200.5f);
    Click(form.L_Add);
    ExpectExtent(Hotspot(4), 240, 120, 340, 220);
    // The edit box lies under the hotspot as seen: 240 - 200 + 244, 220 - 80 + 78.
    EXPECT_EQ(form._opis->geometry().topLeft(), QPoint(284, 218));
}

TEST_F(HotspotsTest, SelectingAnotherHotspotMovesTheRedGripsAndTheDescription) {
    TMainForm& form = OpenItem(true);
    ClickView(20, 30);
    EXPECT_EQ(form.SelectedLayer, Hotspot(0));
    EXPECT_EQ(form._opis->text(), QStringLiteral("a"));
    ClickView(160, 310);
    EXPECT_EQ(form.SelectedLayer, Hotspot(1));
    EXPECT_EQ(Hotspot(0)->GripFillColor(), 0xFF000000u);
    EXPECT_EQ(Hotspot(1)->GripFillColor(), 0xFFFF0000u);
    EXPECT_EQ(form._opis->text(), QStringLiteral("b"));
    // Selecting changed no description.
    EXPECT_EQ(Hotspot(0)->Opis, "a");
    EXPECT_TRUE(FPreviews.empty());
}

TEST_F(HotspotsTest, TypingDescribesTheSelectedHotspotAndSurvivesDeselection) {
    TMainForm& form = OpenItem(true);
    ClickView(20, 30);
    form._opis->selectAll();
    QTest::keyClicks(form._opis, QString::fromUtf8("zn"));
    EXPECT_EQ(Hotspot(0)->Opis, "zn");
    form._opis->insert(QString::fromUtf8("ą"));  // as an input method would
    EXPECT_EQ(Hotspot(0)->Opis, "zn\xB9");  // Windows-1250
    ClickView(700, 600);
    EXPECT_EQ(form.SelectedLayer, nullptr);
    EXPECT_TRUE(form._opis->isHidden());
    EXPECT_TRUE(form.PreviewBtn->isHidden());
    EXPECT_EQ(Hotspot(0)->Opis, "zn\xB9");
}

TEST_F(HotspotsTest, PreviewButtonShowsTheSelectedSign) {
    TMainForm& form = OpenItem(true);
    ClickView(160, 310);
    Click(form.PreviewBtn);
    EXPECT_EQ(FPreviews, (std::vector<std::string>{"Stop"}));
    // A description naming no picture is accepted; the button then shows nothing.
    ClickView(365, 165);
    Click(form.PreviewBtn);
    EXPECT_EQ(FPreviews.size(), 1u);
}

TEST_F(HotspotsTest, DraggingInTheEditorMovesTheHotspotAndTheEditBoxOneStepBehind) {
    TMainForm& form = OpenItem(true);
    QWindow* window = FForm->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InWindow(form.sub_image, QPoint(20, 30)));
    QTest::mouseMove(window, InWindow(form.sub_image, QPoint(30, 40)));
    QTest::mouseMove(window, InWindow(form.sub_image, QPoint(50, 70)));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InWindow(form.sub_image, QPoint(50, 70)));
    ExpectExtent(Hotspot(0), 40, 60, 70, 100);
    // Placed from the extent before the last step (20, 30, 50, 70): top 70 + 78, left 20 + 244.
    EXPECT_EQ(form._opis->geometry().topLeft(), QPoint(264, 148));
}

TEST_F(HotspotsTest, ResizingStopsAtTenPixels) {
    OpenItem(true);
    QWindow* window = FForm->windowHandle();
    // The bottom-right grip of hotspot 0 (10, 20, 40, 60) is measured from 39, 59.
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(39, 59)));
    QTest::mouseMove(window, InWindow(FForm->sub_image, QPoint(12, 22)));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InWindow(FForm->sub_image, QPoint(12, 22)));
    ExpectExtent(Hotspot(0), 10, 20, 20, 30);
}

TEST_F(HotspotsTest, DeleteRemovesTheSelectionAndWarnsWithoutOne) {
    TMainForm& form = OpenItem(true);
    Click(form.L_Delete);
    EXPECT_EQ(FWarnings, (std::vector<QString>{QString::fromUtf8("Wybierz warstwę.")}));
    EXPECT_EQ(Layers().LayerCount(), 4);
    ClickView(160, 310);
    TWarstwaItem* doomed = Hotspot(1);
    ASSERT_EQ(form.SelectedLayer, doomed);
    Click(form.L_Delete);
    EXPECT_EQ(Layers().LayerCount(), 3);
    EXPECT_EQ(form.SelectedLayer, nullptr);
    EXPECT_TRUE(form._opis->isHidden());
    EXPECT_EQ(Hotspot(1)->Opis, "a");
    EXPECT_EQ(FWarnings.size(), 1u);
}

TEST_F(HotspotsTest, OnTheMenuTheButtonsWarnAndTheIndexLinkSavesNothing) {
    TMainForm& form = Open(true);
    for (QPushButton* button : {form.L_Add, form.L_Delete, form.L_Load, form.L_Save}) Click(button);
    const QString pick = QString::fromUtf8("Wybierz planszę.");
    EXPECT_EQ(FWarnings, (std::vector<QString>{pick, pick, pick, pick}));
    EXPECT_EQ(Layers().LayerCount(), 0);
    Click(form.cxLabel10);
    EXPECT_EQ(FWarnings.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(FDir.Dir() + "dane/0_1.ini"));
    EXPECT_FALSE(std::filesystem::exists(FDir.Dir() + "dane/0_0.ini"));
}

TEST_F(HotspotsTest, LoadingTwiceAddsTwoFurtherCopies) {
    TMainForm& form = OpenItem(true);
    Click(form.SubNextBtn);  // item 2, three hotspots
    ASSERT_EQ(Layers().LayerCount(), 3);
    Click(form.L_Load);
    Click(form.L_Load);
    ASSERT_EQ(Layers().LayerCount(), 9);
    ExpectExtent(Hotspot(8), 200, 10, 250, 60);
    ExpectExtent(Hotspot(3), 10, 10, 60, 60);
    EXPECT_EQ(form.SelectedLayer, nullptr);
}

TEST_F(HotspotsTest, SaveWritesTruncatedExtentsBottomFirst) {
    TMainForm& form = OpenItem(true);
    Hotspot(0)->SetExtent(TSingleRect{10.6f, 20.4f, 60.9f, 70.2f});
    Hotspot(2)->SetExtent(TSingleRect{10.7f, 5.5f, 110.2f, 105.9f});
    Click(form.L_Save);
    TMemIniFile saved(FDir.Dir() + "dane/1_1.ini");
    EXPECT_EQ(saved.GetNumber("info", "count", -1), 4);
    EXPECT_EQ(saved.GetNumber("1", "left", -1), 10);
    EXPECT_EQ(saved.GetNumber("1", "top", -1), 20);
    EXPECT_EQ(saved.GetNumber("1", "width", -1), 50);
    EXPECT_EQ(saved.GetNumber("1", "height", -1), 49);
    EXPECT_EQ(saved.GetNumber("3", "width", -1), 99);
    EXPECT_EQ(saved.GetNumber("3", "height", -1), 100);
    EXPECT_EQ(saved.GetNumber("3", "top", -1), 5);
    EXPECT_EQ(saved.GetValue("4", "opis", "?"), "missing");
    EXPECT_TRUE(FWarnings.empty());
}

TEST_F(HotspotsTest, LeavingAnItemByALinkSavesItsHotspots) {
    TMainForm& form = OpenItem(true);
    Click(form.L_Add);
    QTest::keyClicks(form._opis, QStringLiteral("nowy"));
    Click(form.SubNextBtn);  // auto-save of item 1
    TMemIniFile saved(FDir.Dir() + "dane/1_1.ini");
    EXPECT_EQ(saved.GetNumber("info", "count", -1), 5);
    EXPECT_EQ(saved.GetValue("5", "opis", "?"), "nowy");
    EXPECT_EQ(saved.GetNumber("5", "left", -1), 40);
    // Item 2: a deletion kept by the chapter link too.
    ClickView(20, 20);
    Click(form.L_Delete);
    Click(form.cxLabel1);
    EXPECT_EQ(TMemIniFile(FDir.Dir() + "dane/1_2.ini").GetNumber("info", "count", -1), 2);
    EXPECT_EQ(Layers().LayerCount(), 5);  // item 1 as saved
}

TEST_F(HotspotsTest, AFailedSaveIsReportedAndKeepsTheHotspots) {
    // A directory where the hotspot file belongs: nothing to read, and it cannot be written.
    std::filesystem::remove(FDir.Dir() + "dane/1_1.ini");
    std::filesystem::create_directory(FDir.Dir() + "dane/1_1.ini");
    TMainForm& form = OpenItem(true);
    EXPECT_EQ(Layers().LayerCount(), 0);
    Click(form.L_Add);
    Click(form.L_Save);
    EXPECT_EQ(FErrors.size(), 1u);
    EXPECT_EQ(Layers().LayerCount(), 1);
    EXPECT_TRUE(std::filesystem::is_directory(FDir.Dir() + "dane/1_1.ini"));
}

// Paths are UTF-8 and descriptions Windows-1250; the box shows the Polish letters of both.
TEST_F(HotspotsTest, ErrorBoxesShowThePolishLettersOfPathsAndDescriptions) {
    const std::string appDir = FDir.Dir() + "\xC5\xBC\xC3\xB3\xC5\x82w/";  // "żółw" in UTF-8
    WriteCatalogue(appDir);
    std::filesystem::remove(appDir + "dane/1_1.ini");
    std::filesystem::create_directory(appDir + "dane/1_1.ini");
    // A sign picture too large to read, named by a description with Polish letters.
    const std::string sign = appDir + "dane/znaki/zakr\xC4\x99t.jpg";
    TempDir::Write(sign, "");
    std::filesystem::resize_file(sign, uintmax_t(1) << 30);

    TMainForm& form = Open(true, appDir);
    Click(form.cxLabel1);
    Click(form.L_Save);
    ASSERT_EQ(FErrors.size(), 1u);
    EXPECT_EQ(FErrors[0], QString::fromUtf8("Cannot create file \"%1dane/1_1.ini\". Is a directory.")
                              .arg(QString::fromUtf8(appDir)));
    Click(form.L_Add);
    // Typed as a keyboard with Polish letters sends them: key events that carry the text.
    for (const QChar c : QString::fromUtf8("zakr\xC4\x99t")) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(form._opis, &press);
    }
    EXPECT_EQ(Hotspot(0)->Opis, "zakr\xEAt");
    Click(form.PreviewBtn);
    ASSERT_EQ(FErrors.size(), 2u);
    EXPECT_EQ(FErrors[1], QString::fromUtf8("Cannot open file \"%1\". File too large.").arg(QString::fromUtf8(sign)));
}

TEST_F(HotspotsTest, TheEditorNeverWritesThroughALinkOutOfTheDataDirectory) {
    TempDir::Write(FDir.File("victim.txt"), "keep");
    std::filesystem::remove(FDir.Dir() + "dane/1_1.ini");
    std::filesystem::create_symlink("../victim.txt", FDir.Dir() + "dane/1_1.ini");
    TMainForm& form = OpenItem(true);
    Click(form.L_Add);
    Click(form.L_Save);
    Click(form.SubNextBtn);  // the auto-save fails alike, and the item stays
    ASSERT_EQ(FErrors.size(), 2u);
    EXPECT_TRUE(FErrors[0].endsWith(QStringLiteral("dane/1_1.ini\". It links to a file outside the data directory.")));
    EXPECT_EQ(form.CurrentItem, 1);
    EXPECT_EQ(TempDir::Read(FDir.File("victim.txt")), "keep");
}

// Only what the author types reaches a description: a long one is shown shortened and read-only,
// never cut, and an ordinary one goes back into the hotspot only when it was changed.
TEST_F(HotspotsTest, SelectingAHotspotNeverChangesItsDescription) {
    for (const size_t length : {size_t(40), TMainForm::LongestEditedDescription, size_t(40000)}) {
        SCOPED_TRACE(length);
        const std::string opis(length, '\x9C');  // a Polish letter in Windows-1250
        TempDir::Write(FDir.Dir() + "dane/1_2.ini", "[info]\r\ncount=1\r\n" + HotspotSection(1, 10, 10, 50, 50, opis));
        TMainForm& form = OpenItem(true);
        Click(form.SubNextBtn);
        ClickView(20, 20);
        ASSERT_EQ(form.SelectedLayer, Hotspot(0));
        const bool editable = length <= TMainForm::LongestEditedDescription;
        EXPECT_EQ(form._opis->isReadOnly(), !editable);
        EXPECT_EQ(form._opis->text().size(), qsizetype(editable ? length : TMainForm::LongestEditedDescription + 1));
        QTest::keyClicks(form._opis, QStringLiteral("!"));
        EXPECT_TRUE(Hotspot(0)->Opis == (editable ? opis + "!" : opis));
        EXPECT_EQ(form.HotspotsEdited(), editable);
        Click(form.L_Save);
        EXPECT_EQ(TMemIniFile(FDir.Dir() + "dane/1_2.ini").GetValue("1", "opis", "").size(), editable ? length + 1 : length);
        FForm.reset();
    }
}

// A handler that fails while a hotspot is taken away is reported once the event is over; the
// program goes on.
TEST_F(HotspotsTest, AHandlerThatFailsWhileHotspotsGoIsReported) {
    TMainForm& form = OpenItem(true);
    Hotspot(0)->OnDisposing = [](TCustomLayer*) { throw Exception("disposing failed"); };
    TLayerCollection& layers = Layers();
    layers.OnListChange = [previous = layers.OnListChange](TLayerCollection* sender, TListChangeKind kind,
                                                            TCustomLayer* layer, int32_t index) {
        if (previous) previous(sender, kind, layer, index);
        if (kind == TListChangeKind::lcRemoved && index == 1) throw Exception("list failed");
    };
    Click(form.SubNextBtn);
    EXPECT_EQ(form.CurrentItem, 2);
    EXPECT_EQ(Layers().LayerCount(), 3);
    QCoreApplication::processEvents();
    EXPECT_EQ(FErrors, (std::vector<QString>{QStringLiteral("list failed."), QStringLiteral("disposing failed.")}));
}

}  // namespace
}  // namespace velmora
