// Drawing primitives of TBitmap32: which pixels each one touches, with which colour, what it
// reports, and how the dash pattern runs on across lines, clipping and outlines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "raster/bitmap32.h"
#include "raster/blend.h"
#include "raster/color32.h"

namespace velmora {
namespace {

constexpr TColor32 White = 0xFFFFFFFFu;
constexpr TColor32 Black = 0xFF000000u;
constexpr TColor32 Back = 0xFF204060u;      // opaque background
constexpr TColor32 Glass = 0x00336699u;     // fully transparent background
constexpr TColor32 HalfRed = 0x80FF0000u;   // translucent foreground

// Eight opaque colours, distinct in every channel, to tell pattern entries apart.
const TArrayOfColor32 Eight = {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u,
                               0xFF000005u, 0xFF000006u, 0xFF000007u, 0xFF000008u};

std::string Show(const TRect& r) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "(%d,%d,%d,%d)", r.Left, r.Top, r.Right, r.Bottom);
    return buf;
}

// A bitmap filled with one colour whose area notifications are recorded.
struct Canvas {
    TBitmap32 bmp;
    std::vector<TRect> areas;
    int badInfo = 0;

    Canvas(int w, int h, TColor32 fill = Back) {
        bmp.SetDimensions(w, h);
        bmp.FillAll(fill);
        bmp.OnAreaChanged = [this](TNotifiablePersistent*, const TRect& a, uint32_t info) {
            areas.push_back(a);
            if (info != AreaInfoRectangle) ++badInfo;
        };
    }
    std::vector<TColor32> Pixels() const {
        return std::vector<TColor32>(bmp.PixelData(), bmp.PixelData() + bmp.Width() * bmp.Height());
    }
    // Pixels that differ from `before`, as (x, y) pairs.
    std::vector<TPoint> Changed(const std::vector<TColor32>& before) const {
        std::vector<TPoint> out;
        for (int y = 0; y < bmp.Height(); ++y)
            for (int x = 0; x < bmp.Width(); ++x)
                if (bmp.PixelAt(x, y) != before[size_t(y) * bmp.Width() + x]) out.push_back({x, y});
        return out;
    }
};

// Records which pattern entry lands on each pixel, in drawing order, from pixels that start at 0.
std::vector<std::pair<TPoint, TColor32>> DrawOrder(const TBitmap32& bmp) {
    std::vector<std::pair<TPoint, TColor32>> out;
    for (int y = 0; y < bmp.Height(); ++y)
        for (int x = 0; x < bmp.Width(); ++x)
            if (bmp.PixelAt(x, y) != 0) out.push_back({{x, y}, bmp.PixelAt(x, y)});
    std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.second < b.second; });
    return out;
}

class Primitives : public ::testing::TestWithParam<BlendVariant> {
protected:
    Primitives() : FVariant(GetParam()) {}
    BlendVariantScope FVariant;
};

std::string VariantName(const ::testing::TestParamInfo<BlendVariant>& info) {
    return info.param == BlendVariant::Vector ? "Vector" : "Portable";
}

// ---- pixel access ------------------------------------------------------------------------------

TEST_P(Primitives, PixelAccessAddressesRowsWithoutGaps) {
    Canvas c(7, 5);
    EXPECT_EQ(c.bmp.RowStart(0), c.bmp.PixelData());
    EXPECT_EQ(c.bmp.RowStart(3), c.bmp.PixelData() + 21);
    EXPECT_EQ(c.bmp.PixelAddress(6, 4), c.bmp.PixelData() + 34);
    c.bmp.PixelData()[2 * 7 + 5] = 0x12345678u;
    EXPECT_EQ(c.bmp.PixelAt(5, 2), 0x12345678u);
    const TBitmap32& cb = c.bmp;
    EXPECT_EQ(cb.PixelAddress(5, 2), c.bmp.PixelAddress(5, 2));
}

// ---- blended lines -----------------------------------------------------------------------------

TEST_P(Primitives, HorzLineOrdersItsEndsAndReportsTheLastPixelAsRightEdge) {
    Canvas c(32, 16);
    const auto before = c.Pixels();
    c.bmp.BlendHorzLine(10, 5, 2, HalfRed);
    const auto changed = c.Changed(before);
    ASSERT_EQ(changed.size(), 9u);
    for (const TPoint& p : changed) {
        EXPECT_EQ(p.Y, 5);
        EXPECT_GE(p.X, 2);
        EXPECT_LE(p.X, 10);
    }
    TColor32 expected = Back;
    BlendInto(HalfRed, expected);
    for (int x = 2; x <= 10; ++x) EXPECT_EQ(c.bmp.PixelAt(x, 5), expected) << x;
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0], (TRect{2, 5, 10, 6})) << Show(c.areas[0]);
    EXPECT_EQ(c.badInfo, 0);
}

TEST_P(Primitives, VertLineMirrorsTheHorizontalOne) {
    Canvas c(16, 32);
    const auto before = c.Pixels();
    c.bmp.BlendVertLine(5, 10, 2, HalfRed);
    const auto changed = c.Changed(before);
    ASSERT_EQ(changed.size(), 9u);
    for (const TPoint& p : changed) {
        EXPECT_EQ(p.X, 5);
        EXPECT_GE(p.Y, 2);
        EXPECT_LE(p.Y, 10);
    }
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0], (TRect{5, 2, 6, 10})) << Show(c.areas[0]);
}

TEST_P(Primitives, LinesAreCutToTheClipAndReportOnlyWhatTheyDraw) {
    Canvas c(20, 12);
    c.bmp.SetClipBounds(TRect{3, 2, 8, 6});
    const auto before = c.Pixels();

    c.bmp.BlendHorzLine(-5, 3, 40, HalfRed);
    c.bmp.BlendVertLine(4, 30, -30, HalfRed);
    ASSERT_EQ(c.areas.size(), 2u);
    EXPECT_EQ(c.areas[0], (TRect{3, 3, 7, 4})) << Show(c.areas[0]);
    EXPECT_EQ(c.areas[1], (TRect{4, 2, 5, 5})) << Show(c.areas[1]);
    EXPECT_EQ(c.Changed(before).size(), 5u + 4u - 1u);

    // Outside the clip on the cross axis, or wholly beside it: nothing at all.
    c.areas.clear();
    const auto mid = c.Pixels();
    c.bmp.BlendHorzLine(0, 1, 19, HalfRed);
    c.bmp.BlendHorzLine(0, 6, 19, HalfRed);
    c.bmp.BlendHorzLine(0, 4, 2, HalfRed);
    c.bmp.BlendHorzLine(8, 4, 19, HalfRed);
    c.bmp.BlendVertLine(2, 0, 11, HalfRed);
    c.bmp.BlendVertLine(8, 0, 11, HalfRed);
    c.bmp.BlendVertLine(5, 6, 11, HalfRed);
    EXPECT_TRUE(c.areas.empty());
    EXPECT_TRUE(c.Changed(mid).empty());
}

TEST_P(Primitives, TransparentLineChangesNothingButStillReports) {
    Canvas c(16, 8);
    const auto before = c.Pixels();
    c.bmp.BlendHorzLine(1, 2, 9, 0x00FFFFFFu);
    c.bmp.BlendVertLine(3, 0, 7, 0x00FFFFFFu);
    EXPECT_TRUE(c.Changed(before).empty());
    ASSERT_EQ(c.areas.size(), 2u);
    EXPECT_EQ(c.areas[0], (TRect{1, 2, 9, 3}));
    EXPECT_EQ(c.areas[1], (TRect{3, 0, 4, 7}));
}

TEST_P(Primitives, CombineModeChoosesBetweenBlendAndMerge) {
    // Over a fully transparent background a merge keeps the foreground whole, a blend does not.
    Canvas blend(8, 4, Glass);
    Canvas merge(8, 4, Glass);
    merge.bmp.SetCombineMode(TCombineMode::cmMerge);
    blend.bmp.BlendHorzLine(0, 1, 7, HalfRed);
    merge.bmp.BlendHorzLine(0, 1, 7, HalfRed);
    merge.bmp.BlendPixelAt(0, 3, HalfRed);
    merge.bmp.BlendVertRun(7, 2, 3, HalfRed);
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(merge.bmp.PixelAt(x, 1), HalfRed);
        EXPECT_NE(blend.bmp.PixelAt(x, 1), HalfRed);
    }
    EXPECT_EQ(merge.bmp.PixelAt(0, 3), HalfRed);
    EXPECT_EQ(merge.bmp.PixelAt(7, 2), HalfRed);
    EXPECT_EQ(merge.bmp.PixelAt(7, 3), HalfRed);
    EXPECT_EQ(merge.bmp.PixelAt(6, 3), Glass);

    // Two half-transparent colours merge into a more opaque one.
    Canvas half(2, 1, 0x8000FF00u);
    half.bmp.SetCombineMode(TCombineMode::cmMerge);
    half.bmp.BlendPixelAt(0, 0, HalfRed);
    EXPECT_EQ(AlphaOf(half.bmp.PixelAt(0, 0)), 192);
    EXPECT_EQ(half.bmp.PixelAt(1, 0), 0x8000FF00u);
}

TEST_P(Primitives, RunsBlendEachPixelOnceAndStopOnReversedEnds) {
    Canvas c(10, 10);
    const auto before = c.Pixels();
    c.bmp.BlendHorzRun(5, 1, 4, HalfRed);
    c.bmp.BlendVertRun(1, 5, 4, HalfRed);
    EXPECT_TRUE(c.Changed(before).empty());
    c.bmp.BlendHorzRun(2, 1, 2, HalfRed);
    c.bmp.BlendVertRun(9, 0, 9, HalfRed);
    TColor32 once = Back;
    BlendInto(HalfRed, once);
    EXPECT_EQ(c.bmp.PixelAt(2, 1), once);
    for (int y = 0; y < 10; ++y) EXPECT_EQ(c.bmp.PixelAt(9, y), once) << y;
    EXPECT_EQ(c.Changed(before).size(), 11u);
    EXPECT_TRUE(c.areas.empty());
}

TEST_P(Primitives, MeasuringLinesReportsTheirUnclippedEndsAndDrawsNothing) {
    Canvas c(16, 8);
    c.bmp.SetClipBounds(TRect{2, 2, 6, 6});
    std::vector<TRect> measured;
    const auto before = c.Pixels();
    {
        TMeasureScope scope(c.bmp, [&](TNotifiablePersistent*, const TRect& a, uint32_t) { measured.push_back(a); });
        c.bmp.BlendHorzLine(12, 7, 0, HalfRed);
        c.bmp.BlendVertLine(14, 1, 30, HalfRed);
        c.bmp.BlendPixelAt(3, 3, HalfRed);
        c.bmp.BlendHorzRun(0, 0, 15, HalfRed);
    }
    EXPECT_TRUE(c.Changed(before).empty());
    EXPECT_TRUE(c.areas.empty());
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0], (TRect{12, 7, 0, 8}));
    EXPECT_EQ(measured[1], (TRect{14, 1, 15, 30}));
}

TEST_P(Primitives, RandomLinesNeverTouchPixelsOutsideTheClip) {
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(-12, 30);
    for (int round = 0; round < 200; ++round) {
        Canvas c(17, 13);
        int l = coord(rng), t = coord(rng), r = coord(rng), b = coord(rng);
        c.bmp.SetClipBounds(TRect{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)});
        c.bmp.SetCombineMode(round % 2 ? TCombineMode::cmMerge : TCombineMode::cmBlend);
        c.bmp.SetDashPattern(Eight);
        const TRect clip = c.bmp.ClipBounds();
        const auto before = c.Pixels();
        const int kind = round % 5;
        const int a = coord(rng), p = coord(rng), q = coord(rng), z = coord(rng);
        switch (kind) {
            case 0: c.bmp.BlendHorzLine(a, p, q, HalfRed); break;
            case 1: c.bmp.BlendVertLine(a, p, q, HalfRed); break;
            case 2: c.bmp.DashedHorzLine(a, p, q); break;
            case 3: c.bmp.DashedVertLine(a, p, q); break;
            default: c.bmp.OutlineRect(a, p, q, z, HalfRed); break;
        }
        for (const TPoint& pt : c.Changed(before))
            ASSERT_TRUE(clip.Contains(pt.X, pt.Y)) << "kind " << kind << " drew (" << pt.X << "," << pt.Y
                                                  << ") outside " << Show(clip);
    }
}

// ---- dash pattern ------------------------------------------------------------------------------

TEST_P(Primitives, EmptyPatternGivesOpaqueBlackAndKeepsThePhase) {
    TBitmap32 bmp;
    bmp.DashPhase = 2.75f;
    EXPECT_EQ(bmp.NextDashColor(), 0xFF000000u);
    EXPECT_EQ(bmp.DashPhase, 2.75f);
    bmp.AdvanceDash(3.0f);
    EXPECT_EQ(bmp.DashPhase, 2.75f);
}

TEST_P(Primitives, SetDashPatternCopiesThePatternAndRestartsIt) {
    TBitmap32 bmp;
    TArrayOfColor32 pattern = {White, Black};
    bmp.DashPhase = 1.0f;
    bmp.SetDashPattern(pattern);
    pattern[0] = 0xFF123456u;
    EXPECT_EQ(bmp.DashPhase, 0.0f);
    EXPECT_EQ(bmp.NextDashColor(), White);
    EXPECT_EQ(bmp.NextDashColor(), Black);
    EXPECT_EQ(bmp.DashPhase, 2.0f);
    EXPECT_EQ(bmp.NextDashColor(), White);
}

TEST_P(Primitives, IntegralPhasesGiveTheirEntryWhole) {
    // Odd phases round down one entry and take the next one at full weight; that must give the
    // entry exactly in both variants, also on translucent entries.
    TBitmap32 bmp;
    const TArrayOfColor32 pattern = {0x80FF0000u, 0x4000FF00u, 0xFF0000FFu, 0x00FFFFFFu, 0xC0808080u};
    bmp.SetDashPattern(pattern);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(bmp.NextDashColor(), pattern[i % 5]) << "pixel " << i;
}

TEST_P(Primitives, FractionalPhasesMixNeighbouringEntries) {
    TBitmap32 bmp;
    bmp.SetDashPattern({White, Black});
    bmp.DashStep = 0.5f;
    EXPECT_EQ(bmp.NextDashColor(), White);          // phase 0
    EXPECT_EQ(bmp.NextDashColor(), 0xFF7F7F7Fu);    // phase 0.5: weight 127 for white
    EXPECT_EQ(bmp.NextDashColor(), Black);          // phase 1
    EXPECT_EQ(bmp.NextDashColor(), MixColors(Black, White, 127));  // phase 1.5 wraps to white
    EXPECT_EQ(bmp.NextDashColor(), White);          // phase 2 wraps to 0
    EXPECT_FLOAT_EQ(bmp.DashPhase, 0.5f);
}

TEST_P(Primitives, AdvanceDashWrapsIntoThePatternBothWays) {
    TBitmap32 bmp;
    bmp.SetDashPattern({1, 2, 3});
    bmp.AdvanceDash(7.0f);
    EXPECT_EQ(bmp.DashPhase, 1.0f);
    bmp.AdvanceDash(-2.0f);
    EXPECT_EQ(bmp.DashPhase, 2.0f);
    bmp.DashStep = 0.5f;
    bmp.AdvanceDash(3.0f);
    EXPECT_EQ(bmp.DashPhase, 0.5f);
    bmp.DashStep = 0.0f;
    bmp.AdvanceDash(3.0f);
    EXPECT_EQ(bmp.DashPhase, 0.5f);
}

TEST_P(Primitives, HostilePhasesStayInsideThePattern) {
    // Callers write DashPhase directly; whatever they write, the next colour is one of the
    // pattern's own and the phase is usable afterwards.
    const float hostile[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity(), 1e30f, -1e30f, -1e-9f, 2.0f, -2.0f};
    for (float phase : hostile) {
        TBitmap32 bmp;
        bmp.SetDashPattern({White, Black});
        bmp.DashPhase = phase;
        const TColor32 c = bmp.NextDashColor();
        EXPECT_TRUE(c == White || c == Black) << phase << " gave " << std::hex << c;
        EXPECT_TRUE(std::isfinite(bmp.DashPhase)) << phase;
        EXPECT_GE(bmp.DashPhase, 0.0f);
        EXPECT_LE(bmp.DashPhase, 3.0f);
    }
    // A phase that wraps to the pattern's length in single precision means its start.
    TBitmap32 bmp;
    bmp.SetDashPattern({White, Black});
    bmp.DashPhase = -1e-9f;
    EXPECT_EQ(bmp.NextDashColor(), White);
}

// ---- dashed lines ------------------------------------------------------------------------------

TEST_P(Primitives, DashedLineRunsOnIntoTheNextLine) {
    Canvas c(8, 4);
    c.bmp.SetDashPattern({White, Black});
    c.bmp.DashedHorzLine(0, 0, 4);
    const TColor32 row0[] = {White, Black, White, Black, White};
    for (int x = 0; x < 5; ++x) EXPECT_EQ(c.bmp.PixelAt(x, 0), row0[x]) << x;
    EXPECT_EQ(c.bmp.PixelAt(5, 0), Back);
    c.bmp.DashedVertLine(7, 0, 2);
    EXPECT_EQ(c.bmp.PixelAt(7, 0), Black);
    EXPECT_EQ(c.bmp.PixelAt(7, 1), White);
    EXPECT_EQ(c.bmp.PixelAt(7, 2), Black);
    ASSERT_EQ(c.areas.size(), 2u);
    EXPECT_EQ(c.areas[0], (TRect{0, 0, 4, 1}));
    EXPECT_EQ(c.areas[1], (TRect{7, 0, 8, 2}));
}

TEST_P(Primitives, DashedLineDrawsFromItsFirstEndAndReportsInThatOrder) {
    Canvas c(8, 8, 0);
    c.bmp.SetDashPattern(Eight);
    c.bmp.DashedHorzLine(5, 1, 2);
    c.bmp.DashedVertLine(0, 7, 5);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c.bmp.PixelAt(5 - i, 1), Eight[i]);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(c.bmp.PixelAt(0, 7 - i), Eight[4 + i]);
    ASSERT_EQ(c.areas.size(), 2u);
    EXPECT_EQ(c.areas[0], (TRect{5, 1, 2, 2}));
    EXPECT_EQ(c.areas[1], (TRect{0, 7, 1, 5}));
}

TEST_P(Primitives, DashedLineOutsideTheClipMovesThePhaseByItsLength) {
    Canvas c(20, 20);
    c.bmp.SetClipBounds(TRect{5, 5, 10, 10});
    c.bmp.SetDashPattern(Eight);
    const auto before = c.Pixels();
    c.bmp.DashedHorzLine(0, 2, 2);   // above the clip: 3 pixels
    EXPECT_EQ(c.bmp.DashPhase, 3.0f);
    c.bmp.DashedHorzLine(12, 7, 10);  // right of it, drawn leftwards: 3 pixels
    EXPECT_EQ(c.bmp.DashPhase, 6.0f);
    c.bmp.DashedVertLine(4, 0, 19);   // left of it: 20 pixels, wrapping
    EXPECT_EQ(c.bmp.DashPhase, 2.0f);
    c.bmp.DashedVertLine(7, 0, 4);    // above it: 5 pixels
    EXPECT_EQ(c.bmp.DashPhase, 7.0f);
    EXPECT_TRUE(c.Changed(before).empty());
    EXPECT_TRUE(c.areas.empty());
}

TEST_P(Primitives, DashedLineAcrossAnEmptyClipDrawsNothing) {
    // A clip of no width at the bitmap's right edge, or of no height at its bottom: a line
    // crossing it must not be turned round to start just past the edge.
    Canvas c(10, 6, 0);
    c.bmp.SetDashPattern(Eight);
    const auto before = c.Pixels();
    c.bmp.SetClipBounds(TRect{10, 0, 20, 6});
    ASSERT_EQ(c.bmp.ClipBounds(), (TRect{10, 0, 10, 6}));
    c.bmp.DashedHorzLine(0, 2, 14);
    EXPECT_EQ(c.bmp.DashPhase, 7.0f);
    c.bmp.SetClipBounds(TRect{0, 6, 10, 9});
    ASSERT_EQ(c.bmp.ClipBounds(), (TRect{0, 6, 10, 6}));
    c.bmp.DashedVertLine(3, 0, 8);
    EXPECT_EQ(c.bmp.DashPhase, 0.0f);
    c.bmp.BlendHorzLine(0, 2, 14, White);
    c.bmp.OutlineRect(0, 0, 10, 9, White);
    EXPECT_TRUE(c.Changed(before).empty());
    EXPECT_TRUE(c.areas.empty());
}

TEST_P(Primitives, ClippedDashedLinesShowThePatternWhereTheUnclippedOnesWould) {
    // Drawn pixels and the phase afterwards match the unclipped line, for random clips, ends,
    // directions, starting phases and steps that are exact in single precision.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> coord(-6, 26), clipCoord(0, 20), start(0, 15);
    const float steps[] = {1.0f, 0.5f, 0.25f, 2.0f};
    for (int round = 0; round < 300; ++round) {
        const bool vertical = round % 2;
        const float step = steps[(round / 2) % 4];
        const int a = coord(rng), b = coord(rng), across = clipCoord(rng);
        const float phase = start(rng) * 0.5f;
        int l = clipCoord(rng), r = clipCoord(rng), t = clipCoord(rng), bt = clipCoord(rng);

        Canvas full(20, 20, 0), cut(20, 20, 0);
        cut.bmp.SetClipBounds(TRect{std::min(l, r), std::min(t, bt), std::max(l, r), std::max(t, bt)});
        for (Canvas* c : {&full, &cut}) {
            c->bmp.SetDashPattern(Eight);
            c->bmp.DashPhase = phase;
            c->bmp.DashStep = step;
            // The unclipped line is still kept to its bitmap, which is the whole picture here.
            if (vertical) c->bmp.DashedVertLine(across, a, b);
            else c->bmp.DashedHorzLine(a, across, b);
        }
        const TRect clip = cut.bmp.ClipBounds();
        SCOPED_TRACE("round " + std::to_string(round) + " clip " + Show(clip));
        // Drawing wraps the phase lazily, skipping wraps it at once: compare within the pattern.
        ASSERT_EQ(std::fmod(cut.bmp.DashPhase, 8.0f), std::fmod(full.bmp.DashPhase, 8.0f))
            << a << ".." << b << " at " << across;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(cut.bmp.PixelAt(x, y), clip.Contains(x, y) ? full.bmp.PixelAt(x, y) : 0u) << x << "," << y;
    }
}

TEST_P(Primitives, MeasuringADashedLineReportsItsWholeLengthAndKeepsThePhase) {
    Canvas c(10, 10);
    c.bmp.SetClipBounds(TRect{2, 2, 4, 4});
    c.bmp.SetDashPattern(Eight);
    c.bmp.DashPhase = 3.0f;
    std::vector<TRect> measured;
    const auto before = c.Pixels();
    {
        TMeasureScope scope(c.bmp, [&](TNotifiablePersistent*, const TRect& a, uint32_t) { measured.push_back(a); });
        c.bmp.DashedHorzLine(-4, 3, 30);
        c.bmp.DashedVertLine(3, 9, -1);
        c.bmp.DashedOutlineRect(1, 1, 9, 9);
    }
    EXPECT_EQ(c.bmp.DashPhase, 3.0f);
    EXPECT_TRUE(c.Changed(before).empty());
    EXPECT_TRUE(c.areas.empty());
    ASSERT_EQ(measured.size(), 6u);
    EXPECT_EQ(measured[0], (TRect{-4, 3, 30, 4}));
    EXPECT_EQ(measured[1], (TRect{3, 9, 4, -1}));
    EXPECT_EQ(measured[2], (TRect{1, 1, 7, 2}));  // outline top: 1..7
}

TEST_P(Primitives, DashedLineOnAnEmptyBitmapDoesNothing) {
    TBitmap32 bmp;
    bmp.SetDashPattern(Eight);
    int reports = 0;
    bmp.OnAreaChanged = [&](TNotifiablePersistent*, const TRect&, uint32_t) { ++reports; };
    bmp.DashedHorzLine(0, 0, 5);
    bmp.DashedVertLine(0, 0, 5);
    EXPECT_EQ(bmp.DashPhase, 0.0f);
    EXPECT_EQ(reports, 0);
}

// ---- blocks ------------------------------------------------------------------------------------

TEST_P(Primitives, FillBlockStoresTheValueExactlyInsideTheRectangle) {
    Canvas c(37, 9);  // odd widths so that every fill tail runs
    const auto before = c.Pixels();
    for (int w = 1; w <= 33; w += 4) {
        c.areas.clear();
        const int row = (w / 4) % 9;
        c.bmp.FillBlock(2, row, 2 + w, row + 1, 0x12345678u);
        ASSERT_EQ(c.areas.size(), 1u);
        EXPECT_EQ(c.areas[0], (TRect{2, row, 2 + w, row + 1}));
        for (int x = 0; x < 37; ++x)
            EXPECT_EQ(c.bmp.PixelAt(x, row) == 0x12345678u, x >= 2 && x < 2 + w) << "w " << w << " x " << x;
        c.bmp.FillBlock(0, row, 37, row + 1, Back);
    }
    c.bmp.FillBlock(3, 2, 6, 5, 0x00FFFFFFu);  // alpha 0 is stored as well
    EXPECT_EQ(c.bmp.PixelAt(3, 2), 0x00FFFFFFu);
    EXPECT_EQ(c.bmp.PixelAt(5, 4), 0x00FFFFFFu);
    EXPECT_EQ(c.Changed(before).size(), 9u);
}

TEST_P(Primitives, ReversedBlocksCoverNoPixel) {
    Canvas c(10, 10);
    const auto before = c.Pixels();
    c.bmp.FillBlock(8, 2, 3, 6, White);
    c.bmp.FillBlock(2, 8, 6, 3, White);
    c.bmp.BlendBlock(8, 2, 3, 6, HalfRed);
    c.bmp.FillBlockClipped(8, 2, 3, 6, White);
    c.bmp.BlendBlockClipped(8, 2, 3, 6, HalfRed);
    EXPECT_TRUE(c.Changed(before).empty());
}

TEST_P(Primitives, ClippedFillReportsTwiceWhenDrawnAndOnceWhenNot) {
    Canvas c(12, 12);
    c.bmp.SetClipBounds(TRect{2, 2, 8, 8});
    const auto before = c.Pixels();
    c.bmp.FillBlockClipped(-3, 5, 20, 30, White);
    ASSERT_EQ(c.areas.size(), 2u);
    EXPECT_EQ(c.areas[0], (TRect{2, 5, 8, 8}));
    EXPECT_EQ(c.areas[1], (TRect{2, 5, 8, 8}));
    EXPECT_EQ(c.Changed(before).size(), 18u);

    c.areas.clear();
    const auto mid = c.Pixels();
    c.bmp.FillBlockClipped(8, 0, 12, 12, White);  // touches the clip's right edge only
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0], (TRect{8, 0, 12, 12}));
    EXPECT_TRUE(c.Changed(mid).empty());

    c.areas.clear();
    std::vector<TRect> measured;
    {
        TMeasureScope scope(c.bmp, [&](TNotifiablePersistent*, const TRect& a, uint32_t) { measured.push_back(a); });
        c.bmp.FillBlockClipped(0, 0, 12, 12, Black);
        c.bmp.FillBlock(0, 0, 12, 12, Black);
    }
    EXPECT_TRUE(c.Changed(mid).empty());
    EXPECT_TRUE(c.areas.empty());
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0], (TRect{0, 0, 12, 12}));
    EXPECT_EQ(measured[1], (TRect{0, 0, 12, 12}));
}

TEST_P(Primitives, BlendBlockSkipsTransparentAndStoresOpaqueValues) {
    for (TCombineMode mode : {TCombineMode::cmBlend, TCombineMode::cmMerge}) {
        Canvas c(8, 8, 0x80102030u);
        c.bmp.SetCombineMode(mode);
        c.areas.clear();
        const auto before = c.Pixels();
        c.bmp.BlendBlock(1, 1, 7, 7, 0x00FFFFFFu);
        EXPECT_TRUE(c.Changed(before).empty());
        EXPECT_TRUE(c.areas.empty());
        c.bmp.BlendBlock(2, 3, 5, 4, 0xFFABCDEFu);
        EXPECT_EQ(c.Changed(before).size(), 3u);
        for (int x = 2; x < 5; ++x) EXPECT_EQ(c.bmp.PixelAt(x, 3), 0xFFABCDEFu);
        ASSERT_EQ(c.areas.size(), 1u);
        EXPECT_EQ(c.areas[0], (TRect{2, 3, 5, 4}));
    }
}

TEST_P(Primitives, TranslucentBlocksAndLongLinesBlendOrMergeEachPixelOnce) {
    const TColor32 backs[] = {Back, Glass, 0x80204060u, 0x01FFFFFFu};
    const TColor32 fores[] = {HalfRed, 0x01FFFFFFu, 0x7F00FF00u, 0xFE0000FFu};
    for (TCombineMode mode : {TCombineMode::cmBlend, TCombineMode::cmMerge}) {
        for (TColor32 back : backs) {
            for (TColor32 fore : fores) {
                // Wide enough for long rows to be worked in pieces.
                Canvas c(140, 6, back);
                c.bmp.SetCombineMode(mode);
                c.areas.clear();
                c.bmp.BlendBlock(1, 2, 138, 5, fore);
                c.bmp.BlendHorzLine(0, 0, 130, fore);
                TColor32 expected = back;
                if (mode == TCombineMode::cmMerge) MergeInto(fore, expected);
                else BlendInto(fore, expected);
                for (int y = 0; y < 6; ++y)
                    for (int x = 0; x < 140; ++x) {
                        const bool block = x >= 1 && x < 138 && y >= 2 && y < 5;
                        const bool line = y == 0 && x <= 130;
                        ASSERT_EQ(c.bmp.PixelAt(x, y), block || line ? expected : back)
                            << std::hex << fore << " over " << back << " at " << std::dec << x << "," << y;
                    }
                ASSERT_EQ(c.areas.size(), 2u);
                EXPECT_EQ(c.areas[0], (TRect{1, 2, 138, 5}));
            }
        }
    }
}

TEST_P(Primitives, ClippedBlendBlockKeepsToTheClipAndReportsLikeTheFill) {
    Canvas c(10, 10);
    c.bmp.SetClipBounds(TRect{0, 0, 4, 4});
    const auto before = c.Pixels();
    c.bmp.BlendBlockClipped(2, 2, 10, 10, HalfRed);
    const auto changed = c.Changed(before);
    EXPECT_EQ(changed.size(), 4u);
    for (const TPoint& p : changed) EXPECT_TRUE(c.bmp.ClipBounds().Contains(p.X, p.Y));
    ASSERT_EQ(c.areas.size(), 2u);
    EXPECT_EQ(c.areas[0], (TRect{2, 2, 4, 4}));
    EXPECT_EQ(c.areas[1], (TRect{2, 2, 4, 4}));

    // A transparent value draws nothing and only the closing report remains.
    c.areas.clear();
    c.bmp.BlendBlockClipped(0, 0, 3, 3, 0x00000000u);
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0], (TRect{0, 0, 3, 3}));

    c.areas.clear();
    std::vector<TRect> measured;
    const auto mid = c.Pixels();
    {
        TMeasureScope scope(c.bmp, [&](TNotifiablePersistent*, const TRect& a, uint32_t) { measured.push_back(a); });
        c.bmp.BlendBlockClipped(-1, -1, 20, 20, HalfRed);
        c.bmp.BlendBlock(0, 0, 3, 3, HalfRed);
    }
    EXPECT_TRUE(c.Changed(mid).empty());
    ASSERT_EQ(measured.size(), 2u);
    EXPECT_EQ(measured[0], (TRect{-1, -1, 20, 20}));
    EXPECT_EQ(measured[1], (TRect{0, 0, 3, 3}));
}

// ---- outlines ----------------------------------------------------------------------------------

TEST_P(Primitives, OutlineBlendsEveryBorderPixelExactlyOnce) {
    struct Case { int x1, y1, x2, y2; };
    const Case cases[] = {{1, 1, 6, 5}, {2, 2, 3, 3}, {1, 2, 7, 3}, {4, 1, 5, 7}, {1, 1, 3, 3}, {0, 0, 2, 6}};
    TColor32 once = Back;
    BlendInto(HalfRed, once);
    for (const Case& k : cases) {
        Canvas c(8, 8);
        c.bmp.OutlineRect(k.x1, k.y1, k.x2, k.y2, HalfRed);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= k.x1 && x < k.x2 && y >= k.y1 && y < k.y2;
                const bool border = inside && (x == k.x1 || x == k.x2 - 1 || y == k.y1 || y == k.y2 - 1);
                ASSERT_EQ(c.bmp.PixelAt(x, y), border ? once : Back)
                    << "rect " << Show({k.x1, k.y1, k.x2, k.y2}) << " at " << x << "," << y;
            }
    }
}

TEST_P(Primitives, OutlineOutsideTheClipOrEmptyDrawsNothing) {
    Canvas c(10, 10);
    c.bmp.SetClipBounds(TRect{2, 2, 6, 6});
    const auto before = c.Pixels();
    c.bmp.OutlineRect(6, 0, 9, 9, HalfRed);
    c.bmp.OutlineRect(0, 0, 2, 9, HalfRed);
    c.bmp.OutlineRect(5, 5, 5, 9, HalfRed);
    c.bmp.OutlineRect(0, 0, 9, 2, HalfRed);
    EXPECT_TRUE(c.Changed(before).empty());
    EXPECT_TRUE(c.areas.empty());
    // Partly inside: only its clipped sides, reported per side.
    c.bmp.OutlineRect(0, 3, 10, 10, HalfRed);
    EXPECT_EQ(c.Changed(before).size(), 4u);
    ASSERT_EQ(c.areas.size(), 1u);
    EXPECT_EQ(c.areas[0], (TRect{2, 3, 5, 4}));
}

TEST_P(Primitives, DashedOutlineRunsClockwiseOnceAroundTheSquare) {
    Canvas c(5, 5, 0);
    c.bmp.SetDashPattern(Eight);
    c.bmp.DashedOutlineRect(0, 0, 3, 3);
    const TPoint order[] = {{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}};
    const auto drawn = DrawOrder(c.bmp);
    ASSERT_EQ(drawn.size(), 8u);
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(drawn[i].first, order[i]) << "step " << i;
        EXPECT_EQ(drawn[i].second, Eight[i]);
    }
    EXPECT_EQ(c.bmp.PixelAt(1, 1), 0u);
    EXPECT_EQ(c.bmp.DashPhase, 8.0f);
}

TEST_P(Primitives, DashedOutlineOfOtherShapes) {
    // A 5 x 4 frame: 14 pixels, clockwise from the top-left corner, the phase running on.
    {
        Canvas c(8, 8, 0);
        TArrayOfColor32 many;
        for (uint32_t i = 1; i <= 16; ++i) many.push_back(0xFF000000u | i);
        c.bmp.SetDashPattern(many);
        c.bmp.DashedOutlineRect(1, 2, 6, 6);
        const TPoint order[] = {{1, 2}, {2, 2}, {3, 2}, {4, 2}, {5, 2}, {5, 3}, {5, 4},
                                {5, 5}, {4, 5}, {3, 5}, {2, 5}, {1, 5}, {1, 4}, {1, 3}};
        const auto drawn = DrawOrder(c.bmp);
        ASSERT_EQ(drawn.size(), 14u);
        for (size_t i = 0; i < 14; ++i) EXPECT_EQ(drawn[i].first, order[i]) << "step " << i;
        ASSERT_EQ(c.areas.size(), 4u);
        EXPECT_EQ(c.areas[2], (TRect{5, 5, 2, 6}));  // bottom, right to left
    }
    // A single row, a single column and a single pixel.
    {
        Canvas c(8, 8, 0);
        c.bmp.SetDashPattern(Eight);
        c.bmp.DashedOutlineRect(1, 1, 5, 2);
        c.bmp.DashedOutlineRect(6, 1, 7, 4);
        c.bmp.DashedOutlineRect(3, 6, 4, 7);
        const TPoint order[] = {{1, 1}, {2, 1}, {3, 1}, {4, 1}, {6, 1}, {6, 2}, {6, 3}, {3, 6}};
        const auto drawn = DrawOrder(c.bmp);
        ASSERT_EQ(drawn.size(), 8u);
        for (size_t i = 0; i < 8; ++i) EXPECT_EQ(drawn[i].first, order[i]) << "step " << i;
        ASSERT_EQ(c.areas.size(), 3u);
        EXPECT_EQ(c.areas[2], (TRect{3, 6, 4, 7}));
    }
    // Wholly off the bitmap or empty: nothing, and the phase stays.
    {
        Canvas c(8, 8, 0);
        c.bmp.SetDashPattern(Eight);
        c.bmp.DashedOutlineRect(8, 0, 12, 4);
        c.bmp.DashedOutlineRect(-5, 0, 0, 4);
        c.bmp.DashedOutlineRect(0, 8, 4, 12);
        c.bmp.DashedOutlineRect(2, 2, 2, 6);
        EXPECT_EQ(c.bmp.DashPhase, 0.0f);
        EXPECT_TRUE(DrawOrder(c.bmp).empty());
    }
}

TEST_P(Primitives, DashedOutlineLonePixelHonoursClipAndMeasuring) {
    Canvas c(8, 8, 0);
    c.bmp.SetDashPattern(Eight);
    c.bmp.SetClipBounds(TRect{0, 0, 4, 4});
    c.bmp.DashedOutlineRect(6, 6, 7, 7);
    EXPECT_EQ(c.bmp.PixelAt(6, 6), 0u);
    EXPECT_EQ(c.bmp.DashPhase, 1.0f);
    EXPECT_TRUE(c.areas.empty());

    std::vector<TRect> measured;
    {
        TMeasureScope scope(c.bmp, [&](TNotifiablePersistent*, const TRect& a, uint32_t) { measured.push_back(a); });
        c.bmp.DashedOutlineRect(2, 2, 3, 3);
    }
    EXPECT_EQ(c.bmp.PixelAt(2, 2), 0u);
    EXPECT_EQ(c.bmp.DashPhase, 1.0f);
    ASSERT_EQ(measured.size(), 1u);
    EXPECT_EQ(measured[0], (TRect{2, 2, 3, 3}));

    c.bmp.DashedOutlineRect(2, 2, 3, 3);
    EXPECT_EQ(c.bmp.PixelAt(2, 2), Eight[1]);
    ASSERT_EQ(c.areas.size(), 1u);
}

TEST_P(Primitives, DashedOutlineClippedKeepsThePhaseOfTheWholeFrame) {
    // The clipped frame shows the pattern exactly where the whole frame shows it.
    Canvas full(12, 12, 0), cut(12, 12, 0);
    cut.bmp.SetClipBounds(TRect{3, 0, 8, 6});
    for (Canvas* c : {&full, &cut}) {
        c->bmp.SetDashPattern(Eight);
        c->bmp.DashStep = 0.5f;
        c->bmp.DashedOutlineRect(1, 1, 11, 10);
    }
    EXPECT_EQ(std::fmod(cut.bmp.DashPhase, 8.0f), std::fmod(full.bmp.DashPhase, 8.0f));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(cut.bmp.PixelAt(x, y), cut.bmp.ClipBounds().Contains(x, y) ? full.bmp.PixelAt(x, y) : 0u)
                << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(BothVariants, Primitives, ::testing::Values(BlendVariant::Portable, BlendVariant::Vector),
                         VariantName);

}  // namespace
}  // namespace velmora
