// Image control: placement and its fixed-point answers to the layers, property notifications, the
// paint stages as they reach the window, and mouse dispatch with the layer concerned and capture.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

#include "display/custom_image32.h"
#include "layers/custom_layer.h"
#include "layers/layer_collection.h"
#include "layers/layer_options.h"
#include "layers/rubberband_layer.h"
#include "raster/color32.h"
#include "toolkit/screen_cursor.h"

namespace velmora {
namespace {

constexpr TColor kControlColor = 0x00336699;  // 0x00BBGGRR
constexpr TColor32 kControl32 = 0xFF996633u;
constexpr TColor32 kSentinel = 0xFF0A0B0Cu;

TColor32 PatternAt(int32_t x, int32_t y) { return Color32(uint8_t(x * 3 + 1), uint8_t(y * 11 + 7), uint8_t(x + y)); }

void FillPattern(TBitmap32& b, int32_t w, int32_t h) {
    b.SetDimensions(w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) *b.PixelAddress(x, y) = PatternAt(x, y);
}

uint32_t Rgb(QRgb c) { return c & 0xFFFFFFu; }

// A layer covering a rectangle of control coordinates, filling it when drawn.
class TBoxLayer : public TCustomLayer {
public:
    TBoxLayer(TLayerCollection* c, TRect r, TColor32 color, uint32_t bits) : TCustomLayer(c), Area(r), Fill(color) {
        StoreOptionBits(bits);
    }
    bool ContainsPoint(int32_t x, int32_t y) override { return Area.Contains(x, y); }
    void Draw(TBitmap32& buffer) override { buffer.FillBlockClipped(Area.Left, Area.Top, Area.Right, Area.Bottom, Fill); }
    void HandleMouseDown(TMouseButton b, TShiftState s, int32_t x, int32_t y) override {
        ++Downs;
        TCustomLayer::HandleMouseDown(b, s, x, y);
    }
    void HandleMouseMove(TShiftState s, int32_t x, int32_t y) override {
        ++Moves;
        TCustomLayer::HandleMouseMove(s, x, y);
    }
    TRect Area;
    TColor32 Fill;
    int Downs = 0;
    int Moves = 0;
};

class TTestImage : public TImage32 {
public:
    using TImage32::TImage32;
    using TImage32::PointerLeft;
    using TImage32::SetDirectShowAllowed;
    using TImage32::ShowsBitmapDirectly;
    using TImage32::ShowsBitmapBanded;
    using TImage32::ShowInputs;
    void ScaleChanged() override { ++ScaleChanges; }
    void RenderBuffer() override {
        ++Renders;
        TImage32::RenderBuffer();
    }
    int ScaleChanges = 0;
    int Renders = 0;
};

struct TMouseRecord {
    TMouseButton Button = TMouseButton::mbLeft;
    TShiftState Shift = 0;
    int32_t X = 0;
    int32_t Y = 0;
    TCustomLayer* Layer = nullptr;
    bool CapturedThen = false;
};

class Image32Test : public ::testing::Test {
protected:
    void SetUp() override {
        Screen().SetCursor(crDefault);
        host = std::make_unique<QWidget>();
        host->resize(500, 400);
        image = new TTestImage(host.get());
        image->SetBounds(0, 0, 200, 200);
        image->SetColor(kControlColor);
        image->OnChange = [this](TCustomImage32*) { ++changes; };
    }
    void TearDown() override { Screen().SetCursor(crDefault); }

    void Show() {
        host->show();
        QTest::mouseMove(host.get(), QPoint(450, 350));
    }

    QImage Shot() {
        image->Invalidate();
        return image->grab().toImage();
    }

    std::unique_ptr<QWidget> host;
    TTestImage* image = nullptr;
    int changes = 0;
};

// ---------------------------------------------------------------- placement

struct TPlacementCase {
    const char* Name;
    int32_t ControlW, ControlH, BitmapW, BitmapH;
    TScaleMode Mode;
    TBitmapAlign Align;
    float Scale, OffsetX, OffsetY;
    TRect Expected;
};

TEST_F(Image32Test, PlacementByModeAndAlignment) {
    using enum TScaleMode;
    using enum TBitmapAlign;
    const TPlacementCase cases[] = {
        {"normal top-left", 200, 200, 100, 50, smNormal, baTopLeft, 1, 0, 0, {0, 0, 100, 50}},
        {"stretch", 200, 150, 100, 50, smStretch, baTopLeft, 1, 0, 0, {0, 0, 200, 150}},
        {"resize, height constrains", 804, 591, 1600, 1200, smResize, baTopLeft, 1, 0, 0, {0, 0, 788, 591}},
        {"resize, width constrains", 300, 300, 200, 100, smResize, baTopLeft, 1, 0, 0, {0, 0, 300, 150}},
        {"resize enlarges a small bitmap", 400, 300, 40, 30, smResize, baTopLeft, 1, 0, 0, {0, 0, 400, 300}},
        {"optimal, smaller: normal", 200, 200, 120, 80, smOptimal, baTopLeft, 1, 0, 0, {0, 0, 120, 80}},
        {"optimal, taller: resize", 200, 200, 100, 400, smOptimal, baTopLeft, 1, 0, 0, {0, 0, 50, 200}},
        {"scale, halves to even", 400, 400, 101, 3, smScale, baTopLeft, 1.5f, 0, 0, {0, 0, 152, 4}},
        {"optimal scaled fits: scale", 200, 200, 50, 40, smOptimalScaled, baTopLeft, 2, 0, 0, {0, 0, 100, 80}},
        {"optimal scaled too wide: resize", 200, 200, 150, 50, smOptimalScaled, baTopLeft, 2, 0, 0, {0, 0, 200, 67}},
        {"center, smaller", 201, 200, 100, 50, smNormal, baCenter, 1, 0, 0, {50, 75, 150, 125}},
        {"center, wider: negative", 200, 200, 300, 50, smNormal, baCenter, 1, 0, 0, {-50, 75, 250, 125}},
        {"center truncates toward zero", 200, 200, 301, 50, smNormal, baCenter, 1, 0, 0, {-50, 75, 251, 125}},
        {"custom halves to even", 200, 200, 100, 50, smNormal, baCustom, 1, -10.5f, 2.5f, {-10, 2, 90, 52}},
        {"custom rounds", 200, 200, 100, 50, smNormal, baCustom, 1, 8.5f, 9.5f, {8, 10, 108, 60}},
        {"tile stays at origin", 200, 200, 30, 20, smNormal, baTile, 1, 50, 50, {0, 0, 30, 20}},
    };
    for (const TPlacementCase& c : cases) {
        image->SetBounds(0, 0, c.ControlW, c.ControlH);
        image->Bitmap().SetDimensions(c.BitmapW, c.BitmapH);
        image->SetScaleMode(c.Mode);
        image->SetBitmapAlign(c.Align);
        image->SetScale(c.Scale);
        image->SetBitmapOffsetX(c.OffsetX);
        image->SetBitmapOffsetY(c.OffsetY);
        EXPECT_EQ(image->PlacementRect(), c.Expected) << c.Name;
        image->RefreshPlacement();
        EXPECT_EQ(image->PlacedRect(), c.Expected) << c.Name;
        EXPECT_EQ(image->ShiftX(), c.Expected.Left) << c.Name;
        EXPECT_EQ(image->ShiftY(), c.Expected.Top) << c.Name;
    }
}

TEST_F(Image32Test, EmptyBitmapOrControlPlacesNothing) {
    EXPECT_EQ(image->PlacementRect(), TRect{});
    image->RefreshPlacement();
    EXPECT_EQ(image->FixedScaleX(), 65536);
    EXPECT_EQ(image->FixedScaleY(), 65536);
    EXPECT_EQ(image->ShiftX(), 0);

    image->Bitmap().SetDimensions(100, 50);
    image->SetBitmapAlign(TBitmapAlign::baCenter);
    image->SetBounds(0, 0, 0, 200);
    EXPECT_EQ(image->PlacedSize(), std::make_pair(0, 0));
    image->SetBounds(0, 0, 10, 10);
    image->SetScaleMode(TScaleMode::smStretch);
    EXPECT_EQ(image->PlacedSize(), std::make_pair(10, 10));
}

TEST_F(Image32Test, ScaleAndOffsetAnswersToTheLayers) {
    TLayerCollection& lc = image->LayerCollection();
    float sx = 0, sy = 0, ox = -1, oy = -1;

    image->Bitmap().SetDimensions(100, 50);
    lc.QueryScale(sx, sy);
    lc.QueryOffset(ox, oy);
    EXPECT_EQ(sx, 1.0f);
    EXPECT_EQ(sy, 1.0f);
    EXPECT_EQ(ox, 0.0f);
    EXPECT_EQ(oy, 0.0f);

    // 101 pixels shown in 50: the 16.16 scale is MulDiv(50, 65536, 101) = 32444 (32443.56 rounded).
    image->Bitmap().SetDimensions(101, 33);
    image->SetScaleMode(TScaleMode::smScale);
    image->SetScale(0.5f);
    image->SetBitmapAlign(TBitmapAlign::baCustom);
    image->SetBitmapOffsetX(-10.5f);
    image->SetBitmapOffsetY(2.5f);
    lc.QueryScale(sx, sy);
    lc.QueryOffset(ox, oy);
    EXPECT_EQ(image->FixedScaleX(), 32444);
    EXPECT_EQ(image->FixedScaleY(), 31775);  // 33 rows shown in nearest(16.5) = 16: 31775.03
    EXPECT_EQ(sx, 32444.0f / 65536.0f);
    EXPECT_EQ(ox, -10.0f);
    EXPECT_EQ(oy, 2.0f);

    // The answers follow a change made after the last rendering.
    image->SetBitmapOffsetX(30.0f);
    lc.QueryOffset(ox, oy);
    EXPECT_EQ(ox, 30.0f);
}

TEST_F(Image32Test, OffsetsThatAreNoNumberOrOutOfRangeKeepThePlacementWithin32Bits) {
    image->Bitmap().SetDimensions(100, 50);
    image->SetBitmapAlign(TBitmapAlign::baCustom);
    const float inf = std::numeric_limits<float>::infinity();
    struct TRow {
        float Offset;
        int32_t Left;
    };
    for (const TRow& row : {TRow{std::numeric_limits<float>::quiet_NaN(), 0}, TRow{inf, (1 << 30) - 1},
                            TRow{-inf, -(1 << 30)}, TRow{-3e9f, -(1 << 30)}, TRow{-200.5f, -200}}) {
        image->SetBitmapOffsetX(row.Offset);
        image->RefreshPlacement();
        EXPECT_EQ(image->PlacedRect().Left, row.Left) << row.Offset;
        EXPECT_GE(image->PlacedRect().Width(), 0);
        image->grab();
    }
}

// ---------------------------------------------------------------- properties and notifications

TEST_F(Image32Test, ScaleIsClampedAndNotifiesOnlyOnChange) {
    image->SetScale(1.0f);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(image->ScaleChanges, 0);
    image->SetScale(0.0f);
    EXPECT_EQ(image->Scale(), 0.001f);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(image->ScaleChanges, 1);
    image->SetScale(-5.0f);  // clamps to the stored value: nothing happens
    EXPECT_EQ(changes, 1);
    image->SetScale(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(image->Scale(), 0.001f);
    EXPECT_EQ(changes, 1);
    image->SetScale(2.0f);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(image->ScaleChanges, 2);
}

TEST_F(Image32Test, SettersNotifyOnceExceptAlignWhichAlwaysDoes) {
    image->SetBitmapAlign(TBitmapAlign::baTopLeft);
    EXPECT_EQ(changes, 1);
    image->SetScaleMode(TScaleMode::smNormal);
    image->SetBitmapOffsetX(0.0f);
    image->SetBitmapOffsetY(0.0f);
    EXPECT_EQ(changes, 1);
    image->SetScaleMode(TScaleMode::smStretch);
    image->SetBitmapOffsetX(1.0f);
    image->SetBitmapOffsetY(1.0f);
    EXPECT_EQ(changes, 4);

    // Inside brackets nothing is raised, and closing them raises nothing by itself.
    image->BeginChanges();
    image->BeginChanges();
    image->SetBitmapOffsetX(5.0f);
    image->Bitmap().SetDimensions(10, 10);
    image->EndChanges();
    image->SetScaleMode(TScaleMode::smScale);
    image->EndChanges();
    EXPECT_EQ(changes, 4);
    EXPECT_FALSE(image->PlacementValid());
    image->NotifyChanged();
    EXPECT_EQ(changes, 5);
}

TEST_F(Image32Test, BitmapChangesReachTheControl) {
    int resizes = 0;
    image->OnBitmapResize = [&](TCustomImage32*) { ++resizes; };
    image->RefreshPlacement();
    image->Bitmap().SetDimensions(40, 30);
    EXPECT_EQ(resizes, 1);
    EXPECT_GE(changes, 1);
    EXPECT_FALSE(image->PlacementValid());
    EXPECT_EQ(image->PlacementRect(), (TRect{0, 0, 40, 30}));

    const int before = changes;
    image->Bitmap().FillAll(0xFF000000u);
    EXPECT_EQ(changes, before + 1);

    TBitmap32 other;
    FillPattern(other, 7, 9);
    image->SetBitmap(other);
    EXPECT_EQ(image->Bitmap().Width(), 7);
    EXPECT_EQ(image->Bitmap().PixelAt(3, 4), PatternAt(3, 4));
    EXPECT_EQ(resizes, 2);
}

TEST_F(Image32Test, StageListOperationsAndDefaults) {
    TPaintStages& s = image->StageList();
    ASSERT_EQ(s.Count(), 5);
    const uint32_t kinds[] = {psBackground, psControlFrame, psBitmap, psBitmapFrame, psLayers};
    const bool runTime[] = {true, false, true, false, true};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(s[i].StageKind, kinds[i]) << i;
        EXPECT_EQ(s[i].RunTimeFlag, runTime[i]) << i;
        EXPECT_TRUE(s[i].DesignTimeFlag) << i;
    }
    EXPECT_EQ(s[4].StageParam, loVisible);
    EXPECT_THROW(s.Items(5), EListError);
    EXPECT_THROW(s.Items(-1), EListError);
    TPaintStageEntry& added = s.Add();
    EXPECT_EQ(added.StageKind, psNone);
    EXPECT_TRUE(added.RunTimeFlag);
    EXPECT_FALSE(added.DesignTimeFlag);

    // Only run-time stages with a handler are compiled, in order and with their indexes.
    added.StageKind = 99;
    s.Add().StageKind = psCustom;
    image->grab();
    const auto& compiled = image->StageHandlers();
    ASSERT_EQ(compiled.size(), 4u);
    EXPECT_EQ(compiled[0].second, 0);
    EXPECT_EQ(compiled[1].second, 2);
    EXPECT_EQ(compiled[2].second, 4);
    EXPECT_EQ(compiled[3].second, 6);
}

TEST_F(Image32Test, InitStagesRaisedWhenLoaded) {
    int raised = 0;
    image->OnInitStages = [&](TCustomImage32* sender) {
        ++raised;
        sender->StageList().Clear();
    };
    image->Loaded();
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(image->StageList().Count(), 0);
}

// ---------------------------------------------------------------- rendering as shown

TEST_F(Image32Test, PaintShowsTheBitmapWhereItIsPlacedAndTheControlColourAround) {
    Show();
    FillPattern(image->Bitmap(), 100, 50);
    image->SetBitmapAlign(TBitmapAlign::baCenter);  // at (50, 75)
    const QImage shot = Shot();
    ASSERT_EQ(shot.size(), QSize(200, 200));
    int wrong = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x) {
            const bool inside = x >= 50 && x < 150 && y >= 75 && y < 125;
            const TColor32 want = inside ? PatternAt(x - 50, y - 75) : kControl32;
            if (Rgb(shot.pixel(x, y)) != (want & 0xFFFFFFu)) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

TEST_F(Image32Test, OpaqueBitmapClearsOnlyTheBands) {
    Show();
    FillPattern(image->Bitmap(), 100, 50);
    image->SetBitmapAlign(TBitmapAlign::baCustom);
    image->SetBitmapOffsetX(40);
    image->SetBitmapOffsetY(30);
    image->StageList().Clear();
    image->StageList().Add().StageKind = psBackground;
    image->Buffer().FillAll(kSentinel);
    const QImage shot = Shot();
    // Inside the placed rectangle the buffer keeps what it had; the four bands get the colour.
    EXPECT_EQ(Rgb(shot.pixel(40, 30)), kSentinel & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(139, 79)), kSentinel & 0xFFFFFFu);
    for (QPoint p : {QPoint(0, 0), QPoint(199, 29), QPoint(39, 50), QPoint(140, 50), QPoint(100, 80), QPoint(199, 199)})
        EXPECT_EQ(Rgb(shot.pixel(p)), kControl32 & 0xFFFFFFu) << p.x() << "," << p.y();

    // A bitmap covering the whole control needs no background at all.
    image->SetBitmapOffsetX(-1);
    image->SetBitmapOffsetY(0);
    image->Bitmap().SetDimensions(300, 300);
    image->Buffer().FillAll(kSentinel);
    const QImage covered = Shot();
    EXPECT_EQ(Rgb(covered.pixel(199, 199)), kSentinel & 0xFFFFFFu);

    // One column short of the right edge: that column is a band again.
    image->SetBitmapOffsetX(0);
    image->Bitmap().SetDimensions(199, 300);
    image->Buffer().FillAll(kSentinel);
    const QImage shortOfEdge = Shot();
    EXPECT_EQ(Rgb(shortOfEdge.pixel(199, 100)), kControl32 & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shortOfEdge.pixel(198, 100)), kSentinel & 0xFFFFFFu);
}

TEST_F(Image32Test, TransparentBitmapClearsTheWholeBufferFirst) {
    Show();
    image->Bitmap().SetDimensions(200, 200);
    image->Bitmap().FillAll(0x00FFFFFFu);  // fully transparent white
    image->Bitmap().SetDrawMode(TDrawMode::dmBlend);
    image->Buffer().FillAll(kSentinel);
    const QImage shot = Shot();
    EXPECT_EQ(Rgb(shot.pixel(0, 0)), kControl32 & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(120, 150)), kControl32 & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(199, 199)), kControl32 & 0xFFFFFFu);
}

TEST_F(Image32Test, EmptyStageListLeavesTheBufferAsItWas) {
    Show();
    FillPattern(image->Bitmap(), 100, 50);
    int stages = 0;
    image->OnPaintStage = [&](TCustomImage32*, TBitmap32&, uint32_t) { ++stages; };
    image->StageList().Clear();
    image->Buffer().FillAll(kSentinel);
    const QImage shot = Shot();
    EXPECT_EQ(Rgb(shot.pixel(0, 0)), kSentinel & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(150, 150)), kSentinel & 0xFFFFFFu);
    EXPECT_EQ(stages, 0);
    EXPECT_TRUE(image->BufferValid());
}

TEST_F(Image32Test, TiledBitmapFillsTheControl) {
    Show();
    FillPattern(image->Bitmap(), 30, 20);
    image->SetBitmapAlign(TBitmapAlign::baTile);
    const QImage shot = Shot();
    int wrong = 0;
    for (int y = 0; y < 200; y += 7)
        for (int x = 0; x < 200; x += 3)
            if (Rgb(shot.pixel(x, y)) != (PatternAt(x % 30, y % 20) & 0xFFFFFFu)) ++wrong;
    EXPECT_EQ(wrong, 0);
}

TEST_F(Image32Test, LayersDrawBottomToTopByMaskAndCustomStagesRun) {
    Show();
    TLayerCollection& lc = image->LayerCollection();
    new TBoxLayer(&lc, {10, 10, 60, 60}, 0xFF0000FFu, loVisible);
    new TBoxLayer(&lc, {40, 40, 90, 90}, 0xFF00FF00u, loVisible);
    new TBoxLayer(&lc, {0, 0, 200, 200}, 0xFFFF0000u, loMouseInput);  // not visible: not drawn
    std::vector<uint32_t> customStages;
    image->OnPaintStage = [&](TCustomImage32* sender, TBitmap32& buffer, uint32_t stage) {
        EXPECT_EQ(sender, image);
        EXPECT_EQ(&buffer, &image->Buffer());
        customStages.push_back(stage);
        buffer.FillBlockClipped(190, 190, 200, 200, 0xFF123456u);
    };
    image->StageList().Add().StageKind = psCustom;
    const QImage shot = Shot();
    EXPECT_EQ(Rgb(shot.pixel(20, 20)), 0x0000FFu);
    EXPECT_EQ(Rgb(shot.pixel(50, 50)), 0x00FF00u);  // the upper layer wins where they overlap
    EXPECT_EQ(Rgb(shot.pixel(150, 150)), kControl32 & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(195, 195)), 0x123456u);
    EXPECT_EQ(customStages, std::vector<uint32_t>{5});
}

TEST_F(Image32Test, FocusFramesAreDottedAndUndoThemselves) {
    Show();
    image->StageList().Clear();
    image->StageList().Add().StageKind = psClearBuffer;
    image->StageList().Add().StageKind = psControlFrame;
    const QImage shot = Shot();
    const uint32_t inverted = ~kControl32 & 0xFFFFFFu;
    EXPECT_EQ(Rgb(shot.pixel(0, 0)), inverted);
    EXPECT_EQ(Rgb(shot.pixel(1, 0)), kControl32 & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(2, 0)), inverted);
    EXPECT_EQ(Rgb(shot.pixel(199, 199)), inverted);
    EXPECT_EQ(Rgb(shot.pixel(0, 3)), kControl32 & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(2, 2)), kControl32 & 0xFFFFFFu);  // inside: untouched

    // A second frame restores the pixels, also for a one-pixel-high rectangle.
    TBitmap32 b;
    FillPattern(b, 9, 5);
    DrawFocusRect(b, {1, 1, 8, 4});
    DrawFocusRect(b, {2, 4, 7, 5});
    EXPECT_EQ(b.PixelAt(1, 1), PatternAt(1, 1) ^ 0x00FFFFFFu);
    EXPECT_EQ(b.PixelAt(7, 3), PatternAt(7, 3) ^ 0x00FFFFFFu);
    DrawFocusRect(b, {1, 1, 8, 4});
    DrawFocusRect(b, {2, 4, 7, 5});
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 9; ++x) EXPECT_EQ(b.PixelAt(x, y), PatternAt(x, y)) << x << "," << y;
}

TEST_F(Image32Test, RendersOncePerChangeAndOverlayUpdateOnlyShows) {
    Show();
    int renders = 0;
    image->OnPaintStage = [&](TCustomImage32*, TBitmap32&, uint32_t) { ++renders; };
    image->StageList().Add().StageKind = psCustom;
    int overlays = 0;
    image->OnGDIOverlay = [&](TCustomPaintBox32*) { ++overlays; };
    image->Invalidate();
    image->repaint();
    image->repaint();
    EXPECT_EQ(renders, 1);
    EXPECT_EQ(overlays, 2);

    // A layer change renders again; an overlay update only shows the buffer again.
    auto* layer = new TBoxLayer(&image->LayerCollection(), {0, 0, 10, 10}, 0xFFFFFFFFu, loVisible);
    layer->SetOptionBits(loVisible | loMouseInput);
    image->repaint();
    EXPECT_EQ(renders, 2);
    const int overlaysBefore = overlays;
    layer->SetOptionBits(loVisible | loMouseInput | loOverlay);
    image->repaint();
    const int rendersNow = renders;
    const int overlaysNow = overlays;
    // Overlay updates wait for the next paint, and several make one.
    for (int i = 0; i < 5; ++i) image->LayerCollection().OnOverlayUpdate(&image->LayerCollection());
    EXPECT_EQ(overlays, overlaysNow);
    QCoreApplication::processEvents();
    EXPECT_EQ(renders, rendersNow);
    EXPECT_EQ(overlays, overlaysNow + 1);
    EXPECT_GT(overlays, overlaysBefore + 1);
}

// ---------------------------------------------------------------- showing the bitmap directly

// Pixels (RGB) that differ between two shots of the same size.
int Differences(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (Rgb(a.pixel(x, y)) != Rgb(b.pixel(x, y))) ++n;
    return n;
}

constexpr TShowPlan kRender = TShowPlan::spRender;
constexpr TShowPlan kDirect = TShowPlan::spDirect;
constexpr TShowPlan kBanded = TShowPlan::spBanded;

// Each row renders a real control and checks the plan made from its inputs, that the control acts
// on it, and that the pixels shown match those of a twin that always renders.
struct TDirectCase {
    const char* Name;
    std::function<void(TTestImage&)> Setup;
    TShowPlan Plan;
};

TEST_F(Image32Test, DirectShowLooksExactlyLikeTheRenderedBuffer) {
    Show();
    auto pattern = [](int w, int h) { return [w, h](TTestImage& i) { FillPattern(i.Bitmap(), w, h); }; };
    auto with = [](std::function<void(TTestImage&)> a, std::function<void(TTestImage&)> b) {
        return [a, b](TTestImage& i) {
            a(i);
            b(i);
        };
    };
    auto stages = [](std::vector<uint32_t> kinds) {
        return [kinds](TTestImage& i) {
            i.StageList().Clear();
            for (uint32_t k : kinds) i.StageList().Add().StageKind = k;
        };
    };
    const auto exact = pattern(200, 200);
    const TDirectCase cases[] = {
        {"exactly the control", exact, kDirect},
        {"larger than the control", pattern(320, 260), kDirect},
        {"custom draw without a handler", with(exact, [](TTestImage& i) { i.Bitmap().SetDrawMode(TDrawMode::dmCustom); }), kDirect},
        {"tiled at its own size", with(exact, [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baTile); }), kDirect},
        {"centred, same size", with(exact, [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baCenter); }), kDirect},
        {"hidden layer only", with(exact, [](TTestImage& i) {
             new TBoxLayer(&i.LayerCollection(), {10, 10, 90, 90}, 0xFFFF0000u, loMouseInput);
         }), kDirect},
        {"bitmap stage alone", with(exact, stages({psBitmap})), kDirect},
        {"visible layer that draws nothing", with(exact, [](TTestImage& i) {
             auto* spot = new TRubberbandLayer(&i.LayerCollection());
             spot->SetGrips(gsBody);
             spot->SetExtent(TSingleRect{10, 10, 90, 90});
         }), kDirect},
        {"the same layer with its outline", with(exact, [](TTestImage& i) {
             auto* spot = new TRubberbandLayer(&i.LayerCollection());
             spot->SetGrips(gsBody | gsOutline);
             spot->SetExtent(TSingleRect{10, 10, 90, 90});
         }), kRender},
        {"a layer that draws nothing but has a draw handler", with(exact, [](TTestImage& i) {
             auto* spot = new TRubberbandLayer(&i.LayerCollection());
             spot->SetGrips(gsBody);
             spot->OnAfterDraw = [](TCustomLayer*, TBitmap32& b) { b.FillBlockClipped(5, 5, 50, 50, 0xFF0000FFu); };
         }), kRender},
        {"one column short", pattern(199, 200), kBanded},
        {"one row short", pattern(200, 199), kBanded},
        {"scrolled by a pixel", with(pattern(300, 300), [](TTestImage& i) {
             i.SetBitmapAlign(TBitmapAlign::baCustom);
             i.SetBitmapOffsetX(-1);
         }), kBanded},
        {"centred, larger", with(pattern(260, 200), [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baCenter); }), kBanded},
        {"centred, smaller", with(pattern(121, 77), [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baCenter); }), kBanded},
        {"smaller, placed off the edges", with(pattern(150, 150), [](TTestImage& i) {
             i.SetBitmapAlign(TBitmapAlign::baCustom);
             i.SetBitmapOffsetX(-20);
             i.SetBitmapOffsetY(90);
         }), kBanded},
        {"smaller, custom draw without a handler", with(pattern(90, 60), [](TTestImage& i) { i.Bitmap().SetDrawMode(TDrawMode::dmCustom); }), kBanded},
        {"smaller, bitmap stage alone", with(pattern(90, 60), stages({psBitmap})), kRender},
        {"smaller, tiled", with(pattern(90, 60), [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baTile); }), kRender},
        {"smaller, visible layer", with(pattern(90, 60), [](TTestImage& i) {
             new TBoxLayer(&i.LayerCollection(), {10, 10, 90, 90}, 0xFF00FF00u, loVisible);
         }), kRender},
        {"smaller, blended", with(pattern(90, 60), [](TTestImage& i) {
             i.Bitmap().FillAll(0x80FF0000u);
             i.Bitmap().SetDrawMode(TDrawMode::dmBlend);
         }), kRender},
        {"smaller, stretched", with(pattern(90, 60), [](TTestImage& i) { i.SetScaleMode(TScaleMode::smStretch); }), kRender},
        {"stretched", with(pattern(100, 100), [](TTestImage& i) { i.SetScaleMode(TScaleMode::smStretch); }), kRender},
        {"scaled by two", with(exact, [](TTestImage& i) {
             i.SetScaleMode(TScaleMode::smScale);
             i.SetScale(2.0f);
         }), kRender},
        {"blended", with(exact, [](TTestImage& i) {
             i.Bitmap().FillAll(0x80FF0000u);
             i.Bitmap().SetDrawMode(TDrawMode::dmBlend);
         }), kRender},
        {"transparent colour", with(exact, [](TTestImage& i) {
             i.Bitmap().SetOuterColor(PatternAt(5, 5));
             i.Bitmap().SetDrawMode(TDrawMode::dmTransparent);
         }), kRender},
        {"custom draw with a handler", with(exact, [](TTestImage& i) {
             i.Bitmap().OnPixelCombine = [](TColor32 f, TColor32& b, TColor32) { b = f ^ 0x00FFFFFFu; };
             i.Bitmap().SetDrawMode(TDrawMode::dmCustom);
         }), kRender},
        {"visible layer", with(exact, [](TTestImage& i) {
             new TBoxLayer(&i.LayerCollection(), {10, 10, 90, 90}, 0xFF00FF00u, loVisible);
         }), kRender},
        {"custom stage", with(exact, [](TTestImage& i) {
             i.OnPaintStage = [](TCustomImage32*, TBitmap32& b, uint32_t) { b.FillBlockClipped(0, 0, 5, 5, 0xFF445566u); };
             i.StageList().Add().StageKind = psCustom;
         }), kRender},
        {"background after the bitmap", with(with(exact, [](TTestImage& i) { i.Bitmap().SetDrawMode(TDrawMode::dmCustom); }),
                                              stages({psBitmap, psBackground})), kRender},
        {"clear after the bitmap", with(exact, stages({psBitmap, psClearBuffer})), kRender},
        {"focus frame", with(exact, stages({psBitmap, psControlFrame})), kRender},
        {"no bitmap stage", with(exact, stages({psBackground, psLayers})), kRender},
    };
    for (const TDirectCase& c : cases) {
        auto direct = std::make_unique<TTestImage>(host.get());
        auto rendered = std::make_unique<TTestImage>(host.get());
        for (TTestImage* i : {direct.get(), rendered.get()}) {
            i->SetBounds(0, 0, 200, 200);
            i->SetColor(kControlColor);
            c.Setup(*i);
            i->show();  // sizes the buffer
            i->Buffer().FillAll(kSentinel);
        }
        rendered->SetDirectShowAllowed(false);
        const QImage want = rendered->grab().toImage();
        const QImage got = direct->grab().toImage();
        // The plan from what the control rendered with, and the control acting on it.
        const auto inputs = direct->ShowInputs();
        EXPECT_EQ(PlanShow(inputs.Stages, inputs.Placement, inputs.Bitmap), c.Plan) << c.Name;
        EXPECT_EQ(direct->ShowsBitmapDirectly(), c.Plan == kDirect) << c.Name;
        EXPECT_FALSE(rendered->ShowsBitmapDirectly()) << c.Name;
        EXPECT_EQ(direct->ShowsBitmapBanded(), c.Plan == kBanded) << c.Name;
        EXPECT_FALSE(rendered->ShowsBitmapBanded()) << c.Name;
        EXPECT_EQ(Differences(got, want), 0) << c.Name;
        // The direct paths leave the buffer as it was.
        if (c.Plan != kRender) {
            EXPECT_EQ(direct->Buffer().PixelAt(7, 7), kSentinel) << c.Name;
        }
    }
}

// Stage orders and edges that the default stages of a real control do not reach.
TEST(PlanShowTest, StageOrdersAndEdges) {
    const TShowStage bg{psBackground}, bmp{psBitmap}, quiet{psLayers, false}, drawing{psLayers, true};
    const TShowPlacement exact{{0, 0, 200, 200}, false, {0, 0, 200, 200}};
    const TShowPlacement smaller{{25, 25, 175, 175}, false, {0, 0, 200, 200}};
    TShowPlacement noViewport = exact;
    noViewport.Viewport = TRect{0, 0, 0, 200};
    const TShowBitmap full{200, 200, true, true}, small{150, 150, true, true}, none{0, 0, true, true};
    struct TRow {
        const char* Name;
        std::vector<TShowStage> Stages;
        TShowPlacement Placement;
        TShowBitmap Bitmap;
        TShowPlan Plan;
    };
    const TRow rows[] = {
        {"default stages", {bg, bmp, quiet}, exact, full, kDirect},
        {"default stages, smaller", {bg, bmp, quiet}, smaller, small, kBanded},
        {"quiet layers between background and bitmap", {bg, quiet, bmp}, exact, full, kDirect},
        {"the same, smaller: the bands would not be cleared", {bg, quiet, bmp}, smaller, small, kRender},
        {"two backgrounds", {bg, bg, bmp}, exact, full, kDirect},
        {"two backgrounds, smaller", {bg, bg, bmp}, smaller, small, kRender},
        {"two bitmaps, smaller", {bg, bmp, bmp}, smaller, small, kRender},
        {"drawing layers under the bitmap", {drawing, bg, bmp}, exact, full, kRender},
        {"no stages", {}, exact, full, kRender},
        {"no viewport", {bg, bmp, quiet}, noViewport, full, kRender},
        {"no pixels", {bg, bmp, quiet}, exact, none, kRender},
    };
    for (const TRow& r : rows) EXPECT_EQ(PlanShow(r.Stages, r.Placement, r.Bitmap), r.Plan) << r.Name;
}

TEST_F(Image32Test, DirectShowFollowsEveryChange) {
    Show();
    FillPattern(image->Bitmap(), 200, 200);
    int overlays = 0;
    image->OnGDIOverlay = [&](TCustomPaintBox32*) { ++overlays; };
    auto shotMatches = [&](auto expected) {
        const QImage shot = image->grab().toImage();
        int wrong = 0;
        for (int y = 0; y < 200; ++y)
            for (int x = 0; x < 200; ++x)
                if (Rgb(shot.pixel(x, y)) != (expected(x, y) & 0xFFFFFFu)) ++wrong;
        return wrong;
    };

    image->repaint();
    ASSERT_TRUE(image->ShowsBitmapDirectly());
    const int renders = image->Renders;
    image->repaint();
    image->repaint();
    EXPECT_EQ(image->Renders, renders);  // unchanged: shown again, not rendered
    EXPECT_TRUE(image->BufferValid());
    EXPECT_EQ(overlays, 3);
    EXPECT_EQ(image->Bitmap().LockDepth(), 0);

    // New pixels announced by the bitmap.
    image->Bitmap().FillAll(0xFF204060u);
    EXPECT_FALSE(image->BufferValid());
    EXPECT_EQ(shotMatches([](int, int) { return 0xFF204060u; }), 0);
    EXPECT_EQ(image->Renders, renders + 1);

    // A larger bitmap (new storage) still shows directly, a smaller one through the buffer.
    FillPattern(image->Bitmap(), 420, 310);
    EXPECT_EQ(shotMatches([](int x, int y) { return PatternAt(x, y); }), 0);
    EXPECT_TRUE(image->ShowsBitmapDirectly());
    image->Bitmap().SetDimensions(150, 120);
    FillPattern(image->Bitmap(), 150, 120);
    auto smallPicture = [](int x, int y) { return x < 150 && y < 120 ? PatternAt(x, y) : kControl32; };
    EXPECT_EQ(shotMatches(smallPicture), 0);
    EXPECT_FALSE(image->ShowsBitmapDirectly());

    // A layer shown and hidden again.
    FillPattern(image->Bitmap(), 200, 200);
    auto* layer = new TBoxLayer(&image->LayerCollection(), {20, 30, 40, 50}, 0xFF00FF00u, loMouseInput);
    image->repaint();
    EXPECT_TRUE(image->ShowsBitmapDirectly());
    layer->SetOptionBits(loVisible | loMouseInput);
    auto withLayer = [](int x, int y) { return x >= 20 && x < 40 && y >= 30 && y < 50 ? 0xFF00FF00u : PatternAt(x, y); };
    EXPECT_EQ(shotMatches(withLayer), 0);
    EXPECT_FALSE(image->ShowsBitmapDirectly());
    layer->SetOptionBits(loMouseInput);
    image->Invalidate();  // hiding announces no change of its own
    EXPECT_EQ(shotMatches([](int x, int y) { return PatternAt(x, y); }), 0);
    EXPECT_TRUE(image->ShowsBitmapDirectly());

    // A scroll offset, then back to the origin.
    image->SetBitmapAlign(TBitmapAlign::baCustom);
    image->SetBitmapOffsetY(3.0f);
    EXPECT_EQ(shotMatches([](int x, int y) { return y < 3 ? kControl32 : PatternAt(x, y - 3); }), 0);
    EXPECT_FALSE(image->ShowsBitmapDirectly());
    image->SetBitmapOffsetY(0.0f);
    image->repaint();
    EXPECT_TRUE(image->ShowsBitmapDirectly());

    // Overlay layers and OnGDIOverlay still come after every show.
    const int overlaysBefore = overlays;
    image->repaint();
    image->grab();
    EXPECT_EQ(overlays, overlaysBefore + 2);

    // A control grown wider than the bitmap shows the band beside it again.
    image->SetBounds(0, 0, 230, 200);
    EXPECT_EQ(image->grab().toImage().pixel(215, 10) & 0xFFFFFFu, kControl32 & 0xFFFFFFu);
    EXPECT_FALSE(image->ShowsBitmapDirectly());
}

// A control whose viewport changes without announcing it, as a view's does when its bars go.
class TSilentViewportImage : public TTestImage {
public:
    using TTestImage::TTestImage;
    TRect ViewportRect() const override { return Viewport; }
    TRect Viewport{0, 0, 150, 150};
};

TEST_F(Image32Test, ViewportOutgrowingADirectShowRendersAgainAtTheNextPaint) {
    Show();
    auto silent = std::make_unique<TSilentViewportImage>(host.get());
    silent->SetBounds(0, 0, 200, 200);
    silent->SetColor(kControlColor);
    FillPattern(silent->Bitmap(), 150, 150);
    silent->show();
    silent->repaint();
    ASSERT_TRUE(silent->ShowsBitmapDirectly());
    const int renders = silent->Renders;

    silent->Viewport = TRect{0, 0, 200, 200};
    const QImage shot = silent->grab().toImage();
    EXPECT_EQ(silent->Renders, renders + 1);
    EXPECT_TRUE(silent->ShowsBitmapBanded());
    EXPECT_EQ(Rgb(shot.pixel(149, 149)), PatternAt(149, 149) & 0xFFFFFFu);
    EXPECT_EQ(Rgb(shot.pixel(175, 20)), kControl32 & 0xFFFFFFu);
    silent->grab();
    EXPECT_EQ(silent->Renders, renders + 1);  // planned afresh once, then shown again
}

TEST_F(Image32Test, HandlerlessCustomBitmapClearsWhatAWholeClearWouldShow) {
    // The old whole-buffer clear is what an extra clear stage in front gives.
    Show();
    const std::function<void(TTestImage&)> placements[] = {
        [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baCenter); },
        [](TTestImage& i) {
            i.SetBitmapAlign(TBitmapAlign::baCustom);
            i.SetBitmapOffsetX(-30.5f);
            i.SetBitmapOffsetY(170.0f);
        },
        [](TTestImage& i) { i.SetBitmapAlign(TBitmapAlign::baTile); },
        [](TTestImage& i) {
            i.Bitmap().SetResamplerClassName("TLinearResampler");
            i.SetScaleMode(TScaleMode::smStretch);
        },
        [](TTestImage& i) {
            i.Bitmap().SetResamplerClassName("TDraftResampler");
            i.SetScaleMode(TScaleMode::smResize);
            i.SetBitmapAlign(TBitmapAlign::baCenter);
        },
        [](TTestImage& i) {
            i.SetScaleMode(TScaleMode::smScale);
            i.SetScale(0.37f);
        },
    };
    int n = 0;
    for (const auto& place : placements) {
        ++n;
        auto banded = std::make_unique<TTestImage>(host.get());
        auto cleared = std::make_unique<TTestImage>(host.get());
        for (TTestImage* i : {banded.get(), cleared.get()}) {
            i->SetBounds(0, 0, 200, 200);
            i->SetColor(kControlColor);
            FillPattern(i->Bitmap(), 70, 45);
            i->Bitmap().SetDrawMode(TDrawMode::dmCustom);
            place(*i);
            i->SetDirectShowAllowed(false);
            i->show();
            i->Buffer().FillAll(kSentinel);
        }
        TPaintStages& s = cleared->StageList();
        s.Clear();
        for (uint32_t k : {psClearBuffer, psBackground, psBitmap, psLayers}) s.Add().StageKind = k;
        EXPECT_EQ(Differences(banded->grab().toImage(), cleared->grab().toImage()), 0) << "placement " << n;
    }

    // A stage between the background and the bitmap still finds the whole buffer cleared.
    FillPattern(image->Bitmap(), 100, 50);
    image->Bitmap().SetDrawMode(TDrawMode::dmCustom);
    TColor32 seen = 0;
    image->OnPaintStage = [&](TCustomImage32*, TBitmap32& b, uint32_t) { seen = b.PixelAt(10, 10); };
    TPaintStages& s = image->StageList();
    s.Clear();
    for (uint32_t k : {psBackground, psCustom, psBitmap}) s.Add().StageKind = k;
    image->Buffer().FillAll(kSentinel);
    image->grab();
    EXPECT_EQ(seen, kControl32);
    // And without a bitmap stage after it the whole buffer gets the colour, as before.
    s.Clear();
    s.Add().StageKind = psBackground;
    image->Buffer().FillAll(kSentinel);
    EXPECT_EQ(Rgb(Shot().pixel(10, 10)), kControl32 & 0xFFFFFFu);
}

// ---------------------------------------------------------------- mouse

class Image32MouseTest : public Image32Test {
protected:
    void SetUp() override {
        Image32Test::SetUp();
        image->OnMouseDown = [this](TCustomImage32*, TMouseButton b, TShiftState s, int32_t x, int32_t y, TCustomLayer* l) {
            downs.push_back({b, s, x, y, l, image->MouseCaptured()});
        };
        image->OnMouseUp = [this](TCustomImage32*, TMouseButton b, TShiftState s, int32_t x, int32_t y, TCustomLayer* l) {
            ups.push_back({b, s, x, y, l, image->MouseCaptured()});
        };
        image->OnMouseMove = [this](TCustomImage32*, TShiftState s, int32_t x, int32_t y, TCustomLayer* l) {
            moves.push_back({TMouseButton::mbLeft, s, x, y, l, image->MouseCaptured()});
        };
        layer = new TBoxLayer(&image->LayerCollection(), {100, 100, 150, 150}, 0xFF000000u, loVisible | loMouseInput);
        Show();
    }

    TBoxLayer* layer = nullptr;
    std::vector<TMouseRecord> downs, ups, moves;
};

TEST_F(Image32MouseTest, RightPressOnEmptyAreaReportsNoLayerAndTakesNoCapture) {
    // Coordinates are the control's own, whatever the placement.
    image->SetBitmapAlign(TBitmapAlign::baCustom);
    image->SetBitmapOffsetX(-30);
    QTest::mousePress(image, Qt::RightButton, Qt::ShiftModifier, QPoint(20, 30));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].Button, TMouseButton::mbRight);
    EXPECT_EQ(downs[0].X, 20);
    EXPECT_EQ(downs[0].Y, 30);
    EXPECT_EQ(downs[0].Layer, nullptr);
    EXPECT_TRUE(downs[0].Shift & ssShift);
    EXPECT_FALSE(downs[0].CapturedThen);
    QTest::mouseRelease(image, Qt::RightButton, {}, QPoint(20, 30));
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].Layer, nullptr);
    EXPECT_FALSE(image->MouseCaptured());
}

TEST_F(Image32MouseTest, LeftPressOnEmptyAreaCapturesUntilLeftUp) {
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(20, 30));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_TRUE(downs[0].CapturedThen);
    EXPECT_EQ(downs[0].Layer, nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), image);
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(20, 30));
    EXPECT_FALSE(image->MouseCaptured());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}

TEST_F(Image32MouseTest, PressOnALayerReportsItAndItKeepsTheMouseWhileHeld) {
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(120, 130));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].Layer, layer);
    EXPECT_EQ(layer->Downs, 1);
    EXPECT_EQ(image->LayerCollection().CaptureLayer(), layer);
    // Outside the layer, the capture layer still gets the events and is reported.
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(image, &move);
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().Layer, layer);
    EXPECT_TRUE(moves.back().Shift & ssLeft);
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(10, 10));
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].Layer, layer);
    EXPECT_EQ(image->LayerCollection().CaptureLayer(), nullptr);
    EXPECT_FALSE(image->MouseCaptured());
}

TEST_F(Image32MouseTest, RightPressOnALayerDoesNotLeaveTheControlCapturing) {
    QTest::mousePress(image, Qt::RightButton, {}, QPoint(120, 130));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].Layer, layer);
    EXPECT_TRUE(downs[0].CapturedThen);  // a capture layer holds the mouse
    QTest::mouseRelease(image, Qt::RightButton, {}, QPoint(120, 130));
    EXPECT_EQ(image->LayerCollection().CaptureLayer(), nullptr);
    EXPECT_FALSE(image->MouseCaptured());
    EXPECT_NE(QWidget::mouseGrabber(), image);
}

TEST_F(Image32MouseTest, LeftUpKeepsCaptureWhileALayerStillHoldsAButton) {
    QMouseEvent left(QEvent::MouseButtonPress, QPointF(120, 130), QPointF(120, 130), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(image, &left);
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(120, 130), QPointF(120, 130), Qt::RightButton,
                      Qt::LeftButton | Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(image, &right);
    QMouseEvent leftUp(QEvent::MouseButtonRelease, QPointF(120, 130), QPointF(120, 130), Qt::LeftButton,
                       Qt::RightButton, Qt::NoModifier);
    QApplication::sendEvent(image, &leftUp);
    EXPECT_EQ(image->LayerCollection().CaptureLayer(), layer);
    EXPECT_TRUE(image->MouseCaptured());
    QMouseEvent rightUp(QEvent::MouseButtonRelease, QPointF(120, 130), QPointF(120, 130), Qt::RightButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(image, &rightUp);
    EXPECT_FALSE(image->MouseCaptured());
}

TEST_F(Image32MouseTest, MovesWithoutAButtonReachTheLayersAndSetCursors) {
    image->SetCursor(crHourGlass);
    layer->SetHoverCursor(crHandPoint);
    QTest::mouseMove(host.get(), QPoint(125, 125));
    ASSERT_FALSE(moves.empty());
    EXPECT_EQ(moves.back().Layer, layer);
    EXPECT_GE(layer->Moves, 1);
    QTest::mouseMove(host.get(), QPoint(20, 20));
    EXPECT_EQ(moves.back().Layer, nullptr);
    EXPECT_EQ(Screen().Cursor(), crHourGlass);  // over no layer the control's own cursor

    // Leaving the control gives the default cursor back.
    QTest::mouseMove(host.get(), QPoint(400, 300));
    EXPECT_EQ(Screen().Cursor(), crDefault);
    EXPECT_FALSE(image->PointerInside());
}

TEST_F(Image32MouseTest, LeavingKeepsTheCursorWhileALayerHoldsTheCapture) {
    Screen().SetCursor(crSizeNS);
    image->LayerCollection().SetCaptureLayer(layer);
    image->PointerLeft();
    EXPECT_EQ(Screen().Cursor(), crSizeNS);
    image->LayerCollection().SetCaptureLayer(nullptr);
    image->PointerLeft();
    EXPECT_EQ(Screen().Cursor(), crDefault);
}

TEST_F(Image32MouseTest, DoubleClickIsASecondPressMarkedDouble) {
    // What Qt delivers for a double click: press, release, double-click, release.
    const QPointF at(120, 130);
    QMouseEvent press(QEvent::MouseButtonPress, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QMouseEvent dclick(QEvent::MouseButtonDblClick, at, at, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release2(QEvent::MouseButtonRelease, at, at, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    for (QMouseEvent* e : {&press, &release, &dclick, &release2}) QApplication::sendEvent(image, e);
    ASSERT_EQ(downs.size(), 2u);
    EXPECT_FALSE(downs[0].Shift & ssDouble);
    EXPECT_TRUE(downs[1].Shift & ssDouble);
    EXPECT_EQ(downs[1].Layer, layer);
    EXPECT_EQ(ups.size(), 2u);
    EXPECT_EQ(image->LayerCollection().CaptureLayer(), nullptr);
    EXPECT_FALSE(image->MouseCaptured());
}

TEST_F(Image32MouseTest, WithoutMouseInputNoLayerIsOffered) {
    image->LayerCollection().MouseInput = false;
    QTest::mousePress(image, Qt::LeftButton, {}, QPoint(120, 130));
    QTest::mouseRelease(image, Qt::LeftButton, {}, QPoint(120, 130));
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].Layer, nullptr);
    EXPECT_EQ(layer->Downs, 0);
    EXPECT_EQ(ups[0].Layer, nullptr);
}

}  // namespace
}  // namespace velmora
