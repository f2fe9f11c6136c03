// The editor through its real keys, wheel and mouse on a small catalogue: each key on a table of
// hotspots, undo and redo of every kind of change compared through the saved bytes, zoom around the
// pointer and a drag on a zoomed item, and every way out of an item with changes writing its file.
#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "app/warstwa_item.h"
#include "layers/layer_options.h"
#include "layers/layer_collection.h"
#include "tests/support/flat_jpeg.h"
#include "tests/support/hotspot_file.h"
#include "tests/support/recorded_boxes.h"
#include "tests/support/shown_main_form.h"
#include "tests/support/temp_dir.h"
#include "text/mem_ini_file.h"

namespace velmora {
namespace {

using testing::HotspotSection;
using testing::TempDir;

// Page 1 with two items; item 1 scrolls and has three hotspots.
void WriteCatalogue(const std::string& appDir) {
    const std::string dane = appDir + "dane/";
    TempDir::Write(dane + "info.ini", "[1]\r\nItems=2\r\n");
    for (const char* name : {"p_menu", "p_spis", "p_1"}) testing::WriteFlatJpeg(dane + name + ".jpg", 64, 48, 0xFF808080);
    testing::WriteFlatJpeg(dane + "p_1_1.jpg", 1500, 1200, 0xFF808080);
    testing::WriteFlatJpeg(dane + "p_1_2.jpg", 300, 200, 0xFF808080);
    TempDir::Write(dane + "1_1.ini", "[info]\r\ncount=3\r\n" + HotspotSection(1, 10, 20, 30, 40, "a") +
                                         HotspotSection(2, 100, 20, 50, 50, "b") +
                                         HotspotSection(3, 200, 100, 60, 30, "c"));
}

// Public, so that the tables' rows can drive it.
class EditorTest : public testing::TShownMainFormTest {
public:
    void SetUp() override {
        TShownMainFormTest::SetUp();
        WriteCatalogue(FDir.Dir());
    }

    // Page 1, item 1 in the editor, the keys on the item view.
    TMainForm& OpenItem() {
        FForm.reset();
        ShowForm(FDir.Dir(), true, TPointer::Untouched);
        FForm->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(FForm.get()));
        ParkPointer();
        Click(FForm->cxLabel1);
        FForm->sub_image->setFocus();
        return *FForm;
    }
    using TShownMainFormTest::Click;
    using TShownMainFormTest::FForm;
    QPoint InView(int x, int y) { return FForm->sub_image->mapTo(FForm.get(), QPoint(x, y)); }
    void Drag(QPoint from, QPoint to) {
        QWindow* window = FForm->windowHandle();
        QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InView(from.x(), from.y()));
        QTest::mouseMove(window, InView((from.x() + to.x()) / 2, (from.y() + to.y()) / 2));
        QTest::mouseMove(window, InView(to.x(), to.y()));
        QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InView(to.x(), to.y()));
    }
    // A key where the focus is, as the keyboard sends it.
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1) {
        for (int i = 0; i < times; ++i) QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void Wheel(QPoint at, int angle) {
        QWheelEvent event(at, FForm->sub_image->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton,
                          Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(FForm->sub_image, &event);
    }

    TLayerCollection& Layers() { return FForm->sub_image->LayerCollection(); }
    TWarstwaItem* Hotspot(int index) { return dynamic_cast<TWarstwaItem*>(Layers().LayerAt(index)); }
    int Selected() { return FForm->SelectedLayer ? Layers().IndexOf(FForm->SelectedLayer) : -1; }
    std::string Saved() {
        Key(Qt::Key_S, Qt::ControlModifier);
        return TempDir::Read(FDir.Dir() + "dane/1_1.ini");
    }
    bool Marked() { return FForm->InfoLabel->Caption().ends_with(UnsavedMark); }

    TempDir FDir;
    testing::TRecordedBoxes FBoxes;
};

struct TKeyRow {
    const char* What;
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
    int Times;
    int Count;        // hotspots afterwards
    int Selected;     // index afterwards, -1 for none
    TSingleRect Top;  // extent of the hotspot at index Selected (or of hotspot 0 without a selection)
};

TEST_F(EditorTest, EachKeyActsOnTheSelectedHotspot) {
    const Qt::KeyboardModifiers none = Qt::NoModifier, shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
    const std::vector<TKeyRow> rows = {
        {"right", Qt::Key_Right, none, 1, 3, 0, {11, 20, 41, 60}},
        {"shift left", Qt::Key_Left, shift, 1, 3, 0, {0, 20, 30, 60}},
        {"down twice", Qt::Key_Down, none, 2, 3, 0, {10, 22, 40, 62}},
        {"shift up", Qt::Key_Up, shift, 1, 3, 0, {10, 10, 40, 50}},
        {"ctrl right", Qt::Key_Right, ctrl, 1, 3, 0, {10, 20, 41, 60}},
        {"ctrl shift down", Qt::Key_Down, ctrl | shift, 1, 3, 0, {10, 20, 40, 70}},
        {"ctrl shift left stops at 10", Qt::Key_Left, ctrl | shift, 3, 3, 0, {10, 20, 20, 60}},
        {"ctrl up stops at 10", Qt::Key_Up, ctrl | shift, 4, 3, 0, {10, 20, 40, 30}},
        {"ctrl d", Qt::Key_D, ctrl, 1, 4, 3, {20, 30, 50, 70}},
        {"delete", Qt::Key_Delete, none, 1, 2, -1, {100, 20, 150, 70}},
        {"tab", Qt::Key_Tab, none, 1, 3, 1, {100, 20, 150, 70}},
        {"shift tab wraps", Qt::Key_Backtab, shift, 1, 3, 2, {200, 100, 260, 130}},
        {"escape", Qt::Key_Escape, none, 1, 3, -1, {10, 20, 40, 60}},
    };
    for (const TKeyRow& row : rows) {
        SCOPED_TRACE(row.What);
        TMainForm& form = OpenItem();
        form.SelectLayer(Hotspot(0));
        form.sub_image->setFocus();
        Key(row.Key, row.Modifiers, row.Times);
        ASSERT_EQ(Layers().LayerCount(), row.Count);
        EXPECT_EQ(Selected(), row.Selected);
        EXPECT_EQ(Hotspot(std::max(row.Selected, 0))->Extent(), row.Top);
        // The keys keep the focus, and the edit box follows the selection.
        EXPECT_EQ(QApplication::focusWidget(), form.sub_image);
        EXPECT_EQ(form._opis->isVisible(), row.Selected >= 0);
        if (row.Selected >= 0) {
            EXPECT_EQ(form._opis->text().toStdString(), Hotspot(row.Selected)->Opis);
            EXPECT_EQ(form._opis->y(), 78 + int(row.Top.Bottom));
        }
    }
}

TEST_F(EditorTest, TheEditBoxKeepsItsKeysButSavesAndHandsBackTheFocus) {
    TMainForm& form = OpenItem();
    QTest::mouseClick(FForm->windowHandle(), Qt::LeftButton, Qt::NoModifier, InView(20, 30));
    ASSERT_EQ(QApplication::focusWidget(), form._opis);
    Key(Qt::Key_Left);
    Key(Qt::Key_X);
    EXPECT_EQ(Hotspot(0)->Extent(), (TSingleRect{10, 20, 40, 60}));
    EXPECT_EQ(Hotspot(0)->Opis, "xa");  // the Left key moved the text cursor
    ASSERT_TRUE(Marked());
    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(Marked());
    EXPECT_EQ(TMemIniFile(FDir.Dir() + "dane/1_1.ini").GetValue("1", "opis", "?"), "xa");
    Key(Qt::Key_Escape);
    EXPECT_EQ(QApplication::focusWidget(), form.sub_image);
    EXPECT_EQ(form.SelectedLayer, Hotspot(0));
    Key(Qt::Key_Right);
    EXPECT_EQ(Hotspot(0)->Extent().Left, 11);
}

struct TChangeRow {
    const char* What;
    std::function<void(EditorTest&)> Change;
    int SelectedAfterUndo;
};

TEST_F(EditorTest, UndoAndRedoRestoreEveryKindOfChangeByteForByte) {
    const std::vector<TChangeRow> rows = {
        {"add", [](EditorTest& t) { t.Click(t.FForm->L_Add); }, 0},
        {"delete", [](EditorTest& t) { t.Click(t.FForm->L_Delete); }, 0},
        {"load", [](EditorTest& t) { t.Click(t.FForm->L_Load); }, 0},
        {"drag", [](EditorTest& t) { t.Drag({120, 40}, {170, 90}); }, 0},
        {"three key presses", [](EditorTest& t) { t.Key(Qt::Key_Right, Qt::ControlModifier, 3); }, 0},
        {"typing", [](EditorTest& t) {
             t.FForm->_opis->setFocus();
             QTest::keyClicks(t.FForm->_opis, QStringLiteral("xyz"));
             t.FForm->sub_image->setFocus();
         }, 0},
        {"duplicate", [](EditorTest& t) { t.Key(Qt::Key_D, Qt::ControlModifier); }, 0},
    };
    for (const TChangeRow& row : rows) {
        SCOPED_TRACE(row.What);
        TMainForm& form = OpenItem();
        form.SelectLayer(Hotspot(0));
        form.sub_image->setFocus();
        const std::string before = Saved();
        row.Change(*this);
        form.sub_image->setFocus();
        ASSERT_TRUE(Marked());
        const std::string after = Saved();
        ASSERT_NE(after, before);
        // One step back, whatever the change was made of; the save did not count as one.
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_TRUE(Marked());
        EXPECT_EQ(Saved(), before);
        EXPECT_EQ(Selected(), row.SelectedAfterUndo);
        EXPECT_EQ(form._opis->text().toStdString(), Hotspot(0)->Opis);
        Key(Qt::Key_Z, Qt::ControlModifier);  // nothing further back
        EXPECT_EQ(Saved(), before);
        Key(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(Saved(), after);
        Key(Qt::Key_Z, Qt::ControlModifier);
        Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(Saved(), after);
    }
}

TEST_F(EditorTest, CtrlWheelZoomsAroundThePointerAndCtrl0GoesBackToOneToOne) {
    TMainForm& form = OpenItem();
    form.sub_image->HorzBar()->SetScrollPos(300);
    form.sub_image->VertBar()->SetScrollPos(200);
    form.sub_image->ApplyScrollOffsets();
    const QPoint at(400, 300);
    auto bitmapPointAt = [&](QPoint p) {
        TImgView32& v = *form.sub_image;
        v.RefreshPlacement();
        return std::pair{(p.x() - v.ShiftX()) * 65536.0 / v.FixedScaleX(), (p.y() - v.ShiftY()) * 65536.0 / v.FixedScaleY()};
    };
    const auto [bx, by] = bitmapPointAt(at);
    for (int angle : {120, 240, -120, 360, -480}) {
        Wheel(at, angle);
        const auto [x, y] = bitmapPointAt(at);
        EXPECT_NEAR(x, bx, 0.5) << angle;
        EXPECT_NEAR(y, by, 0.5) << angle;
    }
    EXPECT_FLOAT_EQ(form.sub_image->Scale(), 1.25f);
    // The edit box follows the scale: under hotspot 0's bottom edge (60) as the view shows it.
    form.SelectLayer(Hotspot(0));
    Wheel(at, 120);
    Wheel(at, -120);
    EXPECT_EQ(form._opis->y(), 78 + 75 - int(std::abs(std::trunc(form.sub_image->BitmapOffsetY()))));
    form.sub_image->setFocus();
    // The bars follow the placed size.
    EXPECT_EQ(form.sub_image->HorzBar()->ContentSize(), 1875);
    Key(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(form.sub_image->Scale(), 1.0f);
    EXPECT_EQ(form.sub_image->ScaleMode(), TScaleMode::smNormal);
    EXPECT_EQ(form.sub_image->HorzBar()->ContentSize(), 1500);
    // A new item starts at 1 : 1.
    Wheel(at, 120);
    Click(form.SubNextBtn);
    EXPECT_EQ(form.sub_image->Scale(), 1.0f);
}

TEST_F(EditorTest, AtScaleFourADragMovesAQuarterAndSavesWholeBitmapPixels) {
    TMainForm& form = OpenItem();
    form.sub_image->ZoomAt(4.0f, 0, 0);
    // Hotspot 0 (10, 20, 40, 60) lies at 40, 80 .. 160, 240 on the view; its grips and the edit box follow.
    QTest::mouseClick(FForm->windowHandle(), Qt::LeftButton, Qt::NoModifier, InView(100, 150));
    ASSERT_EQ(form.SelectedLayer, Hotspot(0));
    EXPECT_EQ(form._opis->geometry().topLeft(), QPoint(244 + 40, 78 + 240));
    EXPECT_EQ(form._opis->width(), 120 - 39);
    EXPECT_EQ(Layers().LayerAtPoint(159, 239, loMouseInput), Hotspot(0));
    Drag({100, 150}, {106, 160});
    EXPECT_EQ(Hotspot(0)->Extent(), (TSingleRect{11.5f, 22.5f, 41.5f, 62.5f}));
    Saved();
    TMemIniFile saved(FDir.Dir() + "dane/1_1.ini");
    EXPECT_EQ(saved.GetNumber("1", "left", -1), 11);
    EXPECT_EQ(saved.GetNumber("1", "top", -1), 22);
    EXPECT_EQ(saved.GetNumber("1", "width", -1), 30);
    EXPECT_EQ(saved.GetNumber("1", "height", -1), 40);
}

struct TWayOutRow {
    const char* What;
    std::function<void(EditorTest&)> Leave;
    bool WindowStays;
};

TEST_F(EditorTest, EveryWayOutOfAnEditedItemWritesItAndTheMarkGoes) {
    const std::vector<TWayOutRow> rows = {
        {"next item", [](EditorTest& t) { t.Click(t.FForm->SubNextBtn); }, true},
        {"previous item", [](EditorTest& t) { t.Click(t.FForm->SubPrevBtn); }, true},
        {"index link", [](EditorTest& t) { t.Click(t.FForm->cxLabel10); }, true},
        {"chapter link", [](EditorTest& t) { t.Click(t.FForm->cxLabel1); }, true},
        {"close link", [](EditorTest& t) { t.Click(t.FForm->CloseBtn); }, false},
        {"window manager", [](EditorTest& t) { t.FForm->close(); }, false},
    };
    for (const TWayOutRow& row : rows) {
        SCOPED_TRACE(row.What);
        WriteCatalogue(FDir.Dir());
        TMainForm& form = OpenItem();
        form.SelectLayer(Hotspot(1));
        form.sub_image->setFocus();
        EXPECT_FALSE(Marked());
        Key(Qt::Key_Right);
        EXPECT_EQ(form.InfoLabel->Caption(), std::string("1 / 2") + UnsavedMark);
        // Undone back to the saved state, the mark goes; redone, it is back.
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_FALSE(Marked());
        Key(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_TRUE(Marked());
        row.Leave(*this);
        EXPECT_EQ(TMemIniFile(FDir.Dir() + "dane/1_1.ini").GetNumber("2", "left", -1), 101);
        EXPECT_EQ(form.isVisible(), row.WindowStays);
        EXPECT_FALSE(Marked());
        if (row.WindowStays) {
            EXPECT_FALSE(form.UndoHistory().CanUndo());
        }
    }
}

TEST_F(EditorTest, AWindowCloseWhoseSaveFailsKeepsTheWindowAndSaysWhy) {
    // A directory where the hotspot file belongs cannot be written.
    std::filesystem::remove(FDir.Dir() + "dane/1_1.ini");
    std::filesystem::create_directory(FDir.Dir() + "dane/1_1.ini");
    TMainForm& form = OpenItem();
    Click(form.L_Add);
    EXPECT_FALSE(form.close());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(FBoxes.Errors.size(), 1u);
    EXPECT_TRUE(Marked());
}

TEST_F(EditorTest, AHotspotDeletedByItsKeyWhileDraggedComesBackWithOneUndo) {
    TMainForm& form = OpenItem();
    QWindow* window = FForm->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InView(120, 40));
    QTest::mouseMove(window, InView(130, 50));
    form.sub_image->setFocus();
    Key(Qt::Key_Delete);
    QTest::mouseMove(window, InView(140, 60));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InView(140, 60));
    ASSERT_EQ(Layers().LayerCount(), 2);
    Key(Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(Layers().LayerCount(), 3);
    EXPECT_EQ(Hotspot(1)->Extent(), (TSingleRect{110, 30, 160, 80}));
}

}  // namespace
}  // namespace velmora
