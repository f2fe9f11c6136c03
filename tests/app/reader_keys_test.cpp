// The reader's keys and hover aids on a small catalogue, through real key events on the window: each
// link key on the menu, the index and a page; the editor keeping its own keys; the keyboard focus over
// overlapping hotspots and hotspots without a sign; the captions as tooltips; the Ctrl outlines; the
// preview's keys. Previews are recorded through their seam.
#include <QApplication>
#include <QHelpEvent>
#include <QImage>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/image_form.h"
#include "app/main_form.h"
#include "app/warstwa_item.h"
#include "layers/frame_layer.h"
#include "layers/layer_collection.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/recorded_boxes.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"
#include "toolkit/screen_cursor.h"

namespace velmora {
namespace {

using testing::HotspotSection;
using testing::TempDir;

// Page 1 has three items, page 2 one; chapter 3 has no picture. Item 1 of page 1 is larger than its
// view and carries, bottom first: a sign, a hotspot over it naming a missing picture, a sign far down
// and right, and one without a description.
void WriteCatalogue(const std::string& appDir) {
    const std::string dane = appDir + "dane/";
    TempDir::Write(dane + "info.ini", "[1]\r\nItems=3\r\n[2]\r\nItems=1\r\n");
    // "Łódź" in Windows-1250.
    TempDir::Write(dane + "znaki.txt", "a.jpg\t\xA3\xF3" "d\x9F\r\nb.jpg\tStop\r\n");
    for (const char* name : {"p_menu", "p_spis", "p_1", "p_2", "p_1_1", "p_1_2", "p_1_3", "p_2_1"})
        testing::WriteFlatJpeg(dane + name + ".jpg", std::string(name) == "p_1_1" ? 1600 : 300,
                               std::string(name) == "p_1_1" ? 1400 : 200, 0xFF808080);
    testing::WriteFlatJpeg(dane + "znaki/a.jpg", 40, 30, 0xFF808080);
    testing::WriteFlatJpeg(dane + "znaki/b.jpg", 40, 30, 0xFF808080);
    TempDir::Write(dane + "1_1.ini", "[info]\r\ncount=4\r\n" + HotspotSection(1, 10, 20, 30, 40, "a") +
                                         HotspotSection(2, 20, 30, 30, 40, "missing") +
                                         HotspotSection(3, 1400, 1200, 40, 40, "b") + HotspotSection(4, 100, 100, 30, 30, ""));
}

enum class Start { Menu, Index, Page };

class ReaderKeysTest : public testing::TShownMainFormTest {
protected:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        WriteCatalogue(FDir.Dir());
    }

    TMainForm& Open(Start start, bool editor = false) {
        ShowForm(FDir.Dir(), editor);
        if (start == Start::Index) FForm->SpisBtnClick();
        if (start == Start::Page) FForm->spis_Click(1);
        return *FForm;
    }
    // A key as the keyboard sends it: to the window, which hands it to the focused control.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(FForm->windowHandle(), key, modifiers);
    }
    TLayerCollection& Layers() { return FForm->sub_image->LayerCollection(); }
    TWarstwaItem* Hotspot(int index) { return dynamic_cast<TWarstwaItem*>(Layers().LayerAt(index)); }
    int FrameCount() {
        int frames = 0;
        for (int i = 0; i < Layers().LayerCount(); ++i) frames += dynamic_cast<TFrameLayer*>(Layers().LayerAt(i)) != nullptr;
        return frames;
    }
    QRgb ViewPixel(int x, int y) { return FForm->sub_image->grab().toImage().pixel(x, y); }

    TempDir FDir;
    testing::TRecordedBoxes FBoxes;
};

struct LinkKeyRow {
    const char* Name;
    Start From;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    int Page, Item;
    TScreenKind Screen;
};

TEST_F(ReaderKeysTest, LinkKeysOnEachScreen) {
    using enum TScreenKind;
    const LinkKeyRow rows[] = {
        {"menu Right does nothing", Start::Menu, Qt::Key_Right, Qt::NoModifier, 0, 1, Menu},
        {"menu PageDown does nothing", Start::Menu, Qt::Key_PageDown, Qt::NoModifier, 0, 1, Menu},
        {"menu Escape does nothing", Start::Menu, Qt::Key_Escape, Qt::NoModifier, 0, 1, Menu},
        {"menu Home shows the index", Start::Menu, Qt::Key_Home, Qt::NoModifier, 0, 1, Index},
        {"menu 1 is the first chapter", Start::Menu, Qt::Key_1, Qt::NoModifier, 1, 1, Page},
        {"menu 2 is s1, second in the column", Start::Menu, Qt::Key_2, Qt::NoModifier, 2, 1, Page},
        {"keypad 1 as 1", Start::Menu, Qt::Key_1, Qt::KeypadModifier, 1, 1, Page},
        {"chapter without picture", Start::Menu, Qt::Key_3, Qt::NoModifier, 0, 1, Menu},
        {"0 is chapter 10, missing", Start::Menu, Qt::Key_0, Qt::NoModifier, 0, 1, Menu},
        {"Alt+1 is not a chapter", Start::Menu, Qt::Key_1, Qt::AltModifier, 0, 1, Menu},
        {"index Left does nothing", Start::Index, Qt::Key_Left, Qt::NoModifier, 0, 1, Index},
        {"index Escape does nothing", Start::Index, Qt::Key_Escape, Qt::NoModifier, 0, 1, Index},
        {"index 2", Start::Index, Qt::Key_2, Qt::NoModifier, 2, 1, Page},
        {"page Right", Start::Page, Qt::Key_Right, Qt::NoModifier, 1, 2, Page},
        {"page PageDown", Start::Page, Qt::Key_PageDown, Qt::NoModifier, 1, 2, Page},
        {"page Left wraps", Start::Page, Qt::Key_Left, Qt::NoModifier, 1, 3, Page},
        {"page PageUp wraps", Start::Page, Qt::Key_PageUp, Qt::NoModifier, 1, 3, Page},
        {"page Home", Start::Page, Qt::Key_Home, Qt::NoModifier, 0, 1, Index},
        {"page Escape", Start::Page, Qt::Key_Escape, Qt::NoModifier, 0, 1, Index},
        {"page 2", Start::Page, Qt::Key_2, Qt::NoModifier, 2, 1, Page},
        {"page Shift+Right is no item key", Start::Page, Qt::Key_Right, Qt::ShiftModifier, 1, 1, Page},
    };
    for (const LinkKeyRow& row : rows) {
        SCOPED_TRACE(row.Name);
        TMainForm& form = Open(row.From);
        Key(row.Key, row.Modifiers);
        EXPECT_EQ(form.CurrentPage, row.Page);
        EXPECT_EQ(form.CurrentItem, row.Item);
        EXPECT_EQ(form.ShownScreen(), row.Screen);
        // The counter is the link's work.
        if (row.Screen == Page) {
            EXPECT_EQ(form.InfoLabel->Caption(), std::to_string(row.Item) + " / " + (row.Page == 1 ? "3" : "1"));
        }
    }
}

TEST_F(ReaderKeysTest, EditorKeepsItsKeysAndItsLinksStillSave) {
    TMainForm& form = Open(Start::Page, true);
    form.sub_image->setFocus();
    // Tab selects, an arrow then moves the selection, Escape clears it: none leaves the item.
    Key(Qt::Key_Tab);
    ASSERT_EQ(form.SelectedLayer, Hotspot(0));
    Key(Qt::Key_Right);
    EXPECT_FLOAT_EQ(Hotspot(0)->Extent().Left, 11);
    form.sub_image->setFocus();
    Key(Qt::Key_Escape);
    EXPECT_EQ(form.SelectedLayer, nullptr);
    EXPECT_EQ(form.CurrentItem, 1);
    // With nothing selected, Right is the next-item link, which saves the item it leaves.
    Key(Qt::Key_Right);
    EXPECT_EQ(form.CurrentItem, 2);
    EXPECT_NE(TempDir::Read(FDir.Dir() + "dane/1_1.ini").find("left=11"), std::string::npos);
    // In the edit box a digit is text.
    Key(Qt::Key_Left);
    Key(Qt::Key_Tab);
    form._opis->setFocus();
    Key(Qt::Key_End);
    Key(Qt::Key_2);
    EXPECT_EQ(form.CurrentPage, 1);
    EXPECT_EQ(form._opis->text(), QStringLiteral("a2"));
}

TEST_F(ReaderKeysTest, TabWalksHotspotsWithASignAndEnterOpensThem) {
    TMainForm& form = Open(Start::Page);
    const int hotspots = Layers().LayerCount();
    // Only the first (under the overlapping one without picture) and the third have a sign.
    const int forward[] = {0, 2, 0};
    for (int expected : forward) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(form.FocusedHotspot(), expected);
    }
    Key(Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(form.FocusedHotspot(), 2);
    // The far hotspot was scrolled into view, its frame drawn just outside it.
    const TSingleRect shown = Hotspot(2)->ExtentOnControl(Hotspot(2)->Extent());
    const TRect view = form.sub_image->ViewportRect();
    EXPECT_GE(shown.Left, view.Left);
    EXPECT_LE(shown.Right, view.Right);
    EXPECT_LE(shown.Bottom, view.Bottom);
    EXPECT_EQ(ViewPixel(int(shown.Left) - 1, int(shown.Top) - 1) & 0xFFFFFF, 0xFFB000u);
    EXPECT_EQ(FrameCount(), 1);
    Key(Qt::Key_Return);
    Key(Qt::Key_Space);
    EXPECT_EQ(FBoxes.Previews, (std::vector<std::string>{"Stop", "Stop"}));
    // The frame is no hotspot and goes with the item.
    EXPECT_EQ(Layers().LayerCount(), hotspots + 1);
    Key(Qt::Key_Right);
    EXPECT_EQ(FrameCount(), 0);
    EXPECT_EQ(form.FocusedHotspot(), -1);
    // Without focus, Enter opens nothing.
    Key(Qt::Key_Return);
    EXPECT_EQ(FBoxes.Previews.size(), 2u);
}

TEST_F(ReaderKeysTest, CaptionTooltipFromWindows1250AndNoneWithoutSign) {
    TMainForm& form = Open(Start::Page);
    const auto hover = [&](int x, int y) {
        QHelpEvent help(QEvent::ToolTip, QPoint(x, y), form.sub_image->mapToGlobal(QPoint(x, y)));
        QApplication::sendEvent(form.sub_image, &help);
    };
    const auto tip = [] { return QToolTip::isVisible() ? QToolTip::text() : QString(); };
    hover(12, 22);
    EXPECT_EQ(tip(), QString::fromUtf8("Łódź"));
    // A tooltip hides after a short delay.
    hover(500, 500);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 1000));
    // The upper hotspot names a missing picture: the one below gives the caption.
    hover(30, 40);
    EXPECT_EQ(tip(), QString::fromUtf8("Łódź"));
    hover(105, 105);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 1000));
}

TEST_F(ReaderKeysTest, CtrlOutlinesEveryHotspotWhileHeld) {
    TMainForm& form = Open(Start::Page);
    EXPECT_EQ(ViewPixel(9, 19) & 0xFFFFFF, ViewPixel(5, 5) & 0xFFFFFF);
    QTest::keyPress(form.windowHandle(), Qt::Key_Control, Qt::ControlModifier);
    EXPECT_TRUE(form.HotspotOutlinesShown());
    EXPECT_EQ(FrameCount(), 4);
    EXPECT_EQ(ViewPixel(9, 19) & 0xFFFFFF, 0x00C8FFu);
    EXPECT_EQ(ViewPixel(99, 110) & 0xFFFFFF, 0x00C8FFu);  // also round the one without a sign
    QTest::keyRelease(form.windowHandle(), Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(FrameCount(), 0);
    EXPECT_EQ(ViewPixel(9, 19) & 0xFFFFFF, ViewPixel(5, 5) & 0xFFFFFF);
}

TEST_F(ReaderKeysTest, PreviewKeys) {
    struct Row {
        Qt::Key Key;
        int Result;
    };
    const Row rows[] = {{Qt::Key_Escape, TImageForm::Closed}, {Qt::Key_Return, TImageForm::Closed},
                        {Qt::Key_Enter, TImageForm::Closed},  {Qt::Key_Space, TImageForm::Closed},
                        {Qt::Key_Left, TImageForm::ShowPrevious}, {Qt::Key_Right, TImageForm::ShowNext},
                        {Qt::Key_A, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Key);
        TImageForm form;
        form.show();
        QTest::keyClick(&form, row.Key);
        EXPECT_EQ(form.result(), row.Result);
        EXPECT_EQ(form.isVisible(), row.Result == 0);
    }
}

TEST_F(ReaderKeysTest, PreviewFlipsThroughTheSignsOfTheItem) {
    TMainForm& form = Open(Start::Page);
    std::vector<Qt::Key> keys = {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Escape};
    std::vector<std::string> captions;
    const auto previous = TImageForm::SetShowModalHook([&](TImageForm& preview) {
        captions.push_back(preview.OpisLabel->Caption());
        preview.show();
        QTest::keyClick(&preview, keys.at(captions.size() - 1));
        return preview.result();
    });
    Key(Qt::Key_Tab);
    Key(Qt::Key_Return);
    TImageForm::SetShowModalHook(previous);
    EXPECT_EQ(captions, (std::vector<std::string>{"\xA3\xF3" "d\x9F", "Stop", "\xA3\xF3" "d\x9F", "Stop"}));
    // The focus followed the signs.
    EXPECT_EQ(form.FocusedHotspot(), 2);
}

}  // namespace
}  // namespace velmora
