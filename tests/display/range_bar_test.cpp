// Range bars: the arithmetic, the zones, the content model and its events, mouse and timer
// behaviour, and the pixels of the flat style.
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QPixmap>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "display/arrow_bar_access.h"
#include "display/catalogue_scroll_bars.h"
#include "display/custom_range_bar.h"
#include "display/range_bar_math.h"
#include "raster/color32.h"

namespace velmora {
namespace {

constexpr TBarZone kNone = TBarZone::bzNone;
constexpr TBarZone kBackButton = TBarZone::bzBackButton;
constexpr TBarZone kBackTrack = TBarZone::bzBackTrack;
constexpr TBarZone kHandle = TBarZone::bzHandle;
constexpr TBarZone kForwardTrack = TBarZone::bzForwardTrack;
constexpr TBarZone kForwardButton = TBarZone::bzForwardButton;

// ---------------------------------------------------------------- arithmetic without a window

TEST(RangeBarMathTest, ButtonLengthInBothStyles) {
    // 16 thick, 100 long: 16 in the default style, one less in the flat one.
    EXPECT_EQ(BarButtonLength(100, 16, 0, true, false), 16);
    EXPECT_EQ(BarButtonLength(100, 16, 0, true, true), 15);
    // 20 long: half the bar each.
    EXPECT_EQ(BarButtonLength(20, 16, 0, true, false), 10);
    EXPECT_EQ(BarButtonLength(20, 16, 0, true, true), 9);
    EXPECT_EQ(BarButtonLength(100, 16, 0, false, false), 0);
    EXPECT_EQ(BarButtonLength(300, 40, 0, true, false), 32);  // automatic size at most 32
    EXPECT_EQ(BarButtonLength(300, 16, 40, true, false), 40);  // explicit size wins over the thickness
    EXPECT_EQ(BarButtonLength(4, 16, 0, true, false), 2);
    EXPECT_EQ(BarButtonLength(4, 16, 0, true, true), 0);  // 1 is below 2: no buttons
    EXPECT_EQ(BarButtonLength(3, 16, 0, true, false), 0);
}

TEST(RangeBarMathTest, HandleNeverShorterThanSeventeen) {
    for (float pos : {0.0f, 1.0f, 103.0f, 50000.0f, 99499.0f, 99500.0f}) {
        THandleSpan s = BarHandleSpan(500, 500, 100000, pos);
        EXPECT_EQ(s.Length, 17) << pos;
        EXPECT_EQ(s.Start, int(std::nearbyint(483.0 * pos / 99500.0))) << pos;
    }
    EXPECT_EQ(BarHandleSpan(500, 500, 100000, 99500.0f).Start + 17, 500);  // ends flush with the track
}

TEST(RangeBarMathTest, HandleEdgeSizes) {
    EXPECT_EQ(BarHandleSpan(17, 10, 100, 0.0f), THandleSpan{});        // track too short: no handle
    EXPECT_EQ(BarHandleSpan(18, 10, 100, 0.0f), (THandleSpan{0, 17}));
    EXPECT_EQ(BarHandleSpan(200, 300, 300, 0.0f), (THandleSpan{0, 200}));  // nothing to scroll: full track
    EXPECT_EQ(BarHandleSpan(200, 300, 100, 0.0f), (THandleSpan{0, 200}));
    EXPECT_EQ(BarHandleSpan(200, 0, 0, 0.0f), (THandleSpan{0, 200}));
}

TEST(RangeBarMathTest, HandleRoundsHalvesToEven) {
    // 100 * 35 / 200 = 17.5 -> 18; 100 * pos / 200 = pos / 2.
    EXPECT_EQ(BarHandleSpan(100, 35, 200, 1.0f), (THandleSpan{0, 18}));
    EXPECT_EQ(BarHandleSpan(100, 35, 200, 3.0f), (THandleSpan{2, 18}));
    EXPECT_EQ(BarHandleSpan(100, 35, 200, 5.0f), (THandleSpan{2, 18}));
    EXPECT_EQ(BarHandleSpan(100, 33, 200, 0.0f).Length, 17);  // 16.5 -> 16, below the minimum
}

TEST(RangeBarMathTest, DragDistance) {
    // True-size handle: fractional content units.
    EXPECT_DOUBLE_EQ(double(BarDragDistance(755, 755, 1200, 10)), 1200.0 * 10 / 755);
    EXPECT_DOUBLE_EQ(double(BarDragDistance(755, 755, 1200, -10)), -1200.0 * 10 / 755);
    // Minimum handle: the rest of the track stands for the whole range, in whole units.
    EXPECT_EQ(double(BarDragDistance(500, 500, 100000, 10)), std::nearbyint(99500.0 * 10 / 483));
    EXPECT_EQ(double(BarDragDistance(500, 500, 100000, 483)), 99500.0);
    // Nothing to scroll, or no room to drag: no movement (and no division by zero).
    EXPECT_EQ(double(BarDragDistance(755, 755, 700, 10)), 0.0);
    EXPECT_EQ(double(BarDragDistance(17, 10, 1000, 10)), 0.0);
    EXPECT_EQ(double(BarDragDistance(0, 0, 1000, 10)), 0.0);
}

TEST(RangeBarMathTest, ClampAndRecentre) {
    EXPECT_EQ(ClampBarPos(500.0f, 1200, 755), 445.0f);
    EXPECT_EQ(ClampBarPos(-3.0f, 1200, 755), 0.0f);
    EXPECT_EQ(ClampBarPos(12.5f, 1200, 755), 12.5f);
    EXPECT_EQ(ClampBarPos(40.0f, 700, 780), 0.0f);
    // A content that newly needs scrolling starts centred.
    EXPECT_EQ(RecenteredBarPos(0.0f, 780, 700, 755, 1200), 600.0f - 377.5f);
    EXPECT_EQ(RecenteredBarPos(0.0f, 780, 0, 755, 1200), 222.5f);
    // The middle of the visible part keeps its fraction: (377.5 + 222.5) / 1200 = 0.5.
    EXPECT_EQ(RecenteredBarPos(222.5f, 755, 1200, 655, 1200), 600.0f - 327.5f);
    // Middle at 3/4 of 1000; content doubled: middle at 1500.
    EXPECT_EQ(RecenteredBarPos(650.0f, 200, 1000, 200, 2000), 1400.0f);
}

TEST(RangeBarMathTest, ShadeAndMix) {
    const TColor32 border = Color32(0x50, 0x63, 0x8B);
    EXPECT_EQ(ShadeColor(border, 24), Color32(0x68, 0x7B, 0xA3));
    EXPECT_EQ(ShadeColor(border, -24), Color32(0x38, 0x4B, 0x73));
    EXPECT_EQ(ShadeColor(Color32(250, 10, 128), 24), Color32(255, 34, 152));
    EXPECT_EQ(ShadeColor(Color32(250, 10, 128), -24), Color32(226, 0, 104));
    // (a*w + b*(255 - w)) div 256: equal colours lose a little, full weight is not quite a.
    EXPECT_EQ(MixBarColors(border, border, 96), Color32(79, 98, 138));
    EXPECT_EQ(MixBarColors(Color32(255, 255, 255), Color32(0, 0, 0), 255), Color32(254, 254, 254));
    EXPECT_EQ(MixBarColors(Color32(255, 0, 100), Color32(0, 255, 200), 0), Color32(0, 254, 199));
    EXPECT_EQ(MixBarColors(Color32(255, 255, 255), Color32(0xD9, 0xDA, 0xDC), 127), Color32(235, 235, 236));
}

// ---------------------------------------------------------------- bars as widgets

// Counts the events of a bar and what UserInitiated said while they ran.
struct TEventLog {
    int Changes = 0;
    int UserChanges = 0;
    bool UserInitiatedInChange = false;
    void Attach(TArrowBar& bar) {
        bar.OnChange = [this](TArrowBar* s) {
            ++Changes;
            UserInitiatedInChange = s->UserInitiated();
        };
        bar.OnUserChange = [this](TArrowBar*) { ++UserChanges; };
    }
};

// The item view's bar: flat style, no arrows, no border, 25 thick.
void MakeItemViewBar(TCustomRangeBar& bar, int length = 755) {
    bar.SetBorderStyle(TBorderStyle::bsNone);
    TArrowBarAccess look;
    look.SetPrimaryBar(&bar);
    StyleItemViewBars(look);
    bar.resize(length, 25);
}

class RangeBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSystemColors();
        // The simulated pointer outlives a test: park it in the screen's corner, away from every bar
        // (a position off the screen would be ignored).
        QCursor::setPos(QGuiApplication::primaryScreen()->geometry().bottomRight());
    }
};

TEST_F(RangeBarTest, HandleRectOfTheItemViewBar) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1200, 0);
    EXPECT_EQ(bar.VisibleSize(), 755);
    EXPECT_EQ(bar.ButtonLength(), 0);
    EXPECT_EQ(bar.HandleRect(), (TRect{0, 0, 475, 25}));
    bar.SetScrollPos(445.0f);
    EXPECT_EQ(bar.HandleRect(), (TRect{280, 0, 755, 25}));

    // Vertical: the same along y.
    TCustomRangeBar vbar;
    MakeItemViewBar(vbar);
    vbar.SetKind(TScrollBarKind::sbVertical);
    vbar.resize(25, 626);
    vbar.SetSizes(900, 0);
    EXPECT_EQ(vbar.VisibleSize(), 626);
    EXPECT_EQ(vbar.HandleRect(), (TRect{0, 0, 25, 435}));  // 626 * 626 / 900 = 435.4
    vbar.SetScrollPos(1000.0f);
    EXPECT_EQ(vbar.ScrollPos(), 274.0f);
    EXPECT_EQ(vbar.HandleRect(), (TRect{0, 191, 25, 626}));
}

TEST_F(RangeBarTest, ZonesAlongAFlatBar) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1200, 0);
    bar.SetScrollPos(445.0f);  // handle 280..755
    EXPECT_EQ(bar.ZoneAt(0, 12), kNone);  // the first pixel is no track
    EXPECT_EQ(bar.ZoneAt(1, 12), kBackTrack);
    EXPECT_EQ(bar.ZoneAt(279, 0), kBackTrack);
    EXPECT_EQ(bar.ZoneAt(280, 24), kHandle);
    EXPECT_EQ(bar.ZoneAt(754, 12), kHandle);
    EXPECT_EQ(bar.ZoneAt(755, 12), kNone);
    EXPECT_EQ(bar.ZoneAt(100, 25), kNone);
    EXPECT_EQ(bar.ZoneAt(100, -1), kNone);
    EXPECT_EQ(bar.ZoneAt(-1, 12), kNone);

    bar.SetScrollPos(0.0f);  // handle 0..475
    EXPECT_EQ(bar.ZoneAt(0, 12), kHandle);
    EXPECT_EQ(bar.ZoneAt(474, 12), kHandle);
    EXPECT_EQ(bar.ZoneAt(475, 12), kForwardTrack);
    EXPECT_EQ(bar.ZoneAt(753, 12), kForwardTrack);
    EXPECT_EQ(bar.ZoneAt(754, 12), kNone);  // the last pixel is no track

    EXPECT_EQ(bar.ZoneRect(kHandle), (TRect{0, 0, 475, 25}));
    EXPECT_EQ(bar.ZoneRect(kBackTrack), (TRect{0, 0, 0, 25}));
    EXPECT_EQ(bar.ZoneRect(kForwardTrack), (TRect{475, 0, 755, 25}));
    EXPECT_TRUE(bar.ZoneRect(kBackButton).IsEmpty());
    EXPECT_TRUE(bar.ZoneRect(kNone).IsEmpty());
}

TEST_F(RangeBarTest, ZonesWithButtonsAndBorder) {
    TCustomRangeBar bar;  // default style, arrows, one-pixel border: client 98 x 14
    bar.resize(102, 18);  // client 100 x 16: buttons of 16
    bar.SetSizes(1000, 0);
    EXPECT_EQ(bar.ButtonLength(), 16);
    EXPECT_EQ(bar.TrackRect(), (TRect{16, 0, 84, 16}));
    EXPECT_EQ(bar.ZoneAt(0, 0), kBackButton);
    EXPECT_EQ(bar.ZoneAt(15, 15), kBackButton);
    EXPECT_EQ(bar.ZoneAt(16, 8), kHandle);  // 68 * 102 / 1000 = 6.9: minimum handle 16..33
    EXPECT_EQ(bar.ZoneAt(32, 8), kHandle);
    EXPECT_EQ(bar.ZoneAt(33, 8), kForwardTrack);
    EXPECT_EQ(bar.ZoneAt(83, 8), kForwardTrack);
    EXPECT_EQ(bar.ZoneAt(84, 8), kForwardButton);
    EXPECT_EQ(bar.ZoneAt(99, 8), kForwardButton);
    EXPECT_EQ(bar.ZoneAt(100, 8), kNone);
    EXPECT_EQ(bar.ZoneRect(kBackButton), (TRect{0, 0, 16, 16}));
    EXPECT_EQ(bar.ZoneRect(kForwardButton), (TRect{84, 0, 100, 16}));
    EXPECT_EQ(bar.HandleRect(), (TRect{16, 0, 33, 16}));

    bar.SetStyle(TRBStyle::rbsMac);
    EXPECT_EQ(bar.ButtonLength(), 15);

    // A track shorter than 18 has no handle; all of it counts as forward track.
    bar.SetButtonSize(42);
    EXPECT_EQ(bar.ButtonLength(), 41);
    EXPECT_EQ(bar.HandleRect(), (TRect{41, 0, 58, 16}));  // 18 pixels: just enough
    bar.SetButtonSize(43);
    EXPECT_TRUE(bar.HandleRect().IsEmpty());
    EXPECT_EQ(bar.ZoneAt(41, 8), kBackButton);
    EXPECT_EQ(bar.ZoneAt(42, 8), kForwardTrack);
    EXPECT_EQ(bar.ZoneAt(57, 8), kForwardTrack);
    EXPECT_EQ(bar.ZoneAt(58, 8), kForwardButton);
}

TEST_F(RangeBarTest, TrackZonesSplitAtTheMiddleWithoutAHandle) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(700, 0);  // nothing to scroll
    EXPECT_FALSE(bar.ShowsEnabled());
    EXPECT_EQ(bar.ZoneRect(kBackTrack), (TRect{0, 0, 377, 25}));
    EXPECT_EQ(bar.ZoneRect(kForwardTrack), (TRect{377, 0, 755, 25}));
    EXPECT_EQ(bar.ZoneRect(kHandle), (TRect{377, 12, 377, 12}));
}

TEST_F(RangeBarTest, PositionEventsOnlyForRealChanges) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    TEventLog log;
    log.Attach(bar);
    bar.SetSizes(1200, 0);
    EXPECT_EQ(log.Changes, 0);
    bar.SetScrollPos(100.5f);
    EXPECT_EQ(log.Changes, 1);
    EXPECT_FALSE(log.UserInitiatedInChange);
    EXPECT_EQ(log.UserChanges, 0);
    bar.SetScrollPos(100.5f);  // same value
    EXPECT_EQ(log.Changes, 1);
    bar.SetScrollPos(5000.0f);  // clamped to 445
    EXPECT_EQ(bar.ScrollPos(), 445.0f);
    EXPECT_EQ(log.Changes, 2);
    bar.SetScrollPos(6000.0f);  // clamps to where it already is
    EXPECT_EQ(log.Changes, 2);
    bar.SetScrollPos(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(bar.ScrollPos(), 445.0f);
    EXPECT_EQ(log.Changes, 2);

    // A SetSizes that clamps the position moves it silently.
    bar.SetSizes(1000, 0);
    EXPECT_EQ(bar.ScrollPos(), 245.0f);
    bar.SetSizes(-5, -7);
    EXPECT_EQ(bar.ContentSize(), 0);
    EXPECT_EQ(bar.PageSize(), 0);
    EXPECT_EQ(bar.VisibleSize(), 755);
    EXPECT_EQ(bar.ScrollPos(), 0.0f);
    EXPECT_EQ(log.Changes, 2);
    EXPECT_EQ(log.UserChanges, 0);
}

TEST_F(RangeBarTest, PageSizeAndCentredSizes) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1000, 200);
    EXPECT_EQ(bar.VisibleSize(), 200);
    bar.SetScrollPos(650.0f);  // middle at 750
    bar.SetCentered(true);
    bar.SetSizes(2000, 200);
    EXPECT_EQ(bar.ScrollPos(), 1400.0f);  // middle at 1500, the same three quarters
    bar.SetSizes(2000, 0);                // the bar's own length
    EXPECT_EQ(bar.VisibleSize(), 755);
    EXPECT_EQ(bar.ScrollPos(), 1500.0f - 377.5f);

    TCustomRangeBar fresh;
    MakeItemViewBar(fresh, 780);
    fresh.SetCentered(true);
    fresh.SetSizes(700, 0);
    EXPECT_EQ(fresh.ScrollPos(), 0.0f);
    fresh.SetSizes(1200, 0);  // newly needs scrolling: starts centred
    EXPECT_EQ(fresh.ScrollPos(), 600.0f - 390.0f);
}

TEST_F(RangeBarTest, ResizeRefreshesVisibleSizeOfAnUncentredBar) {
    // The item view's situation: ranges set while the bar still had its old length, then the bar is
    // laid out shorter and shown. The end of the content must be reachable.
    TCustomRangeBar bar;
    MakeItemViewBar(bar, 780);
    bar.SetSizes(1200, 0);
    EXPECT_EQ(bar.VisibleSize(), 780);
    bar.resize(755, 25);  // hidden: the resize arrives when the bar is shown
    bar.show();
    EXPECT_EQ(bar.VisibleSize(), 755);
    bar.SetScrollPos(5000.0f);
    EXPECT_EQ(bar.ScrollPos(), 445.0f);

    // Growing clamps the position, silently.
    TEventLog log;
    log.Attach(bar);
    bar.resize(900, 25);
    EXPECT_EQ(bar.VisibleSize(), 900);
    EXPECT_EQ(bar.ScrollPos(), 300.0f);
    EXPECT_EQ(log.Changes, 0);
}

TEST_F(RangeBarTest, ResizeOfACentredBarKeepsTheMiddle) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar, 600);
    bar.SetCentered(true);
    bar.show();
    bar.SetSizes(1200, 0);
    EXPECT_EQ(bar.ScrollPos(), 300.0f);
    bar.resize(400, 25);
    EXPECT_EQ(bar.VisibleSize(), 400);
    EXPECT_EQ(bar.ScrollPos(), 400.0f);  // middle still at 600
}

TEST_F(RangeBarTest, WheelStepsByIncrementWithoutUserChange) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1200, 0);
    TEventLog log;
    log.Attach(bar);
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&bar, &e);
        return e.isAccepted();
    };
    EXPECT_TRUE(wheel(120));
    EXPECT_EQ(bar.ScrollPos(), 8.0f);
    EXPECT_TRUE(wheel(60));
    EXPECT_EQ(bar.ScrollPos(), 12.0f);
    EXPECT_TRUE(wheel(-240));
    EXPECT_EQ(bar.ScrollPos(), 0.0f);
    EXPECT_TRUE(wheel(-120));  // nothing moves, but the wheel is still taken
    EXPECT_EQ(log.Changes, 3);
    EXPECT_EQ(log.UserChanges, 0);
}

TEST_F(RangeBarTest, DraggingTheHandle) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1200, 0);
    bar.show();
    TEventLog log;
    log.Attach(bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 12));
    EXPECT_EQ(bar.DragZone(), kHandle);
    EXPECT_EQ(bar.TimerMode(), TBarTimerMode::tmHotTrack);  // a press on the handle goes straight to hot tracking
    EXPECT_EQ(log.Changes, 0);
    QTest::mouseMove(&bar, QPoint(110, 12));
    EXPECT_EQ(bar.ScrollPos(), float(1200.0L * 10 / 755));  // fractional content units
    EXPECT_EQ(log.Changes, 1);
    EXPECT_EQ(log.UserChanges, 1);
    EXPECT_TRUE(log.UserInitiatedInChange);
    EXPECT_FALSE(bar.UserInitiated());
    // The distance counts from the press, not from the last move.
    QTest::mouseMove(&bar, QPoint(90, 12));
    EXPECT_EQ(bar.ScrollPos(), 0.0f);
    QTest::mouseMove(&bar, QPoint(2000, 12));  // far beyond the bar: clamped
    EXPECT_EQ(bar.ScrollPos(), 445.0f);
    // Another button pressed meanwhile does not move the drag origin; any release ends the drag.
    QTest::mousePress(&bar, Qt::RightButton, {}, QPoint(2000, 12));
    QTest::mouseMove(&bar, QPoint(120, 12));
    EXPECT_EQ(bar.ScrollPos(), float(1200.0L * 20 / 755));
    QTest::mouseRelease(&bar, Qt::RightButton, {}, QPoint(120, 12));
    EXPECT_EQ(bar.DragZone(), kNone);
    QTest::mouseMove(&bar, QPoint(300, 12));
    EXPECT_EQ(bar.ScrollPos(), float(1200.0L * 20 / 755));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(300, 12));
}

TEST_F(RangeBarTest, DraggingAMinimumHandleMovesWholeUnits) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar, 500);
    bar.SetSizes(100000, 0);
    bar.show();
    EXPECT_EQ(bar.HandleRect(), (TRect{0, 0, 17, 25}));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(5, 12));
    QTest::mouseMove(&bar, QPoint(15, 12));
    EXPECT_EQ(bar.ScrollPos(), 2060.0f);  // nearest(99500 * 10 / 483)
    QTest::mouseMove(&bar, QPoint(5 + 483, 12));
    EXPECT_EQ(bar.ScrollPos(), 99500.0f);
    EXPECT_EQ(bar.HandleRect(), (TRect{483, 0, 500, 25}));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(5 + 483, 12));
}

TEST_F(RangeBarTest, PressWithNothingToScrollDoesNothing) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(755, 0);
    bar.show();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 12));
    EXPECT_EQ(bar.DragZone(), kNone);
    EXPECT_FALSE(bar.RepeatTimer().isActive());
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(100, 12));
}

// A bar with arrow buttons 16 long and something to scroll.
void MakeButtonBar(TCustomRangeBar& bar) {
    bar.SetBorderStyle(TBorderStyle::bsNone);
    bar.resize(200, 16);
    bar.SetSizes(1000, 0);
    bar.show();
}

TEST_F(RangeBarTest, BackButtonAtTheStartStopsTheRepeatAtOnce) {
    TCustomRangeBar bar;
    MakeButtonBar(bar);
    TEventLog log;
    log.Attach(bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(5, 8));
    EXPECT_EQ(bar.DragZone(), kBackButton);
    EXPECT_EQ(bar.ScrollPos(), 0.0f);
    EXPECT_EQ(log.Changes, 0);
    EXPECT_EQ(bar.TimerMode(), TBarTimerMode::tmHotTrack);
    EXPECT_EQ(bar.RepeatTimer().interval(), 150);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(5, 8));
}

TEST_F(RangeBarTest, ButtonRepeatTimerModesTickByTick) {
    TCustomRangeBar bar;
    MakeButtonBar(bar);
    TEventLog log;
    log.Attach(bar);
    QCursor::setPos(bar.mapToGlobal(QPoint(195, 8)));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(195, 8));
    EXPECT_EQ(bar.DragZone(), kForwardButton);
    EXPECT_EQ(bar.ScrollPos(), 8.0f);  // first step at once
    EXPECT_EQ(log.UserChanges, 1);
    EXPECT_EQ(bar.TimerMode(), TBarTimerMode::tmFirstDelay);
    EXPECT_EQ(bar.RepeatTimer().interval(), 600);
    EXPECT_TRUE(bar.RepeatTimer().isActive());
    bar.TimerTick();
    EXPECT_EQ(bar.TimerMode(), TBarTimerMode::tmRepeat);
    EXPECT_EQ(bar.RepeatTimer().interval(), 100);
    EXPECT_EQ(bar.ScrollPos(), 16.0f);
    bar.TimerTick();
    EXPECT_EQ(bar.ScrollPos(), 24.0f);
    EXPECT_EQ(log.Changes, 3);
    EXPECT_EQ(log.UserChanges, 3);

    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(195, 8));
    EXPECT_EQ(bar.DragZone(), kNone);
    EXPECT_EQ(bar.TimerMode(), TBarTimerMode::tmHotTrack);
    EXPECT_EQ(bar.RepeatTimer().interval(), 150);
    bar.TimerTick();  // hot tracking never steps
    EXPECT_EQ(bar.ScrollPos(), 24.0f);
    // The pointer is still over the bar: hot tracking goes on; once it is outside, it ends.
    EXPECT_TRUE(bar.RepeatTimer().isActive());
    QCursor::setPos(bar.mapToGlobal(QPoint(300, 8)));
    bar.TimerTick();
    EXPECT_FALSE(bar.RepeatTimer().isActive());
    EXPECT_EQ(bar.HotZone(), kNone);
}

// A bare bar: nothing to scroll, so a tick only drives the timer; the pointer is where a test puts it.
class TTimerBar : public TArrowBar {
public:
    TPoint Pointer{5, 5};

protected:
    TPoint PointerPos() const override { return Pointer; }
};

enum class TTimerEvent { Press, Tick, TickOutside, Release, Hover, Leave };

TEST_F(RangeBarTest, TimerModeTransitions) {
    using M = TBarTimerMode;
    using E = TTimerEvent;
    struct TRow {
        M From;
        E Event;
        M To;
        int Interval;
        bool Active;
    };
    const TRow rows[] = {
        {M::tmNone, E::Press, M::tmFirstDelay, 600, true},
        {M::tmNone, E::Tick, M::tmNone, 0, false},
        {M::tmFirstDelay, E::Tick, M::tmRepeat, 100, true},
        {M::tmFirstDelay, E::Release, M::tmHotTrack, 150, true},
        {M::tmRepeat, E::Tick, M::tmRepeat, 100, true},
        {M::tmRepeat, E::Release, M::tmHotTrack, 150, true},
        {M::tmRepeat, E::Leave, M::tmRepeat, 100, false},
        {M::tmHotTrack, E::Tick, M::tmHotTrack, 150, true},
        {M::tmHotTrack, E::TickOutside, M::tmHotTrack, 150, false},
        {M::tmHotTrack, E::Hover, M::tmHotTrack, 150, true},
        {M::tmHotTrack, E::Leave, M::tmHotTrack, 150, false},
        {M::tmHotTrack, E::Press, M::tmFirstDelay, 600, true},
    };
    int n = 0;
    for (const TRow& r : rows) {
        ++n;
        TTimerBar bar;
        if (r.From == M::tmFirstDelay || r.From == M::tmRepeat) bar.StartRepeat();
        if (r.From == M::tmRepeat) bar.TimerTick();
        if (r.From == M::tmHotTrack) bar.StartHotTracking();
        ASSERT_EQ(bar.TimerMode(), r.From) << "row " << n;
        switch (r.Event) {
            case E::Press: bar.StartRepeat(); break;
            case E::Tick: bar.TimerTick(); break;
            case E::TickOutside:
                bar.Pointer = TPoint{-1, 5};
                bar.TimerTick();
                break;
            case E::Release: bar.StopRepeat(); break;
            case E::Hover: bar.StartHotTracking(); break;
            case E::Leave: bar.EndHotTracking(); break;
        }
        EXPECT_EQ(bar.TimerMode(), r.To) << "row " << n;
        EXPECT_EQ(bar.RepeatTimer().interval(), r.Interval) << "row " << n;
        EXPECT_EQ(bar.RepeatTimer().isActive(), r.Active) << "row " << n;
    }
}

TEST_F(RangeBarTest, ButtonRepeatInRealTime) {
    TCustomRangeBar bar;
    MakeButtonBar(bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(195, 8));
    EXPECT_EQ(bar.ScrollPos(), 8.0f);
    QTest::qWait(400);
    EXPECT_EQ(bar.ScrollPos(), 8.0f);  // the second step waits 600 ms
    QTest::qWait(1000);
    // Steps at 0, 600, 700 ... 1400 ms; allow for a busy machine.
    EXPECT_GE(bar.ScrollPos(), 8.0f * 5);
    EXPECT_LE(bar.ScrollPos(), 8.0f * 10);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(195, 8));
    float released = bar.ScrollPos();
    QTest::qWait(300);
    EXPECT_EQ(bar.ScrollPos(), released);
}

TEST_F(RangeBarTest, PagingStopsWhenTheHandleReachesThePointer) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(5000, 0);  // handle 114 long
    bar.move(100, 100);     // room for the pointer on either side
    bar.show();
    TEventLog log;
    log.Attach(bar);
    QCursor::setPos(bar.mapToGlobal(QPoint(400, 12)));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(400, 12));
    EXPECT_EQ(bar.DragZone(), kForwardTrack);
    EXPECT_EQ(bar.ScrollPos(), 755.0f);
    bar.TimerTick();
    EXPECT_EQ(bar.ScrollPos(), 1510.0f);
    bar.TimerTick();
    EXPECT_EQ(bar.ScrollPos(), 2265.0f);  // handle 342..456 now covers the pointer
    bar.TimerTick();
    bar.TimerTick();
    EXPECT_EQ(bar.ScrollPos(), 2265.0f);
    EXPECT_EQ(log.UserChanges, 3);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(400, 12));

    // Back paging goes on down to 0 while the pointer stays before the handle.
    QCursor::setPos(bar.mapToGlobal(QPoint(5, 12)));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 12));
    EXPECT_EQ(bar.DragZone(), kBackTrack);
    EXPECT_EQ(bar.ScrollPos(), 1510.0f);
    bar.TimerTick();
    bar.TimerTick();
    bar.TimerTick();
    EXPECT_EQ(bar.ScrollPos(), 0.0f);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(100, 12));
}

TEST_F(RangeBarTest, PagingClampsAPointerOutsideTheBar) {
    TCustomRangeBar bar;
    MakeButtonBar(bar);  // buttons 16 long, track 168, handle 34
    bar.move(100, 100);
    bar.SetScrollPos(800.0f);
    EXPECT_EQ(bar.HandleRect(), (TRect{150, 0, 184, 16}));
    // Left of the bar the pointer counts as on the back button: paging goes on.
    QCursor::setPos(bar.mapToGlobal(QPoint(-50, 30)));
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(50, 8));
    EXPECT_EQ(bar.DragZone(), kBackTrack);
    EXPECT_EQ(bar.ScrollPos(), 600.0f);
    for (int i = 0; i < 5; ++i) bar.TimerTick();
    EXPECT_EQ(bar.ScrollPos(), 0.0f);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(50, 8));
}

TEST_F(RangeBarTest, HotZoneFollowsThePointerAndEndsOnLeave) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1200, 0);
    bar.show();
    QTest::mouseMove(&bar, QPoint(600, 12));
    EXPECT_EQ(bar.HotZone(), kForwardTrack);
    EXPECT_EQ(bar.TimerMode(), TBarTimerMode::tmHotTrack);
    EXPECT_TRUE(bar.RepeatTimer().isActive());
    QTest::mouseMove(&bar, QPoint(100, 12));
    EXPECT_EQ(bar.HotZone(), kHandle);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&bar, &leave);
    EXPECT_EQ(bar.HotZone(), kNone);
    EXPECT_FALSE(bar.RepeatTimer().isActive());

    // A disabled bar tracks nothing.
    bar.setEnabled(false);
    QTest::mouseMove(&bar, QPoint(600, 12));
    EXPECT_EQ(bar.HotZone(), kNone);
}

TEST_F(RangeBarTest, ThrowingHandlerLeavesNoUserChangeBehind) {
    TCustomRangeBar bar;
    MakeButtonBar(bar);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(195, 8));
    bar.OnUserChange = [](TArrowBar*) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(bar.TimerTick(), std::runtime_error);
    EXPECT_FALSE(bar.UserInitiated());
    int changes = 0;
    bar.OnUserChange = nullptr;
    bar.OnChange = [&](TArrowBar* s) {
        ++changes;
        EXPECT_FALSE(s->UserInitiated());
    };
    bar.SetScrollPos(100.0f);
    EXPECT_EQ(changes, 1);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(195, 8));
}

TEST_F(RangeBarTest, AccessForwardsToBothBars) {
    TCustomRangeBar horz, vert;
    TArrowBarAccess access;
    access.SetPrimaryBar(&horz);
    access.SetColor(14473945);
    access.SetStyle(TRBStyle::rbsMac);
    access.SetShowArrows(false);
    EXPECT_EQ(horz.Color(), 14473945);
    EXPECT_EQ(access.Style(), TRBStyle::rbsMac);
    access.SetSecondaryBar(&vert);
    access.SetHandleColor(9134928);
    access.SetBackgnd(TRBBackgnd::bgSolid);
    access.SetButtonSize(20);
    EXPECT_EQ(horz.HandleColor(), 9134928);
    EXPECT_EQ(vert.HandleColor(), 9134928);
    EXPECT_EQ(vert.Backgnd(), TRBBackgnd::bgSolid);
    EXPECT_EQ(vert.ButtonSize(), 20);
    EXPECT_EQ(vert.Color(), clScrollBar);  // set before the secondary bar was attached
    vert.SetBorderColor(255);
    EXPECT_EQ(access.BorderColor(), clWindowFrame);  // reads the primary bar
}

// ---------------------------------------------------------------- pixels

QImage Grab(TArrowBar& bar) { return bar.grab().toImage().convertToFormat(QImage::Format_ARGB32); }

constexpr TColor32 kBorder = Color32(0x50, 0x63, 0x8B);   // 9134928
constexpr TColor32 kColor = Color32(0xD9, 0xDA, 0xDC);    // 14473945
constexpr TColor32 kWhite = Color32(255, 255, 255);       // clBtnHighlight of the classic scheme
constexpr TColor32 kLight = Color32(0x68, 0x7B, 0xA3);    // shade(border, +24)
constexpr TColor32 kDark = Color32(0x38, 0x4B, 0x73);     // shade(border, -24)
constexpr TColor32 kBevelDark = Color32(79, 98, 138);     // (c*96 + c*159) div 256
// mix(border, mix(white, colour, 127), 32): inner mix (235, 235, 236), then (214, 217, 222).
constexpr TColor32 kTrackShadow = Color32(214, 217, 222);

TEST_F(RangeBarTest, FlatHandleAndTrackPixels) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetSizes(1200, 0);
    bar.SetScrollPos(445.0f);  // handle 280..755, back track 0..280
    QImage img = Grab(bar);
    ASSERT_EQ(img.size(), QSize(755, 25));
    // Handle: frame, bevel (bottom-left corner light, top-right corner dark), fill.
    EXPECT_EQ(img.pixel(280, 12), kBorder);
    EXPECT_EQ(img.pixel(500, 0), kBorder);
    EXPECT_EQ(img.pixel(500, 24), kBorder);
    EXPECT_EQ(img.pixel(754, 12), kBorder);
    EXPECT_EQ(img.pixel(281, 12), kLight);
    EXPECT_EQ(img.pixel(500, 1), kLight);
    EXPECT_EQ(img.pixel(281, 23), kLight);
    EXPECT_EQ(img.pixel(753, 1), kBevelDark);
    EXPECT_EQ(img.pixel(753, 12), kBevelDark);
    EXPECT_EQ(img.pixel(500, 23), kBevelDark);
    EXPECT_EQ(img.pixel(500, 12), kBorder);  // fill in HandleColor
    EXPECT_EQ(img.pixel(517, 12), kBorder);  // no grip
    // Back track: border lines top, bottom and left (none towards the handle), shadow line left and
    // top, then the checker aligned to the bar.
    EXPECT_EQ(img.pixel(0, 12), kBorder);
    EXPECT_EQ(img.pixel(100, 0), kBorder);
    EXPECT_EQ(img.pixel(279, 24), kBorder);
    EXPECT_EQ(img.pixel(1, 12), kTrackShadow);
    EXPECT_EQ(img.pixel(100, 1), kTrackShadow);
    EXPECT_EQ(img.pixel(279, 1), kTrackShadow);
    EXPECT_EQ(img.pixel(2, 2), kColor);
    EXPECT_EQ(img.pixel(3, 2), kWhite);
    EXPECT_EQ(img.pixel(278, 23), kWhite);
    EXPECT_EQ(img.pixel(279, 23), kColor);  // the side facing the handle has no line

    // Handle at the start: the forward track has no left line and its shadow only on top.
    bar.SetScrollPos(0.0f);
    img = Grab(bar);
    EXPECT_EQ(img.pixel(0, 12), kBorder);     // handle frame
    EXPECT_EQ(img.pixel(474, 12), kBorder);
    EXPECT_EQ(img.pixel(475, 0), kBorder);    // track top line
    EXPECT_EQ(img.pixel(754, 12), kBorder);   // track right line
    EXPECT_EQ(img.pixel(475, 1), kTrackShadow);
    EXPECT_EQ(img.pixel(475, 2), kWhite);
    EXPECT_EQ(img.pixel(476, 2), kColor);
    EXPECT_EQ(img.pixel(753, 23), kColor);

    // Solid background: no checker.
    bar.SetBackgnd(TRBBackgnd::bgSolid);
    img = Grab(bar);
    EXPECT_EQ(img.pixel(475, 2), kColor);
}

TEST_F(RangeBarTest, FlatHandlePushedAndWithGrip) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetShowHandleGrip(true);
    bar.SetSizes(1200, 0);
    bar.SetScrollPos(445.0f);
    bar.show();
    // Inside the frame and bevel the handle spans 282..753 x 2..23; its middle is 517.
    QImage img = Grab(bar);
    for (int x : {512, 515, 518, 521}) {
        EXPECT_EQ(img.pixel(x, 12), kLight) << x;
        EXPECT_EQ(img.pixel(x + 1, 12), kDark) << x;
        EXPECT_EQ(img.pixel(x, 3), kLight) << x;
        EXPECT_EQ(img.pixel(x, 21), kLight) << x;
        EXPECT_EQ(img.pixel(x, 2), kBorder) << x;   // one pixel short at each end
        EXPECT_EQ(img.pixel(x, 22), kBorder) << x;
    }
    EXPECT_EQ(img.pixel(511, 12), kBorder);
    EXPECT_EQ(img.pixel(523, 12), kBorder);

    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(600, 12));
    img = Grab(bar);
    EXPECT_EQ(img.pixel(281, 12), kDark);       // pushed bevel: dark, then the handle colour
    EXPECT_EQ(img.pixel(500, 1), kDark);
    EXPECT_EQ(img.pixel(753, 12), kBorder);
    EXPECT_EQ(img.pixel(513, 12), kLight);      // ridges one pixel right and down
    EXPECT_EQ(img.pixel(514, 12), kDark);
    EXPECT_EQ(img.pixel(513, 3), kBorder);
    EXPECT_EQ(img.pixel(513, 4), kLight);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(600, 12));
}

TEST_F(RangeBarTest, FlatDisabledTrackAndSunkenBorder) {
    TCustomRangeBar bar;
    MakeItemViewBar(bar);
    bar.SetShadowColor(255);  // red, to tell it from the border colour
    bar.SetBorderStyle(TBorderStyle::bsSingle);
    bar.resize(757, 27);
    bar.SetSizes(700, 0);
    QImage img = Grab(bar);
    EXPECT_EQ(img.pixel(0, 0), Color32(128, 128, 128));  // sunken frame: shadow top and left
    EXPECT_EQ(img.pixel(0, 13), Color32(128, 128, 128));
    EXPECT_EQ(img.pixel(756, 26), kWhite);               // highlight bottom and right
    EXPECT_EQ(img.pixel(756, 0), kWhite);
    EXPECT_EQ(img.pixel(1, 13), Color32(255, 0, 0));     // disabled: lines in the shadow colour
    EXPECT_EQ(img.pixel(100, 13), kColor);               // filled with ButtonColor
}

TEST_F(RangeBarTest, ScreenshotsOfBothStyles) {
    for (TRBStyle style : {TRBStyle::rbsMac, TRBStyle::rbsDefault}) {
        TCustomRangeBar vbar;
        vbar.SetStyle(style);
        vbar.SetKind(TScrollBarKind::sbVertical);
        vbar.resize(20, 200);
        vbar.SetSizes(600, 0);
        vbar.SetScrollPos(100.0f);
        vbar.show();
        QTest::mousePress(&vbar, Qt::LeftButton, {}, QPoint(8, 190));  // pushed forward button
        EXPECT_TRUE(Grab(vbar).save(style == TRBStyle::rbsMac ? "/tmp/velmora_range_bar_mac_v.png"
                                                               : "/tmp/velmora_range_bar_default_v.png"));
        QTest::mouseRelease(&vbar, Qt::LeftButton, {}, QPoint(8, 190));

        TCustomRangeBar bar;
        bar.SetStyle(style);
        bar.resize(300, 20);
        bar.SetSizes(900, 0);
        bar.SetScrollPos(250.0f);
        bar.show();
        QImage img = Grab(bar);
        QString path = style == TRBStyle::rbsMac ? "/tmp/velmora_range_bar_mac.png" : "/tmp/velmora_range_bar_default.png";
        EXPECT_TRUE(img.save(path));
        // The handle is there, with an outline that differs from its middle.
        TRect h = bar.HandleRect();
        ASSERT_FALSE(h.IsEmpty());
        EXPECT_NE(img.pixel(1 + h.Right - 1, 10), img.pixel(1 + (h.Left + h.Right) / 2 + 7, 10));
    }
}

}  // namespace
}  // namespace velmora
