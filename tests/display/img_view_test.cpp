// The scrolling image view: bar layout and visibility, scroll ranges, offsets from the bar positions,
// centring, the margin, the corner square, user scrolling by handle and wheel, and the pixels shown.
#include <QApplication>
#include <QImage>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "display/catalogue_scroll_bars.h"
#include "display/custom_img_view32.h"
#include "display/view_zoom.h"
#include "raster/color32.h"

namespace velmora {
namespace {

// A picture whose every pixel tells where it came from: red-green hold x, blue-low bits hold y.
TColor32 Tag(int32_t x, int32_t y) { return 0xFF000000u | (uint32_t(x) << 12) | uint32_t(y); }

void LoadTagged(TCustomImgView32& view, int32_t w, int32_t h) {
    TBitmap32& b = view.Bitmap();
    b.BeginChanges();
    b.SetDimensions(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) *b.PixelAddress(x, y) = Tag(x, y);
    b.EndChanges();
    b.NotifyChanged();
}

// What the widget shows at client point (x, y), read back from a grab.
TColor32 Shown(QWidget& w, int32_t x, int32_t y) {
    QImage img = w.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    return TColor32(img.pixel(x, y)) | 0xFF000000u;
}

void SendWheel(QWidget* target, int32_t delta, Qt::KeyboardModifiers mods = {}, bool horizontal = false) {
    QPointF at(10, 10);
    QWheelEvent e(at, target->mapToGlobal(at), QPoint(), horizontal ? QPoint(delta, 0) : QPoint(0, delta), Qt::NoButton,
                  mods, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &e);
}

// Drags the handle of bar by (dx, dy) pixels from its middle.
void DragHandle(TCustomRangeBar* bar, int32_t dx, int32_t dy) {
    TRect h = bar->HandleRect();
    QPoint from((h.Left + h.Right) / 2, (h.Top + h.Bottom) / 2);
    QTest::mousePress(bar, Qt::LeftButton, {}, from);
    QTest::mouseMove(bar, from + QPoint(dx, dy));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, from + QPoint(dx, dy));
}

// ---------------------------------------------------------------- a new view

TEST(ImgViewConstructionTest, NewViewScalesCentresAndOwnsTwoBorderlessCentredBars) {
    TImgView32 view;
    EXPECT_EQ(view.ScaleMode(), TScaleMode::smScale);
    EXPECT_EQ(view.BitmapAlign(), TBitmapAlign::baCustom);
    EXPECT_TRUE(view.Centered());
    ASSERT_NE(view.HorzBar(), nullptr);
    ASSERT_NE(view.VertBar(), nullptr);
    for (TCustomRangeBar* bar : {view.HorzBar(), view.VertBar()}) {
        EXPECT_EQ(bar->parentWidget(), &view);
        EXPECT_EQ(bar->BorderStyle(), TBorderStyle::bsNone);
        EXPECT_TRUE(bar->Centered());
    }
    EXPECT_TRUE(view.HorzBar()->Horizontal());
    EXPECT_FALSE(view.VertBar()->Horizontal());
    EXPECT_EQ(view.ScrollBars().PrimaryBar(), view.HorzBar());
    EXPECT_EQ(view.ScrollBars().SecondaryBar(), view.VertBar());
    EXPECT_EQ(view.ScrollBars().OwnerView(), &view);
    EXPECT_EQ(view.ScrollBars().Increment(), 8);

    // Bar size 0 stands for the platform's scroll-bar extent; the bars sit along the edges.
    const int32_t t = view.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &view);
    ASSERT_GT(t, 0);
    EXPECT_EQ(view.ScrollBarThickness(), t);
    EXPECT_EQ(view.ViewportRect(), (TRect{0, 0, 192 - t, 192 - t}));
    EXPECT_EQ(view.HorzBar()->geometry(), QRect(0, 192 - t, 192 - t, t));
    EXPECT_EQ(view.VertBar()->geometry(), QRect(192 - t, 0, t, 192 - t));
    EXPECT_EQ(view.SizeGripRect(), (TRect{192 - t, 192 - t, 192, 192}));
}

TEST(ImgViewConstructionTest, ScrollBarSettingsReachBothBars) {
    QWidget host;
    host.resize(400, 300);
    auto* view = new TImgView32(&host);
    view->SetBounds(0, 0, 300, 200);
    host.show();

    view->ScrollBars().SetIncrement(65536 + 5);  // a 16-bit step in each bar
    EXPECT_EQ(view->HorzBar()->Increment(), 5);
    EXPECT_EQ(view->VertBar()->Increment(), 5);

    view->ScrollBars().SetSize(30);
    EXPECT_EQ(view->ViewportRect(), (TRect{0, 0, 270, 170}));
    EXPECT_EQ(view->HorzBar()->geometry(), QRect(0, 170, 270, 30));
    EXPECT_EQ(view->VertBar()->geometry(), QRect(270, 0, 30, 170));

    view->ScrollBars().SetVisibility(TScrollBarVisibility::svHidden);
    EXPECT_FALSE(view->HorzBar()->isVisible());
    EXPECT_FALSE(view->VertBar()->isVisible());
    EXPECT_EQ(view->ScrollBarThickness(), 0);
    EXPECT_EQ(view->ViewportRect(), (TRect{0, 0, 300, 200}));
    EXPECT_TRUE(view->SizeGripRect().IsEmpty());
    view->ScrollBars().SetVisibility(TScrollBarVisibility::svAlways);
    EXPECT_TRUE(view->HorzBar()->isVisible());
    EXPECT_EQ(view->ViewportRect(), (TRect{0, 0, 270, 170}));
}

// ---------------------------------------------------------------- the main window's item view

class ItemViewTest : public testing::Test {
protected:
    void SetUp() override {
        host.resize(1024, 768);
        view = new TImgView32(&host);
        view->SetBounds(244, 78, 780, 651);
        view->SetCentered(false);
        view->SetScaleMode(TScaleMode::smNormal);
        view->SetScale(1.0f);
        view->SetOverSize(0);
        view->SetSizeGrip(TSizeGripStyle::sgNone);
        StyleItemViewScrollBars(view->ScrollBars());
        host.show();
        view->OnScroll = [this](TCustomImage32*) { ++scrolls; };
        view->OnChange = [this](TCustomImage32*) { ++changes; };
    }

    QWidget host;
    TImgView32* view = nullptr;
    int scrolls = 0;
    int changes = 0;
};

TEST_F(ItemViewTest, SmallPictureShowsNoBarsAndSitsAtTheOrigin) {
    LoadTagged(*view, 700, 600);
    EXPECT_FALSE(view->ScrollBarsShown());
    EXPECT_FALSE(view->HorzBar()->isVisible());
    EXPECT_FALSE(view->VertBar()->isVisible());
    EXPECT_EQ(view->ViewportRect(), (TRect{0, 0, 780, 651}));
    EXPECT_EQ(view->BitmapOffsetX(), 0.0f);
    EXPECT_EQ(view->BitmapOffsetY(), 0.0f);
    EXPECT_TRUE(view->SizeGripRect().IsEmpty());
    EXPECT_EQ(Shown(*view, 0, 0), Tag(0, 0));
    EXPECT_EQ(Shown(*view, 699, 599), Tag(699, 599));
    // Nothing to scroll: the wheel leaves the picture where it is.
    SendWheel(view, -120);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 0.0f);
    EXPECT_EQ(view->BitmapOffsetY(), 0.0f);
    EXPECT_EQ(scrolls, 0);
}

TEST_F(ItemViewTest, LargePictureAfterSmallOneScrollsToItsLastColumnAndRow) {
    LoadTagged(*view, 700, 600);
    LoadTagged(*view, 1200, 900);
    EXPECT_TRUE(view->HorzBar()->isVisible());
    EXPECT_TRUE(view->VertBar()->isVisible());
    EXPECT_EQ(view->ScrollBarThickness(), 25);
    EXPECT_EQ(view->ViewportRect(), (TRect{0, 0, 755, 626}));
    EXPECT_EQ(view->HorzBar()->geometry(), QRect(0, 626, 755, 25));
    EXPECT_EQ(view->VertBar()->geometry(), QRect(755, 0, 25, 626));
    EXPECT_EQ(view->HorzBar()->ContentSize(), 1200);
    EXPECT_EQ(view->VertBar()->ContentSize(), 900);
    // The bars' visible lengths follow their new lengths, not the full view they had while hidden.
    EXPECT_EQ(view->HorzBar()->VisibleSize(), 755);
    EXPECT_EQ(view->VertBar()->VisibleSize(), 626);
    EXPECT_EQ(view->BitmapOffsetX(), 0.0f);
    EXPECT_EQ(view->BitmapOffsetY(), 0.0f);

    // Dragging far beyond the end stops at the last column and row.
    DragHandle(view->HorzBar(), 2000, 0);
    DragHandle(view->VertBar(), 0, 2000);
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 1200.0f - 755.0f);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 900.0f - 626.0f);
    EXPECT_EQ(view->BitmapOffsetX(), -445.0f);
    EXPECT_EQ(view->BitmapOffsetY(), -274.0f);
    EXPECT_EQ(scrolls, 2);
    EXPECT_EQ(Shown(*view, 754, 625), Tag(1199, 899));
    EXPECT_EQ(Shown(*view, 0, 0), Tag(445, 274));
}

TEST_F(ItemViewTest, PictureLoadedWhileTheWindowIsHiddenScrollsFullyOnceShown) {
    host.hide();
    LoadTagged(*view, 700, 600);
    LoadTagged(*view, 1200, 900);
    host.show();
    EXPECT_TRUE(view->HorzBar()->isVisible());
    EXPECT_EQ(view->HorzBar()->VisibleSize(), 755);
    EXPECT_EQ(view->VertBar()->VisibleSize(), 626);
    DragHandle(view->HorzBar(), 2000, 0);
    DragHandle(view->VertBar(), 0, 2000);
    EXPECT_EQ(view->BitmapOffsetX(), -445.0f);
    EXPECT_EQ(view->BitmapOffsetY(), -274.0f);
}

TEST_F(ItemViewTest, HandleDragMovesPictureAndLayerMappingByThePositionInOneChange) {
    LoadTagged(*view, 1200, 900);
    changes = 0;
    DragHandle(view->HorzBar(), 10, 0);
    // A 475-pixel handle on a 755-pixel track: 10 pixels are 1200 * 10 / 755 content units.
    const float pos = view->HorzBar()->ScrollPos();
    EXPECT_NEAR(pos, 1200.0 * 10 / 755, 1e-3);
    EXPECT_EQ(view->BitmapOffsetX(), -pos);
    EXPECT_EQ(view->BitmapOffsetY(), 0.0f);
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(changes, 1);
    // Drawing and the layers' offset use the rounded position.
    const int32_t shift = int32_t(std::nearbyint(-pos));
    view->RefreshPlacement();
    EXPECT_EQ(view->ShiftX(), shift);
    EXPECT_EQ(view->FixedScaleX(), 65536);
    float ox = 0, oy = 0;
    view->LayerCollection().OnQueryOffset(&view->LayerCollection(), ox, oy);
    EXPECT_EQ(ox, float(shift));
    EXPECT_EQ(Shown(*view, 100, 40), Tag(100 - shift, 40));
}

TEST_F(ItemViewTest, NewPictureScrollsBothBarsBackToTheStart) {
    LoadTagged(*view, 1200, 900);
    DragHandle(view->HorzBar(), 100, 0);
    DragHandle(view->VertBar(), 0, 100);
    ASSERT_GT(view->HorzBar()->ScrollPos(), 0.0f);
    scrolls = 0;
    LoadTagged(*view, 1100, 1000);
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 0.0f);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 0.0f);
    EXPECT_EQ(view->BitmapOffsetX(), 0.0f);
    EXPECT_EQ(view->BitmapOffsetY(), 0.0f);
    EXPECT_EQ(scrolls, 0);  // the view's own resets are no user scrolling
    EXPECT_EQ(Shown(*view, 5, 7), Tag(5, 7));
}

TEST_F(ItemViewTest, WheelScrollsSixtyPixelsPerNotchAsAUserChange) {
    LoadTagged(*view, 1200, 900);
    SendWheel(view, -120);  // towards the user: further down
    EXPECT_EQ(view->VertBar()->ScrollPos(), 60.0f);
    EXPECT_EQ(view->BitmapOffsetY(), -60.0f);
    EXPECT_EQ(scrolls, 1);
    SendWheel(view, -240, Qt::ShiftModifier);
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 120.0f);
    EXPECT_EQ(view->BitmapOffsetX(), -120.0f);
    SendWheel(view, 120);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 0.0f);
    SendWheel(view, 120);  // already at the top: clamped, nothing happens
    EXPECT_EQ(view->VertBar()->ScrollPos(), 0.0f);
    EXPECT_EQ(scrolls, 3);
    SendWheel(view, -120, {}, true);  // a sideways wheel moves the horizontal bar
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 180.0f);
    EXPECT_EQ(Shown(*view, 0, 0), Tag(180, 0));
}

TEST_F(ItemViewTest, CtrlWheelZoomsOnlyAViewAskedToAndEnlargesPixelsWhole) {
    LoadTagged(*view, 1200, 900);
    SendWheel(view, -120, Qt::ControlModifier);
    EXPECT_EQ(view->Scale(), 1.0f);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 60.0f);
    view->SetWheelZooms(true);
    SendWheel(view, 240, Qt::ControlModifier);
    EXPECT_FLOAT_EQ(view->Scale(), 1.5625f);
    EXPECT_EQ(view->ScaleMode(), TScaleMode::smScale);
    // The bitmap point under the pointer (10, 10), (10, 70) at 1 : 1, stays there within half a pixel.
    const TColor32 kept = Shown(*view, 10, 10);
    EXPECT_EQ(kept >> 12 & 0xFFF, 10u);
    EXPECT_NEAR(double(kept & 0xFFF), 70.0, 1.0);
    // From the top-left corner at 4 : 1 every bitmap pixel covers 4 x 4 screen pixels of its own colour.
    view->ZoomAt(1.0f, 0, 0);
    view->HorzBar()->SetScrollPos(0);
    view->VertBar()->SetScrollPos(0);
    view->ApplyScrollOffsets();
    view->ZoomAt(4.0f, 0, 0);
    const QImage shot = view->grab().toImage();
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 12; ++y) EXPECT_EQ(TColor32(shot.pixel(x, y)) | 0xFF000000u, Tag(x / 4, y / 4)) << x << ", " << y;
    view->ZoomAt(1.0f, 0, 0);
    EXPECT_EQ(view->ScaleMode(), TScaleMode::smNormal);
}

TEST(ViewZoomTest, StepsFollowThePowersOfOneAndAQuarterWithinAnEighthAndEight) {
    struct TRow {
        float From;
        int32_t Notches;
        float To;
    };
    const TRow rows[] = {
        {1, 1, 1.25f},       {1, -1, 0.8f},       {4, 1, 4.76837158f}, {4, -1, 3.81469727f},
        {8, 1, 8},           {8, -1, 7.4505806f}, {7.4505806f, 1, 8}, {0.125f, -1, 0.125f},
        {1, 20, 8},          {1, -20, 0.125f},    {1, 0, 1},
    };
    for (const TRow& row : rows) EXPECT_FLOAT_EQ(SteppedZoomScale(row.From, row.Notches), row.To) << row.From << " " << row.Notches;
    // In and out again comes back to exactly 1 : 1.
    EXPECT_EQ(SteppedZoomScale(SteppedZoomScale(1.0f, 3), -3), 1.0f);
}

TEST_F(ItemViewTest, WheelOverABarScrollsThePictureWithIt) {
    LoadTagged(*view, 1200, 900);
    SendWheel(view->VertBar(), -120);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 60.0f);
    EXPECT_EQ(view->BitmapOffsetY(), -60.0f);
    SendWheel(view->HorzBar(), -120);
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 60.0f);
    EXPECT_EQ(view->BitmapOffsetX(), -60.0f);
    EXPECT_EQ(scrolls, 2);
}

TEST_F(ItemViewTest, OverSizeWidensRangesAndShiftsAnUncentredPictureByTheMargin) {
    view->SetOverSize(10);
    LoadTagged(*view, 1200, 900);  // the margin takes effect with the next range update
    EXPECT_EQ(view->HorzBar()->ContentSize(), 1220);
    EXPECT_EQ(view->VertBar()->ContentSize(), 920);
    EXPECT_EQ(view->BitmapOffsetX(), 10.0f);
    EXPECT_EQ(view->BitmapOffsetY(), 10.0f);
    DragHandle(view->HorzBar(), 3000, 0);
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 1220.0f - 755.0f);
    EXPECT_EQ(view->BitmapOffsetX(), 10.0f - (1220.0f - 755.0f));
    EXPECT_EQ(Shown(*view, 754 - 10, 20), Tag(1199, 10));
}

TEST_F(ItemViewTest, CornerSquareBetweenShownBarsIsButtonFace) {
    LoadTagged(*view, 1200, 900);
    const TRect g = view->SizeGripRect();
    EXPECT_EQ(g, (TRect{755, 626, 780, 651}));
    const QImage img = view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const TColor32 face = WinColorToColor32(clBtnFace);
    for (QPoint p : {QPoint(755, 626), QPoint(779, 650), QPoint(767, 640)}) EXPECT_EQ(TColor32(img.pixel(p)), face);
    // The bars draw themselves in their own colours, not the corner's.
    EXPECT_NE(TColor32(img.pixel(300, 640)), face);
}

TEST_F(ItemViewTest, BufferCoversTheViewportWhenThickBarsDisappear) {
    view->ScrollBars().SetSize(100);
    view->SetBounds(0, 0, 400, 400);
    LoadTagged(*view, 1200, 900);
    ASSERT_EQ(view->ViewportRect(), (TRect{0, 0, 300, 300}));
    view->SetBounds(0, 0, 360, 360);  // a viewport 260: the buffer is refitted to exactly that
    view->repaint();
    LoadTagged(*view, 200, 200);  // the bars go, the viewport grows to 360 without a resize
    ASSERT_EQ(view->ViewportRect(), (TRect{0, 0, 360, 360}));
    EXPECT_GE(view->Buffer().Width(), 360);
    EXPECT_GE(view->Buffer().Height(), 360);
    EXPECT_EQ(Shown(*view, 199, 199), Tag(199, 199));
    EXPECT_EQ(Shown(*view, 355, 355), WinColorToColor32(view->Color()));
}

// ---------------------------------------------------------------- centred views

class CentredViewTest : public testing::Test {
protected:
    void Make(int32_t w, int32_t h) {
        host.resize(1100, 800);
        view = new TImgView32(&host);
        view->SetBounds(1, 1, w, h);
        view->SetCentered(true);
        view->SetScaleMode(TScaleMode::smNormal);
        view->SetScale(1.0f);
        view->SetOverSize(0);
        view->ScrollBars().SetVisibility(TScrollBarVisibility::svHidden);
        view->SetSizeGrip(TSizeGripStyle::sgNone);
        host.show();
    }

    QWidget host;
    TImgView32* view = nullptr;
};

TEST_F(CentredViewTest, PreviewFitsALargePictureAndCentresItHorizontally) {
    Make(804, 591);
    LoadTagged(*view, 1600, 1200);
    view->SetScaleMode(TScaleMode::smResize);
    EXPECT_EQ(view->PlacedSize(), (std::pair<int32_t, int32_t>(788, 591)));
    EXPECT_EQ(view->BitmapOffsetX(), 8.0f);
    EXPECT_EQ(view->BitmapOffsetY(), 0.0f);
    view->RefreshPlacement();
    EXPECT_EQ(view->PlacedRect(), (TRect{8, 0, 796, 591}));
    const TColor32 back = WinColorToColor32(view->Color());
    EXPECT_EQ(Shown(*view, 7, 300), back);
    EXPECT_NE(Shown(*view, 8, 300), back);
    EXPECT_EQ(Shown(*view, 796, 300), back);
}

TEST_F(CentredViewTest, SmallPictureIsCentredOnHalfPixelsRoundedToEven) {
    Make(817, 591);
    LoadTagged(*view, 800, 500);
    EXPECT_EQ(view->BitmapOffsetX(), 8.5f);
    EXPECT_EQ(view->BitmapOffsetY(), 45.5f);
    view->RefreshPlacement();
    EXPECT_EQ(view->PlacedRect().Left, 8);
    EXPECT_EQ(view->PlacedRect().Top, 46);
    EXPECT_EQ(Shown(*view, 8, 46), Tag(0, 0));
    view->SetBounds(1, 1, 819, 591);
    EXPECT_EQ(view->BitmapOffsetX(), 9.5f);
    view->RefreshPlacement();
    EXPECT_EQ(view->PlacedRect().Left, 10);
    EXPECT_EQ(Shown(*view, 10, 46), Tag(0, 0));
}

TEST_F(CentredViewTest, SettingTheCurrentScaleModeStillRecentres) {
    Make(401, 300);
    view->ScrollBars().SetVisibility(TScrollBarVisibility::svAlways);
    view->ScrollBars().SetSize(20);
    LoadTagged(*view, 1000, 800);
    // Centred on the middle of the picture: 500 - 381 / 2 (a real halving) and 400 - 280 / 2.
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 309.5f);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 260.0f);
    EXPECT_EQ(view->BitmapOffsetX(), -309.5f);
    DragHandle(view->HorzBar(), -1000, 0);
    DragHandle(view->VertBar(), 0, 1000);
    ASSERT_EQ(view->HorzBar()->ScrollPos(), 0.0f);
    int scrolls = 0;
    view->OnScroll = [&](TCustomImage32*) { ++scrolls; };
    view->SetScaleMode(view->ScaleMode());
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 309.5f);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 260.0f);
    EXPECT_EQ(view->BitmapOffsetY(), -260.0f);
    EXPECT_EQ(scrolls, 0);
    EXPECT_FALSE(view->SuppressScrollEvents());
    EXPECT_EQ(Shown(*view, 190, 140), Tag(500, 400));
}

TEST_F(CentredViewTest, CentringFollowsScaleAndCenteredChanges) {
    Make(400, 300);
    view->ScrollBars().SetVisibility(TScrollBarVisibility::svAlways);
    view->ScrollBars().SetSize(20);
    LoadTagged(*view, 300, 200);
    EXPECT_EQ(view->BitmapOffsetX(), 40.0f);  // (380 - 300) / 2
    EXPECT_EQ(view->BitmapOffsetY(), 40.0f);  // (280 - 200) / 2
    view->SetScaleMode(TScaleMode::smScale);
    view->SetScale(2.0f);  // 600 x 400 now needs scrolling: the bars start centred
    EXPECT_EQ(view->HorzBar()->ContentSize(), 600);
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 110.0f);
    EXPECT_EQ(view->BitmapOffsetX(), -110.0f);
    EXPECT_EQ(view->VertBar()->ScrollPos(), 60.0f);
    view->SetCentered(false);  // uncentred: back to the top-left corner
    EXPECT_FALSE(view->HorzBar()->Centered());
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 0.0f);
    EXPECT_EQ(view->BitmapOffsetX(), 0.0f);
    view->SetScale(0.5f);  // fits again: uncentred it stays at the origin
    EXPECT_EQ(view->BitmapOffsetX(), 0.0f);
    EXPECT_EQ(view->HorzBar()->ContentSize(), 150);
}

TEST_F(CentredViewTest, LoadedLaysOutAndCentres) {
    Make(400, 300);
    view->ScrollBars().SetVisibility(TScrollBarVisibility::svAlways);
    view->ScrollBars().SetSize(20);
    int inits = 0;
    view->OnInitStages = [&](TCustomImage32*) { ++inits; };
    view->Bitmap().SetDimensions(1000, 800);
    view->HorzBar()->SetScrollPos(0);
    view->Loaded();
    EXPECT_EQ(view->HorzBar()->ScrollPos(), 310.0f);
    EXPECT_EQ(inits, 1);
}

}  // namespace
}  // namespace velmora
