#include "raster/transfer.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/exception.h"
#include "raster/blend.h"

namespace velmora {

namespace {

using Extended = long double;

// A custom draw without a handler has nothing to call: it copies.
TDrawMode EffectiveMode(TDrawMode mode, const TPixelCombineEvent& pixelCombine) {
    return mode == TDrawMode::dmCustom && !pixelCombine ? TDrawMode::dmOpaque : mode;
}

// Single-precision ratio a / b, divided in extended precision and then rounded to single.
float SingleRatio(int32_t a, int32_t b) { return static_cast<float>(static_cast<Extended>(a) / b); }

bool ClipTarget(TRect& clip, const TBitmap32& dst, const TRect& dstRect, const TRect& dstClip) {
    return IntersectRects(clip, dstClip, dst.FullRect()) && IntersectRects(clip, clip, dstRect);
}

bool SrcRectInside(const TBitmap32& src, const TRect& r) {
    return r.Left >= 0 && r.Top >= 0 && r.Right <= src.Width() && r.Bottom <= src.Height();
}

void RequireSrcRect(const TBitmap32& src, const TRect& r) {
    if (!SrcRectInside(src, r)) throw Exception("Invalid SrcRect");
}

TColor32* DstRow(TBitmap32& dst, int32_t y) { return dst.PixelData() + size_t(y) * size_t(dst.Width()); }
const TColor32* SrcRow(const TBitmap32& src, int32_t y) { return src.PixelData() + size_t(y) * size_t(src.Width()); }

// Writes a row of source pixels the way a same-size transfer does: row operations for blending.
class TBlockRowWriter {
public:
    TBlockRowWriter(const TBitmap32& src, TDrawMode mode, const TPixelCombineEvent& pixelCombine)
        : FMode(EffectiveMode(mode, pixelCombine)),
          FOps(CombineModeDispatch(src.CombineMode())),
          FMaster(src.MasterAlpha()),
          FOuter(src.OuterColor()),
          FCombine(pixelCombine) {}

    void Row(const TColor32* s, TColor32* d, int32_t count) const {
        switch (FMode) {
            case TDrawMode::dmOpaque:
                std::memmove(d, s, size_t(count) * sizeof(TColor32));
                break;
            case TDrawMode::dmBlend:
                if (FMaster < 255)
                    FOps.RowMaster(s, d, count, FMaster);
                else
                    FOps.Row(s, d, count);
                break;
            case TDrawMode::dmTransparent:
                for (int32_t i = 0; i < count; ++i)
                    if (s[i] != FOuter) d[i] = s[i];
                break;
            case TDrawMode::dmCustom:
                for (int32_t i = 0; i < count; ++i) FCombine(s[i], d[i], FMaster);
                break;
        }
    }

    TDrawMode Mode() const { return FMode; }

private:
    TDrawMode FMode;
    const CombineOps& FOps;
    uint32_t FMaster;
    TColor32 FOuter;
    const TPixelCombineEvent& FCombine;
};

// Writes resampled pixels one by one: blending always takes the master-alpha in-place operation.
class TSampleRowWriter {
public:
    TSampleRowWriter(const TBitmap32& src, TDrawMode mode, const TPixelCombineEvent& pixelCombine)
        : FMode(EffectiveMode(mode, pixelCombine)),
          FOps(CombineModeDispatch(src.CombineMode())),
          FMaster(src.MasterAlpha()),
          FOuter(src.OuterColor()),
          FCombine(pixelCombine) {}

    // Opaque draws compute straight into the destination; the others into a row buffer.
    bool Direct() const { return FMode == TDrawMode::dmOpaque; }

    void Row(const TColor32* v, TColor32* d, int32_t count) const {
        switch (FMode) {
            case TDrawMode::dmOpaque:
                if (v != d) std::memcpy(d, v, size_t(count) * sizeof(TColor32));
                break;
            case TDrawMode::dmBlend:
                for (int32_t i = 0; i < count; ++i) FOps.IntoMaster(v[i], d[i], FMaster);
                break;
            case TDrawMode::dmTransparent:
                for (int32_t i = 0; i < count; ++i)
                    if (v[i] != FOuter) d[i] = v[i];
                break;
            case TDrawMode::dmCustom:
                for (int32_t i = 0; i < count; ++i) FCombine(v[i], d[i], FMaster);
                break;
        }
    }

private:
    TDrawMode FMode;
    const CombineOps& FOps;
    uint32_t FMaster;
    TColor32 FOuter;
    const TPixelCombineEvent& FCombine;
};

// sum * q >> 24 per channel, q = 2^24 div N: never above the true mean.
inline TColor32 PackAverage(uint32_t b, uint32_t g, uint32_t r, uint32_t a, uint32_t q) {
    auto ch = [q](uint32_t sum) { return static_cast<uint32_t>((uint64_t(sum) * q) >> 24) & 0xFFu; };
    return (ch(a) << 24) | (ch(r) << 16) | (ch(g) << 8) | ch(b);
}

inline uint32_t BoxReciprocal(int32_t boxWidth, int32_t boxHeight) {
    return static_cast<uint32_t>((1u << 24) / (uint32_t(boxWidth) * uint32_t(boxHeight)));
}

TColor32 AverageBoxPortableQ(const TColor32* box, int32_t w, int32_t h, int32_t stride, uint32_t q) {
    uint32_t sb = 0, sg = 0, sr = 0, sa = 0;
    for (int32_t y = 0; y < h; ++y) {
        const TColor32* p = box + size_t(y) * size_t(stride);
        for (int32_t x = 0; x < w; ++x) {
            const TColor32 c = p[x];
            sb += c & 0xFF;
            sg += (c >> 8) & 0xFF;
            sr += (c >> 16) & 0xFF;
            sa += c >> 24;
        }
    }
    return PackAverage(sb, sg, sr, sa, q);
}

// A row's pixels are added in 16-bit lanes (two pixels side by side), then widened per row.
TColor32 AverageBoxVectorQ(const TColor32* box, int32_t w, int32_t h, int32_t stride, uint32_t q) {
    if (w > 257) return AverageBoxPortableQ(box, w, h, stride, q);
    const __m128i zero = _mm_setzero_si128();
    __m128i acc32 = zero;
    for (int32_t y = 0; y < h; ++y) {
        const TColor32* p = box + size_t(y) * size_t(stride);
        __m128i acc16 = zero;
        int32_t x = 0;
        for (; x + 4 <= w; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
            acc16 = _mm_add_epi16(acc16, _mm_add_epi16(_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)));
        }
        if (x + 2 <= w) {
            const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + x));
            acc16 = _mm_add_epi16(acc16, _mm_unpacklo_epi8(v, zero));
            x += 2;
        }
        if (x < w) {
            const __m128i v = _mm_cvtsi32_si128(static_cast<int>(p[x]));
            acc16 = _mm_add_epi16(acc16, _mm_unpacklo_epi8(v, zero));
        }
        acc32 = _mm_add_epi32(acc32, _mm_add_epi32(_mm_unpacklo_epi16(acc16, zero), _mm_unpackhi_epi16(acc16, zero)));
    }
    alignas(16) uint32_t s[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s), acc32);
    return PackAverage(s[0], s[1], s[2], s[3], q);
}

using TAverageBoxFn = TColor32 (*)(const TColor32*, int32_t, int32_t, int32_t, uint32_t);

TAverageBoxFn ActiveAverageBox() {
    return ActiveBlendVariant() == BlendVariant::Vector ? AverageBoxVectorQ : AverageBoxPortableQ;
}

// Bilinear map entry: the left (or top) source index and the weight of that pixel, 0..256.
struct TLinearEntry {
    int32_t Pos;
    uint32_t Weight;
};

std::vector<TLinearEntry> BuildLinearMap(int32_t clipLo, int32_t clipHi, int32_t dstLo, int32_t dstLen, int32_t srcLo,
                                         int32_t srcHi, int32_t srcLen, int32_t srcExtent) {
    const float scale = SingleRatio(srcLen, dstLen);
    std::vector<TLinearEntry> map(size_t(clipHi - clipLo));
    for (int32_t i = 0; i < clipHi - clipLo; ++i) {
        float x = static_cast<float>(scale * (static_cast<Extended>(clipLo - dstLo + i) + 0.5L) +
                                     (static_cast<Extended>(srcLo) - 0.5L));
        if (x < 0.0f) x = 0.0f;
        if (x > float(srcExtent - 1)) x = float(srcExtent - 1);
        const float whole = std::floor(x);
        map[size_t(i)].Pos = static_cast<int32_t>(whole);
        map[size_t(i)].Weight = 256u - static_cast<uint32_t>(std::nearbyint((x - whole) * 256.0f));
    }
    // Positions at the last pixel take it whole from the left slot, so nothing past the edge is read.
    for (size_t i = map.size(); i-- > 0 && map[i].Pos + 1 == srcHi;) {
        map[i].Pos -= 1;
        map[i].Weight = 0;
    }
    // Clamped positions must still leave a right neighbour inside the bitmap.
    for (TLinearEntry& e : map)
        if (e.Pos + 1 >= srcExtent) {
            e.Pos = srcExtent - 2;
            e.Weight = 0;
        }
    return map;
}

// The vector box shrink, separable: each destination row first adds its box rows column by column in
// 16-bit lanes (a box is at most 257 rows high), then adds each box's columns in 32-bit lanes and
// scales by the box's reciprocal. The sums are exact, so the results equal AverageBox per box.
template <class Writer>
void BoxShrinkRowsVector(TBitmap32& dst, const TRect& clip, const TBitmap32& src, const std::vector<int32_t>& bx,
                         const std::vector<int32_t>& by, const Writer& writer) {
    const int32_t clipW = clip.Width();
    const int32_t firstX = bx.front(), span = bx.back() - firstX;
    // Per source column: blue, green, red and alpha sums, four 16-bit lanes in 64 bits.
    std::vector<uint64_t> columnSums(size_t(span) + 4);
    std::vector<TColor32> buffer(writer.Direct() ? 0 : size_t(clipW));
    const __m128i zero = _mm_setzero_si128();
    uint32_t lastCount = 0, q = 0;
    for (int32_t m = 0; m < clip.Height(); ++m) {
        const int32_t y0 = by[size_t(m)], boxH = by[size_t(m) + 1] - y0;
        // Column sums, a chunk of columns at a time down all the box's rows, kept in registers.
        const TColor32* top = SrcRow(src, y0) + firstX;
        const size_t stride = size_t(src.Width());
        uint64_t* acc = columnSums.data();
        int32_t x = 0;
        for (; x + 4 <= span; x += 4, acc += 4) {
            __m128i lo = zero, hi = zero;
            const TColor32* p = top + x;
            for (int32_t y = 0; y < boxH; ++y, p += stride) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
                hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), lo);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + 2), hi);
        }
        for (; x < span; ++x, ++acc) {
            __m128i lanes = zero;
            const TColor32* p = top + x;
            for (int32_t y = 0; y < boxH; ++y, p += stride)
                lanes = _mm_add_epi16(lanes, _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(*p)), zero));
            _mm_storel_epi64(reinterpret_cast<__m128i*>(acc), lanes);
        }
        const uint64_t* sums = columnSums.data();
        TColor32* d = DstRow(dst, clip.Top + m) + clip.Left;
        TColor32* out = writer.Direct() ? d : buffer.data();
        for (int32_t k = 0; k < clipW; ++k) {
            const int32_t c0 = bx[size_t(k)] - firstX, c1 = bx[size_t(k) + 1] - firstX;
            const uint32_t count = uint32_t(c1 - c0) * uint32_t(boxH);
            __m128i total;
            if (c1 - c0 == 2 && count <= 257) {
                // Two adjacent columns whose sum still fits 16-bit lanes: one load, one add.
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + c0));
                total = _mm_unpacklo_epi16(_mm_add_epi16(v, _mm_srli_si128(v, 8)), zero);
            } else {
                total = zero;
                for (int32_t c = c0; c < c1; ++c)
                    total = _mm_add_epi32(
                        total, _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + c)), zero));
            }
            if (count != lastCount) {
                lastCount = count;
                q = (1u << 24) / count;
            }
            // (sum * q) >> 24 per channel through two 32 x 32 -> 64-bit products per vector.
            const __m128i qv = _mm_set1_epi32(static_cast<int>(q));
            const __m128i even = _mm_srli_epi64(_mm_mul_epu32(total, qv), 24);
            const __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(total, 32), qv), 24);
            const __m128i channels = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
            const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(channels, zero), zero);
            out[k] = static_cast<TColor32>(_mm_cvtsi128_si32(packed));
        }
        if (!writer.Direct()) writer.Row(out, d, clipW);
    }
}

}  // namespace

TColor32 AverageBoxPortable(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride) {
    return AverageBoxPortableQ(box, boxWidth, boxHeight, stride, BoxReciprocal(boxWidth, boxHeight));
}

TColor32 AverageBoxVector(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride) {
    return AverageBoxVectorQ(box, boxWidth, boxHeight, stride, BoxReciprocal(boxWidth, boxHeight));
}

TColor32 AverageBox(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride) {
    return ActiveAverageBox()(box, boxWidth, boxHeight, stride, BoxReciprocal(boxWidth, boxHeight));
}

void TransferScaled(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32* src,
                    const TRect& srcRect, TCustomResampler* resampler, TDrawMode drawMode,
                    const TPixelCombineEvent& pixelCombine) {
    if (!dst) throw EBitmapException("Destination bitmap is nil");
    if (!src) throw EBitmapException("Source bitmap is nil");
    if (src->IsEmpty() || dst->IsEmpty()) return;
    if (drawMode == TDrawMode::dmBlend && src->MasterAlpha() == 0) return;
    if (srcRect.IsEmpty()) return;
    if (!SrcRectInside(*src, srcRect)) throw ESrcInvalidException("Source rectangle is invalid");

    if (!dst->MeasureOnly()) {
        TRect clip;
        if (!ClipTarget(clip, *dst, dstRect, dstClip)) return;
        const TDrawMode mode = EffectiveMode(drawMode, pixelCombine);
        const auto run = BlendRunGuard();
        if (srcRect.Width() == dstRect.Width() && srcRect.Height() == dstRect.Height()) {
            TransferBlock(*dst, clip, *src, srcRect.Left + clip.Left - dstRect.Left,
                          srcRect.Top + clip.Top - dstRect.Top, mode, pixelCombine);
        } else if (resampler) {
            resampler->ResampleRect(*dst, dstRect, clip, *src, srcRect, mode, pixelCombine);
        } else {
            NearestStretch(*dst, dstRect, clip, *src, srcRect, mode, pixelCombine);
        }
    }
    dst->NotifyAreaChanged(dstRect, AreaInfoRectangle);
}

void TransferBlock(TBitmap32& dst, const TRect& dstArea, const TBitmap32& src, int32_t srcX, int32_t srcY,
                   TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    const int32_t w = dstArea.Width(), h = dstArea.Height();
    if (w <= 0 || h <= 0) return;
    const TBlockRowWriter writer(src, drawMode, pixelCombine);
    // Whole rows on both sides are one contiguous block.
    if (writer.Mode() == TDrawMode::dmOpaque && srcX == 0 && dstArea.Left == 0 && w == src.Width() &&
        w == dst.Width()) {
        std::memmove(DstRow(dst, dstArea.Top), SrcRow(src, srcY), size_t(w) * size_t(h) * sizeof(TColor32));
        return;
    }
    // Within one bitmap, rows moving down are copied bottom first so none is overwritten before it is read.
    const bool upward = &src == &dst && dstArea.Top > srcY;
    for (int32_t n = 0; n < h; ++n) {
        const int32_t row = upward ? h - 1 - n : n;
        writer.Row(SrcRow(src, srcY + row) + srcX, DstRow(dst, dstArea.Top + row) + dstArea.Left, w);
    }
}

void NearestStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                    const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    TRect clip;
    if (!ClipTarget(clip, dst, dstRect, dstClip)) return;
    RequireSrcRect(src, srcRect);
    if (srcRect.IsEmpty()) return;
    const int32_t srcW = srcRect.Width(), srcH = srcRect.Height();
    const int32_t dstW = dstRect.Width(), dstH = dstRect.Height();
    if (srcW == dstW && srcH == dstH) {
        TransferBlock(dst, clip, src, srcRect.Left + clip.Left - dstRect.Left, srcRect.Top + clip.Top - dstRect.Top,
                      drawMode, pixelCombine);
        return;
    }

    const int32_t clipW = clip.Width();
    std::vector<int32_t> columns(size_t(clipW), 0);
    if (dstW <= 1) {
        std::fill(columns.begin(), columns.end(), (srcRect.Left + srcRect.Right - 1) / 2);
    } else {
        const float sx = SingleRatio(srcW, dstW);
        for (int32_t i = 0; i < clipW; ++i) {
            const auto x = static_cast<int32_t>(static_cast<Extended>(clip.Left - dstRect.Left + i) * sx + srcRect.Left);
            columns[size_t(i)] = std::clamp(x, srcRect.Left, srcRect.Right - 1);
        }
    }
    const float sy = dstH <= 1 ? 0.0f : SingleRatio(srcH, dstH);
    auto sourceRow = [&](int32_t j) {
        if (dstH <= 1) return (srcRect.Top + srcRect.Bottom - 1) / 2;
        const auto y = static_cast<int32_t>(static_cast<Extended>(clip.Top - dstRect.Top + j) * sy + srcRect.Top);
        return std::clamp(y, srcRect.Top, srcRect.Bottom - 1);
    };

    const TBlockRowWriter writer(src, drawMode, pixelCombine);
    int32_t previous = -1;
    if (writer.Mode() == TDrawMode::dmOpaque) {
        const TColor32* previousRow = nullptr;
        for (int32_t j = 0; j < clip.Height(); ++j) {
            TColor32* d = DstRow(dst, clip.Top + j) + clip.Left;
            const int32_t sy0 = sourceRow(j);
            if (sy0 == previous) {
                std::memcpy(d, previousRow, size_t(clipW) * sizeof(TColor32));
            } else {
                const TColor32* s = SrcRow(src, sy0);
                for (int32_t i = 0; i < clipW; ++i) d[i] = s[columns[size_t(i)]];
            }
            previous = sy0;
            previousRow = d;
        }
        return;
    }
    std::vector<TColor32> buffer(static_cast<size_t>(clipW));
    for (int32_t j = 0; j < clip.Height(); ++j) {
        const int32_t sy0 = sourceRow(j);
        if (sy0 != previous) {
            const TColor32* s = SrcRow(src, sy0);
            for (int32_t i = 0; i < clipW; ++i) buffer[size_t(i)] = s[columns[size_t(i)]];
            previous = sy0;
        }
        writer.Row(buffer.data(), DstRow(dst, clip.Top + j) + clip.Left, clipW);
    }
}

void BoxShrink(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src, const TRect& srcRect,
               TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    TRect clip;
    if (!ClipTarget(clip, dst, dstRect, dstClip)) return;
    RequireSrcRect(src, srcRect);
    if (srcRect.IsEmpty()) return;
    const int32_t srcW = srcRect.Width(), srcH = srcRect.Height();
    const int32_t dstW = dstRect.Width(), dstH = dstRect.Height();
    const float sx = SingleRatio(srcW, dstW);
    const float sy = SingleRatio(srcH, dstH);
    const int32_t clipW = clip.Width(), clipH = clip.Height();

    // Box boundaries in source pixels, from 16.16 steps with 64-bit products. Box K of the destination
    // rectangle spans [K * step >> 16, (K + 1) * step >> 16), counted from the rectangle's origin rather
    // than from where the clip starts, so a clipped draw gives exactly the part of an unclipped one.
    // Kept inside the source rectangle and at least one pixel wide whatever the rounding.
    auto bounds = [](int32_t count, int32_t dstOffset, float scale, int32_t lo, int32_t hi) {
        const auto step = static_cast<int64_t>(65536.0f * scale);
        std::vector<int32_t> b(size_t(count) + 1);
        for (int32_t k = 0; k <= count; ++k) {
            const int64_t pos = int64_t(lo) + ((int64_t(dstOffset) + k) * step >> 16);
            b[size_t(k)] = static_cast<int32_t>(std::clamp<int64_t>(pos, lo, hi));
        }
        for (int32_t k = 0; k < count; ++k) {
            if (b[size_t(k)] >= hi) b[size_t(k)] = hi - 1;
            if (b[size_t(k) + 1] <= b[size_t(k)]) b[size_t(k) + 1] = b[size_t(k)] + 1;
        }
        return b;
    };
    const std::vector<int32_t> bx = bounds(clipW, clip.Left - dstRect.Left, sx, srcRect.Left, srcRect.Right);
    const std::vector<int32_t> by = bounds(clipH, clip.Top - dstRect.Top, sy, srcRect.Top, srcRect.Bottom);

    const TSampleRowWriter writer(src, drawMode, pixelCombine);
    if (ActiveBlendVariant() == BlendVariant::Vector && srcH / dstH < 256) {
        BoxShrinkRowsVector(dst, clip, src, bx, by, writer);
        return;
    }
    const TAverageBoxFn average = ActiveAverageBox();
    std::vector<TColor32> buffer(writer.Direct() ? 0 : size_t(clipW));
    const int32_t stride = src.Width();
    // Boxes of a row mostly share their size, so the reciprocal is reused while the size repeats.
    uint32_t lastCount = 0, q = 0;
    for (int32_t m = 0; m < clipH; ++m) {
        const int32_t y0 = by[size_t(m)], boxH = by[size_t(m) + 1] - y0;
        const TColor32* row = SrcRow(src, y0);
        TColor32* d = DstRow(dst, clip.Top + m) + clip.Left;
        TColor32* out = writer.Direct() ? d : buffer.data();
        for (int32_t k = 0; k < clipW; ++k) {
            const int32_t x0 = bx[size_t(k)], boxW = bx[size_t(k) + 1] - x0;
            const uint32_t count = uint32_t(boxW) * uint32_t(boxH);
            if (count != lastCount) {
                lastCount = count;
                q = (1u << 24) / count;
            }
            out[k] = average(row + x0, boxW, boxH, stride, q);
        }
        if (!writer.Direct()) writer.Row(out, d, clipW);
    }
}

void BilinearStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                     const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    TRect clip;
    if (!ClipTarget(clip, dst, dstRect, dstClip)) return;
    RequireSrcRect(src, srcRect);
    if (srcRect.IsEmpty()) return;
    // Interpolation needs two source pixels each way; thinner sources go through the linear kernel.
    if (srcRect.Width() < 2 || srcRect.Height() < 2) {
        KernelStretch(dst, dstRect, clip, src, srcRect, TLinearKernel(), drawMode, pixelCombine);
        return;
    }
    const std::vector<TLinearEntry> columns = BuildLinearMap(clip.Left, clip.Right, dstRect.Left, dstRect.Width(),
                                                             srcRect.Left, srcRect.Right, srcRect.Width(), src.Width());
    const std::vector<TLinearEntry> rows = BuildLinearMap(clip.Top, clip.Bottom, dstRect.Top, dstRect.Height(),
                                                          srcRect.Top, srcRect.Bottom, srcRect.Height(), src.Height());
    const TSampleRowWriter writer(src, drawMode, pixelCombine);
    const int32_t clipW = clip.Width();
    std::vector<TColor32> buffer(writer.Direct() ? 0 : size_t(clipW));
    for (int32_t m = 0; m < clip.Height(); ++m) {
        const TLinearEntry ry = rows[size_t(m)];
        const TColor32* row0 = SrcRow(src, ry.Pos);
        const TColor32* row1 = row0 + src.Width();
        TColor32* d = DstRow(dst, clip.Top + m) + clip.Left;
        TColor32* out = writer.Direct() ? d : buffer.data();
        for (int32_t k = 0; k < clipW; ++k) {
            const TLinearEntry cx = columns[size_t(k)];
            out[k] = InterpolateWeighted(cx.Weight, ry.Weight, row0 + cx.Pos, row1 + cx.Pos);
        }
        if (!writer.Direct()) writer.Row(out, d, clipW);
    }
}

TMappingTable BuildContributions(int32_t dstLo, int32_t dstHi, int32_t clipStart, int32_t clipEnd, int32_t srcLo,
                                 int32_t srcHi, const TCustomKernel& kernel) {
    const int32_t srcLen = srcHi - srcLo, dstLen = dstHi - dstLo;
    if (srcLen <= 0 || clipEnd <= clipStart || dstLen <= 0) return {};
    TMappingTable table(size_t(clipEnd - clipStart));
    if (srcLen == 1) {
        for (TCluster& cluster : table) cluster.push_back({srcLo, 256});
        return table;
    }
    const float scale = SingleRatio(dstLen, srcLen);
    const Extended radius = kernel.Radius();
    for (int32_t i = 0; i < clipEnd - clipStart; ++i) {
        TCluster& cluster = table[size_t(i)];
        const Extended center = (1.0L / scale) * (static_cast<Extended>(i + clipStart - dstLo) + 0.5L) +
                                (static_cast<Extended>(srcLo) - 0.5L);
        const Extended reach = scale >= 1.0f ? radius : radius / scale;
        const auto first = static_cast<int32_t>(std::floor(center - reach));
        const auto last = static_cast<int32_t>(std::ceil(center + reach));
        for (int32_t j = first; j <= last; ++j) {
            int32_t weight;
            if (scale >= 1.0f) {
                weight = static_cast<int32_t>(
                    std::nearbyint(static_cast<Extended>(kernel.Weight(static_cast<float>(center - j))) * 256.0L));
            } else {
                const float w = kernel.Weight(static_cast<float>((center - j) * scale));
                weight = static_cast<int32_t>(std::nearbyint(static_cast<Extended>(scale) * w * 256.0L));
            }
            if (weight != 0) cluster.push_back({std::clamp(j, srcLo, srcHi - 1), weight});
        }
        if (cluster.empty()) cluster.push_back({std::clamp(static_cast<int32_t>(std::floor(center)), srcLo, srcHi - 1), 256});
        int32_t sum = 0;
        for (const TClusterEntry& e : cluster) sum += e.Weight;
        if (sum != 256) cluster[(cluster.size() - 1) / 2].Weight += 256 - sum;
    }
    return table;
}

void KernelStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                   const TRect& srcRect, const TCustomKernel& kernel, TDrawMode drawMode,
                   const TPixelCombineEvent& pixelCombine) {
    const TDrawMode mode = EffectiveMode(drawMode, pixelCombine);
    if (mode == TDrawMode::dmBlend && src.MasterAlpha() == 0) return;
    TRect clip;
    if (!ClipTarget(clip, dst, dstRect, dstClip)) return;
    RequireSrcRect(src, srcRect);
    const TMappingTable columns = BuildContributions(dstRect.Left, dstRect.Right, clip.Left, clip.Right, srcRect.Left,
                                                     srcRect.Right, kernel);
    const TMappingTable rows = BuildContributions(dstRect.Top, dstRect.Bottom, clip.Top, clip.Bottom, srcRect.Top,
                                                  srcRect.Bottom, kernel);
    if (columns.empty() || rows.empty()) return;

    int32_t minX = std::numeric_limits<int32_t>::max(), maxX = std::numeric_limits<int32_t>::min();
    for (const TCluster& cluster : columns)
        for (const TClusterEntry& e : cluster) {
            minX = std::min(minX, e.Pos);
            maxX = std::max(maxX, e.Pos);
        }
    const size_t span = size_t(maxX - minX + 1);
    // Per source column: the row-weighted channel sums, in 1/256, order b, g, r, a.
    std::vector<int32_t> columnSums(span * 4);
    const bool clamp = kernel.NeedsClamp();
    const TSampleRowWriter writer(src, mode, pixelCombine);
    const int32_t clipW = clip.Width();
    std::vector<TColor32> buffer(writer.Direct() ? 0 : size_t(clipW));
    auto channel = [clamp](int32_t sum) -> uint32_t {
        if (clamp) sum = std::clamp(sum, 0, 255 * 65536);
        return (static_cast<uint32_t>(sum) >> 16) & 0xFFu;
    };
    for (int32_t m = 0; m < clip.Height(); ++m) {
        std::fill(columnSums.begin(), columnSums.end(), 0);
        for (const TClusterEntry& ry : rows[size_t(m)]) {
            const TColor32* s = SrcRow(src, ry.Pos) + minX;
            for (size_t x = 0; x < span; ++x) {
                const TColor32 c = s[x];
                int32_t* sums = &columnSums[x * 4];
                sums[0] += ry.Weight * int32_t(c & 0xFF);
                sums[1] += ry.Weight * int32_t((c >> 8) & 0xFF);
                sums[2] += ry.Weight * int32_t((c >> 16) & 0xFF);
                sums[3] += ry.Weight * int32_t(c >> 24);
            }
        }
        TColor32* d = DstRow(dst, clip.Top + m) + clip.Left;
        TColor32* out = writer.Direct() ? d : buffer.data();
        for (int32_t k = 0; k < clipW; ++k) {
            int32_t b = 0, g = 0, r = 0, a = 0;
            for (const TClusterEntry& cx : columns[size_t(k)]) {
                const int32_t* sums = &columnSums[size_t(cx.Pos - minX) * 4];
                b += cx.Weight * sums[0];
                g += cx.Weight * sums[1];
                r += cx.Weight * sums[2];
                a += cx.Weight * sums[3];
            }
            out[k] = (channel(a) << 24) | (channel(r) << 16) | (channel(g) << 8) | channel(b);
        }
        if (!writer.Direct()) writer.Row(out, d, clipW);
    }
}

}  // namespace velmora
