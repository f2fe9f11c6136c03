// A rubber-band layer on a real image control: drawn into the control's buffer where the scaled and
// offset bitmap puts it, sizing cursors from the control's mouse moves, drags by the mouse that move
// it in bitmap units or are vetoed without a repaint, and a change repainted only where it shows.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

#include "display/custom_image32.h"
#include "layers/layer_collection.h"
#include "layers/rubberband_layer.h"
#include "toolkit/screen_cursor.h"

namespace velmora {
namespace {

constexpr TColor32 kGrey = 0xFF808080u;
constexpr TColor32 kRed = 0xFFFF0000u;

uint32_t Rgb(QRgb c) { return c & 0xFFFFFFu; }

class RubberbandImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        Screen().SetCursor(crDefault);
        host = std::make_unique<QWidget>();
        host->resize(400, 300);
        image = new TImage32(host.get());
        image->SetBounds(0, 0, 300, 260);
        image->Bitmap().SetDimensions(100, 80);
        image->Bitmap().FillAll(kGrey);
        // The bitmap doubled and placed at (10, 20): layer (0, 0, 64, 64) lies on (10, 20) - (138, 148).
        image->SetScaleMode(TScaleMode::smScale);
        image->SetScale(2.0f);
        image->SetBitmapAlign(TBitmapAlign::baCustom);
        image->SetBitmapOffsetX(10);
        image->SetBitmapOffsetY(20);
        image->OnMouseDown = [this](TCustomImage32*, TMouseButton, TShiftState, int32_t, int32_t, TCustomLayer* l) {
            reported = l;
        };

        // Set up as the hotspot editor does.
        hotspot = new TRubberbandLayer(&image->LayerCollection());
        hotspot->SetFollowsBitmap(true);
        hotspot->SetShown(false);
        hotspot->SetExtent(TSingleRect{0, 0, 64, 64});
        hotspot->SetGrips(hotspot->Grips() | gsOutline);
        hotspot->RaiseToTop();
        hotspot->SetOptionBits(0xB0000000u);
        hotspot->SetGripRadius(4);
        hotspot->SetGripFillColor(kRed);
        hotspot->OnReshaped = [this](TRubberbandLayer*) { ++reshaped; };
        hotspot->MarkDirty();

        TLayerCollection& lc = image->LayerCollection();
        lc.OnDidChange = [this, inner = lc.OnDidChange](TLayerCollection* sender) {
            ++didChange;
            if (inner) inner(sender);
        };

        host->show();
        QTest::mouseMove(host.get(), QPoint(390, 290));
    }
    void TearDown() override { Screen().SetCursor(crDefault); }

    QImage Shot() {
        image->Invalidate();
        return image->grab().toImage();
    }

    void SendMove(QPoint p, Qt::MouseButtons held) {
        QMouseEvent move(QEvent::MouseMove, p, image->mapToGlobal(p), Qt::NoButton, held, Qt::NoModifier);
        QApplication::sendEvent(image, &move);
    }

    std::unique_ptr<QWidget> host;
    TImage32* image = nullptr;
    TRubberbandLayer* hotspot = nullptr;
    TCustomLayer* reported = nullptr;
    int reshaped = 0;
    int didChange = 0;
};

TEST_F(RubberbandImageTest, OutlineAndGripsAreDrawnWhereTheBitmapIsPlaced) {
    const QImage shot = Shot();
    EXPECT_EQ(Rgb(shot.pixel(14, 20)), 0xFFFFFFu);  // dashes start white at the top-left corner
    EXPECT_EQ(Rgb(shot.pixel(16, 20)), 0x000000u);
    EXPECT_EQ(Rgb(shot.pixel(135, 145)), kRed & 0xFFFFFFu);  // bottom-right grip on (134, 144) - (142, 152)
    EXPECT_EQ(Rgb(shot.pixel(134, 144)), 0x000000u);
    EXPECT_EQ(Rgb(shot.pixel(100, 100)), kGrey & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(100, 148)), kGrey & 0xFFFFFFu);

    // Scrolling the bitmap takes the layer along.
    image->SetBitmapOffsetX(30);
    const QImage scrolled = Shot();
    EXPECT_EQ(Rgb(scrolled.pixel(34, 20)), 0xFFFFFFu);
    EXPECT_EQ(Rgb(scrolled.pixel(155, 145)), kRed & 0xFFFFFFu);
    EXPECT_EQ(Rgb(scrolled.pixel(135, 145)), kGrey & 0xFFFFFFu);
    EXPECT_EQ(hotspot->GripAt(157, 147), TGripKind::gkBottomRight);
}

TEST_F(RubberbandImageTest, PointerOverGripsShowsTheSizingCursors) {
    hotspot->SetHoverCursor(crHandPoint);
    QTest::mouseMove(host.get(), QPoint(137, 147));
    EXPECT_EQ(Screen().Cursor(), crSizeNWSE);
    QTest::mouseMove(host.get(), QPoint(137, 84));
    EXPECT_EQ(Screen().Cursor(), crSizeWE);
    QTest::mouseMove(host.get(), QPoint(73, 18));
    EXPECT_EQ(Screen().Cursor(), crSizeNS);
    QTest::mouseMove(host.get(), QPoint(137, 22));
    EXPECT_EQ(Screen().Cursor(), crSizeNESW);
    QTest::mouseMove(host.get(), QPoint(100, 100));
    EXPECT_EQ(Screen().Cursor(), crHandPoint);
    QTest::mouseMove(host.get(), QPoint(250, 100));  // over the control, off the layer
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST_F(RubberbandImageTest, MouseDragMovesAndResizesInBitmapUnits) {
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(reported, hotspot);
    EXPECT_TRUE(hotspot->Tracking());
    SendMove(QPoint(70, 60), Qt::LeftButton);
    EXPECT_EQ(hotspot->Extent(), (TSingleRect{10, 5, 74, 69}));
    SendMove(QPoint(250, 250), Qt::LeftButton);  // outside the layer: still dragged
    EXPECT_EQ(hotspot->Extent(), (TSingleRect{100, 100, 164, 164}));
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(250, 250));
    EXPECT_FALSE(hotspot->Tracking());
    EXPECT_EQ(image->LayerCollection().CaptureLayer(), nullptr);
    EXPECT_EQ(reshaped, 2);

    // Bottom-right grip of (0, 0, 64, 64) dragged up and left: the smallest size, 10 bitmap pixels.
    hotspot->SetExtent(TSingleRect{0, 0, 64, 64});
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(137, 147));
    SendMove(QPoint(0, 0), Qt::LeftButton);
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(0, 0));
    EXPECT_EQ(hotspot->Extent(), (TSingleRect{0, 0, 10, 10}));
    const QImage shot = Shot();
    EXPECT_EQ(Rgb(shot.pixel(27, 37)), kRed & 0xFFFFFFu);  // its grip now around (30, 40)
}

TEST_F(RubberbandImageTest, ViewingModeHotspotIsInvisibleAndCannotBeMoved) {
    hotspot->SetGrips(hotspot->Grips() & 0xFFF1);
    hotspot->SetGripRadius(1);
    hotspot->OnReshaping = [](TRubberbandLayer*, const TSingleRect& oldExtent, TSingleRect& newExtent, TGripKind,
                              TShiftState) { newExtent = oldExtent; };
    const QImage shot = Shot();
    EXPECT_EQ(Rgb(shot.pixel(10, 20)), kGrey & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(137, 147)), kGrey & 0xFFFFFFu);

    didChange = 0;
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(reported, hotspot);
    for (int step = 1; step <= 4; ++step) SendMove(QPoint(50 + 15 * step, 50 + 7 * step), Qt::LeftButton);
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(110, 78));
    EXPECT_EQ(hotspot->Extent(), (TSingleRect{0, 0, 64, 64}));
    EXPECT_EQ(reshaped, 0);
    EXPECT_EQ(didChange, 0);  // nothing to repaint
    EXPECT_TRUE(hotspot->HitsPoint(136, 146));
    EXPECT_FALSE(hotspot->HitsPoint(137, 146));  // the last column is not part of the body
}

TEST_F(RubberbandImageTest, AMovedLayerRepaintsOnlyWhereItWasAndIsAsAWholeRenderingWould) {
    // A second layer under the path of the first, with the look of an unselected hotspot.
    auto* below = new TRubberbandLayer(&image->LayerCollection());
    below->SetFollowsBitmap(true);
    below->SetExtent(TSingleRect{30, 30, 50, 50});
    below->SetGripRadius(4);
    image->grab();
    // A bitmap pixel far from both, changed behind the control's back, shows whether it renders whole.
    TColor32* far = image->Bitmap().PixelData() + 99 + 79 * 100;
    *far = kRed;
    hotspot->SetExtent(TSingleRect{10, 10, 74, 74});
    below->SetExtent(TSingleRect{32, 30, 52, 50});
    const QImage part = image->grab().toImage();
    EXPECT_EQ(Rgb(part.pixel(208, 178)), kGrey & 0xFFFFFFu);
    *far = kGrey;
    EXPECT_EQ(part, Shot());
    // A layer added is not a change of one layer's area: the whole picture renders.
    *far = kRed;
    new TRubberbandLayer(&image->LayerCollection());
    EXPECT_EQ(Rgb(image->grab().toImage().pixel(208, 178)), kRed & 0xFFFFFFu);
}

}  // namespace
}  // namespace velmora
