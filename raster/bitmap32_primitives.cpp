// Pixel access and drawing primitives of TBitmap32: single pixels, runs and lines, filled and blended
// blocks, rectangle outlines and dashed lines whose colours come from a repeating pattern.
//
// Blending primitives write through the in-place operation of the bitmap's combine mode, fills store
// plainly. Clipped primitives keep to ClipBounds and report the area they touched; while measuring,
// no primitive touches a pixel.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "raster/bitmap32.h"
#include "raster/blend.h"

namespace velmora {

namespace {

// Stores color into count pixels, four at a time where possible.
void FillPixels(TColor32* dst, int32_t count, TColor32 color) {
    int32_t i = 0;
    const __m128i v = _mm_set1_epi32(static_cast<int>(color));
    for (; i + 8 <= count; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), v);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i + 4), v);
    }
    for (; i + 4 <= count; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), v);
    for (; i < count; ++i) dst[i] = color;
}

// Applies a row operation with a constant source: the row kernels are the fast paths, and a small
// span of the value stands in for the source row.
constexpr int32_t ValueSpan = 64;

template <typename RowOp>
void ApplyToSpan(TColor32 value, TColor32* dst, int32_t count, RowOp rowOp) {
    alignas(16) TColor32 src[ValueSpan];
    std::fill_n(src, std::min(count, ValueSpan), value);
    while (count > 0) {
        const int32_t n = std::min(count, ValueSpan);
        rowOp(src, dst, n);
        dst += n;
        count -= n;
    }
}

}  // namespace

// --- pixel access -------------------------------------------------------------------------------

TColor32* TBitmap32::RowStart(int32_t y) { return FBits + ptrdiff_t(y) * FWidth; }
const TColor32* TBitmap32::RowStart(int32_t y) const { return FBits + ptrdiff_t(y) * FWidth; }
TColor32* TBitmap32::PixelAddress(int32_t x, int32_t y) { return RowStart(y) + x; }
const TColor32* TBitmap32::PixelAddress(int32_t x, int32_t y) const { return RowStart(y) + x; }
TColor32 TBitmap32::PixelAt(int32_t x, int32_t y) const { return *PixelAddress(x, y); }

// --- unclipped blending ---------------------------------------------------------------------------
// A measuring pass may be followed by the real drawing, so measuring must never blend a pixel:
// blending twice would darken it.

void TBitmap32::BlendPixelAt(int32_t x, int32_t y, TColor32 value) {
    if (FMeasureOnly) return;
    const auto run = BlendRunGuard();
    CombineModeDispatch(FCombineMode).Into(value, *PixelAddress(x, y));
}

void TBitmap32::BlendHorzRun(int32_t x1, int32_t y, int32_t x2, TColor32 value) {
    if (FMeasureOnly || x2 < x1) return;
    const auto run = BlendRunGuard();
    ApplyToSpan(value, PixelAddress(x1, y), x2 - x1 + 1, CombineModeDispatch(FCombineMode).Row);
}

void TBitmap32::BlendVertRun(int32_t x, int32_t y1, int32_t y2, TColor32 value) {
    if (FMeasureOnly || y2 < y1) return;
    const auto run = BlendRunGuard();
    const TIntoOp into = CombineModeDispatch(FCombineMode).Into;
    TColor32* p = PixelAddress(x, y1);
    for (int32_t n = y2 - y1; n >= 0; --n, p += FWidth) into(value, *p);
}

// --- clipped lines --------------------------------------------------------------------------------
// The reported right (or bottom) edge is the last pixel drawn, not one past it; area consumers
// have always been given it that way.

void TBitmap32::BlendHorzLine(int32_t x1, int32_t y, int32_t x2, TColor32 value) {
    if (FMeasureOnly) {
        NotifyAreaChanged(TRect{x1, y, x2, y + 1}, AreaInfoRectangle);
        return;
    }
    const TRect& clip = FClipBounds;
    if (y < clip.Top || y >= clip.Bottom) return;
    if (x2 < x1) std::swap(x1, x2);
    x1 = std::max(x1, clip.Left);
    x2 = std::min(x2, clip.Right - 1);
    if (x2 < x1) return;
    BlendHorzRun(x1, y, x2, value);
    NotifyAreaChanged(TRect{x1, y, x2, y + 1}, AreaInfoRectangle);
}

void TBitmap32::BlendVertLine(int32_t x, int32_t y1, int32_t y2, TColor32 value) {
    if (FMeasureOnly) {
        NotifyAreaChanged(TRect{x, y1, x + 1, y2}, AreaInfoRectangle);
        return;
    }
    const TRect& clip = FClipBounds;
    if (x < clip.Left || x >= clip.Right) return;
    if (y2 < y1) std::swap(y1, y2);
    y1 = std::max(y1, clip.Top);
    y2 = std::min(y2, clip.Bottom - 1);
    if (y2 < y1) return;
    BlendVertRun(x, y1, y2, value);
    NotifyAreaChanged(TRect{x, y1, x + 1, y2}, AreaInfoRectangle);
}

// --- dashed lines ---------------------------------------------------------------------------------
// Pixels cut away by the clip still move the phase, so the pattern lies on the line exactly where
// it would without clipping.

namespace {

// Where a dashed line runs along its own axis: from a towards b, kept to lo..hi - 1.
struct DashSpan {
    int32_t From;
    int32_t To;
    int64_t SkippedBefore;
    int64_t SkippedAfter;
};

// False when nothing of the span lies in lo..hi - 1. An empty range must be caught here: a span
// crossing it would otherwise be "clipped" to run from hi back to lo - 1, both outside.
bool ClipDashSpan(int32_t a, int32_t b, int32_t lo, int32_t hi, DashSpan& span) {
    if (lo >= hi || (a < lo && b < lo) || (a >= hi && b >= hi)) return false;
    span = DashSpan{a, b, 0, 0};
    if (a < lo) {
        span.SkippedBefore = int64_t(lo) - a;
        span.From = lo;
    } else if (a >= hi) {
        span.SkippedBefore = int64_t(a) - (hi - 1);
        span.From = hi - 1;
    }
    if (b < lo) {
        span.SkippedAfter = int64_t(lo) - b;
        span.To = lo;
    } else if (b >= hi) {
        span.SkippedAfter = int64_t(b) - (hi - 1);
        span.To = hi - 1;
    }
    return true;
}

int64_t DashLength(int32_t a, int32_t b) { return std::llabs(int64_t(b) - a) + 1; }

}  // namespace

void TBitmap32::DashedHorzLine(int32_t x1, int32_t y, int32_t x2) {
    if (FMeasureOnly) {
        NotifyAreaChanged(TRect{x1, y, x2, y + 1}, AreaInfoRectangle);
        return;
    }
    if (IsEmpty()) return;
    const TRect& clip = FClipBounds;
    DashSpan span;
    if (y < clip.Top || y >= clip.Bottom || !ClipDashSpan(x1, x2, clip.Left, clip.Right, span)) {
        AdvanceDash(static_cast<float>(DashLength(x1, x2)));
        return;
    }
    if (span.SkippedBefore > 0) AdvanceDash(static_cast<float>(span.SkippedBefore));
    {
        const auto run = BlendRunGuard();
        const TIntoOp into = CombineModeDispatch(FCombineMode).Into;
        TColor32* row = RowStart(y);
        const int32_t step = span.From <= span.To ? 1 : -1;
        for (int32_t x = span.From;; x += step) {
            into(NextDashColor(), row[x]);
            if (x == span.To) break;
        }
    }
    NotifyAreaChanged(TRect{span.From, y, span.To, y + 1}, AreaInfoRectangle);
    if (span.SkippedAfter > 0) AdvanceDash(static_cast<float>(span.SkippedAfter));
}

void TBitmap32::DashedVertLine(int32_t x, int32_t y1, int32_t y2) {
    if (FMeasureOnly) {
        NotifyAreaChanged(TRect{x, y1, x + 1, y2}, AreaInfoRectangle);
        return;
    }
    if (IsEmpty()) return;
    const TRect& clip = FClipBounds;
    DashSpan span;
    if (x < clip.Left || x >= clip.Right || !ClipDashSpan(y1, y2, clip.Top, clip.Bottom, span)) {
        AdvanceDash(static_cast<float>(DashLength(y1, y2)));
        return;
    }
    if (span.SkippedBefore > 0) AdvanceDash(static_cast<float>(span.SkippedBefore));
    {
        const auto run = BlendRunGuard();
        const TIntoOp into = CombineModeDispatch(FCombineMode).Into;
        const int32_t step = span.From <= span.To ? 1 : -1;
        for (int32_t y = span.From;; y += step) {
            into(NextDashColor(), *PixelAddress(x, y));
            if (y == span.To) break;
        }
    }
    NotifyAreaChanged(TRect{x, span.From, x + 1, span.To}, AreaInfoRectangle);
    if (span.SkippedAfter > 0) AdvanceDash(static_cast<float>(span.SkippedAfter));
}

// --- blocks ---------------------------------------------------------------------------------------

void TBitmap32::FillBlock(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
    // A reversed rectangle covers no pixel; its negative width must never reach the row fill.
    if (!FMeasureOnly && x2 > x1) {
        const int32_t count = x2 - x1;
        for (int32_t y = y1; y < y2; ++y) FillPixels(PixelAddress(x1, y), count, value);
    }
    NotifyAreaChanged(TRect{x1, y1, x2, y2}, AreaInfoRectangle);
}

namespace {

// Narrows r to the clip bounds; false when nothing of it is drawn.
bool ClipBlock(const TRect& clip, TRect& r) {
    if (r.Left >= r.Right || r.Top >= r.Bottom) return false;
    if (r.Left >= clip.Right || r.Top >= clip.Bottom || r.Right <= clip.Left || r.Bottom <= clip.Top) return false;
    r = TRect{std::max(r.Left, clip.Left), std::max(r.Top, clip.Top), std::min(r.Right, clip.Right),
              std::min(r.Bottom, clip.Bottom)};
    return true;
}

}  // namespace

void TBitmap32::FillBlockClipped(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
    TRect r{x1, y1, x2, y2};
    if (!FMeasureOnly && ClipBlock(FClipBounds, r)) FillBlock(r.Left, r.Top, r.Right, r.Bottom, value);
    NotifyAreaChanged(r, AreaInfoRectangle);
}

void TBitmap32::BlendBlock(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
    const uint32_t alpha = AlphaOf(value);
    if (alpha == 255) {
        FillBlock(x1, y1, x2, y2, value);
        return;
    }
    if (alpha == 0) return;
    const TRect area{x1, y1, x2, y2};
    if (FMeasureOnly) {
        NotifyAreaChanged(area, AreaInfoRectangle);
        return;
    }
    // The area is reported even when a pixel operation is cut short, so a repaint covers what
    // was already changed.
    try {
        const auto run = BlendRunGuard();
        const int32_t count = x2 - x1;
        if (FCombineMode == TCombineMode::cmMerge) {
            const TRowOp merge = CombineModeDispatch(TCombineMode::cmMerge).Row;
            for (int32_t y = y1; y < y2; ++y) ApplyToSpan(value, PixelAddress(x1, y), count, merge);
        } else {
            // Mixing with the value's own alpha as weight is the blend of a translucent value.
            const TMixRowOp mix = ActiveBlendOps().MixRow;
            const auto mixRow = [mix, alpha](const TColor32* src, TColor32* dst, int32_t n) { mix(src, dst, n, alpha); };
            for (int32_t y = y1; y < y2; ++y) ApplyToSpan(value, PixelAddress(x1, y), count, mixRow);
        }
    } catch (...) {
        NotifyAreaChanged(area, AreaInfoRectangle);
        throw;
    }
    NotifyAreaChanged(area, AreaInfoRectangle);
}

void TBitmap32::BlendBlockClipped(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
    TRect r{x1, y1, x2, y2};
    if (!FMeasureOnly && ClipBlock(FClipBounds, r)) BlendBlock(r.Left, r.Top, r.Right, r.Bottom, value);
    NotifyAreaChanged(r, AreaInfoRectangle);
}

// --- outlines -------------------------------------------------------------------------------------

void TBitmap32::OutlineRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, TColor32 value) {
    const TRect& clip = FClipBounds;
    if (x2 <= x1 || y2 <= y1 || x1 >= clip.Right || y1 >= clip.Bottom || x2 <= clip.Left || y2 <= clip.Top) return;
    const int32_t r = x2 - 1;
    const int32_t b = y2 - 1;
    // Each corner belongs to one side only, so a translucent colour is not blended twice there.
    BlendHorzLine(x1, y1, r, value);
    if (y1 < b) BlendHorzLine(x1, b, r, value);
    if (b > y1 + 1) {
        BlendVertLine(x1, y1 + 1, b - 1, value);
        if (r > x1) BlendVertLine(r, y1 + 1, b - 1, value);
    }
}

void TBitmap32::DashedOutlineRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (x1 >= x2 || y1 >= y2 || x1 >= FWidth || y1 >= FHeight || x2 <= 0 || y2 <= 0) return;
    const int32_t r = x2 - 1;
    const int32_t b = y2 - 1;
    if (x1 == r) {
        if (y1 == b) {
            // A lone pixel follows the rules of the dashed lines: nothing drawn while measuring
            // and nothing outside the clip, where it still moves the phase.
            const TRect area{x1, y1, x1 + 1, y1 + 1};
            if (FMeasureOnly) {
                NotifyAreaChanged(area, AreaInfoRectangle);
            } else if (FClipBounds.Contains(x1, y1)) {
                BlendPixelAt(x1, y1, NextDashColor());
                NotifyAreaChanged(area, AreaInfoRectangle);
            } else {
                AdvanceDash(1.0f);
            }
        } else {
            DashedVertLine(x1, y1, b);
        }
        return;
    }
    if (y1 == b) {
        DashedHorzLine(x1, y1, r);
        return;
    }
    // One closed clockwise path; each side stops short of the next corner.
    DashedHorzLine(x1, y1, r - 1);
    DashedVertLine(r, y1, b - 1);
    DashedHorzLine(r, b, x1 + 1);
    DashedVertLine(x1, b, y1 + 1);
}

// --- dash pattern ---------------------------------------------------------------------------------

void TBitmap32::SetDashPattern(const TArrayOfColor32& pattern) {
    DashPhase = 0.0f;
    DashPattern = pattern;
}

void TBitmap32::AdvanceDash(float length) {
    const size_t count = DashPattern.size();
    const float d = length * DashStep;
    if (count == 0 || d == 0.0f) return;
    const float l = static_cast<float>(count);
    float phase = DashPhase + d;
    const float turns = std::floor(phase / l);
    const float whole = l * turns;
    phase = phase - whole;
    DashPhase = phase;
}

TColor32 TBitmap32::NextDashColor() {
    const size_t count = DashPattern.size();
    if (count == 0) return 0xFF000000u;
    const float l = static_cast<float>(count);
    float phase = DashPhase;
    if (!(phase >= 0.0f && phase < l)) {
        // Stepping by whole patterns would never end on an infinite or very large phase, and a
        // NaN would index outside the pattern: wrap exactly with fmod and restart from a NaN.
        if (!std::isfinite(phase)) phase = 0.0f;
        else if (std::fabs(phase) >= 2.0f * l) phase = std::fmod(phase, l);
        while (phase >= l) phase -= l;
        while (phase < 0.0f) phase += l;
        // A tiny negative phase plus the length rounds to the length itself: that is the start.
        if (phase >= l) phase = 0.0f;
    }
    // Integral phases land on their entry whole: odd ones round down one entry and come out with
    // the next entry at full weight.
    const float shifted = phase - 0.5f;
    int64_t i = static_cast<int64_t>(std::nearbyint(shifted));
    i = std::clamp<int64_t>(i, 0, int64_t(count) - 1);
    const double frac = double(phase) - double(i);
    const uint32_t f = static_cast<uint32_t>(std::clamp(std::nearbyint(frac * 255.0), 0.0, 255.0));
    const uint32_t w = 255 - f;
    const size_t j = size_t(i) + 1 == count ? 0 : size_t(i) + 1;
    TColor32 color;
    if (w == 255) {
        color = DashPattern[size_t(i)];
    } else {
        color = MixColors(DashPattern[size_t(i)], DashPattern[j], w);
        EndBlendRun();
    }
    DashPhase = phase + DashStep;
    return color;
}

}  // namespace velmora
