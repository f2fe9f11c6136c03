#include "raster/transfer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>

#include "core/exception.h"
#include "raster/blend.h"
#include "raster/box_average.h"

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

// The opening of every stretch: dstRect clipped to dstClip and dst, then srcRect checked against src.
// Nothing when either rectangle is empty.
std::optional<TRect> StretchClip(const TBitmap32& dst, const TRect& dstRect, const TRect& dstClip,
                                 const TBitmap32& src, const TRect& srcRect) {
    TRect clip;
    if (!ClipTarget(clip, dst, dstRect, dstClip)) return std::nullopt;
    if (!SrcRectInside(src, srcRect)) throw Exception("Invalid SrcRect");
    if (srcRect.IsEmpty()) return std::nullopt;
    return clip;
}

TColor32* DstRow(TBitmap32& dst, int32_t y) { return dst.PixelData() + size_t(y) * size_t(dst.Width()); }
const TColor32* SrcRow(const TBitmap32& src, int32_t y) { return src.PixelData() + size_t(y) * size_t(src.Width()); }

// How a writer blends: same-size and nearest transfers take the row operations of the combine mode,
// resampled pixels its master-alpha in-place operation one by one, even at full master alpha.
enum class TBlendBy : uint8_t { Rows, Pixels };

// Writes rows of source pixels into the destination by the draw mode.
class TRowWriter {
public:
    TRowWriter(const TBitmap32& src, TDrawMode mode, const TPixelCombineEvent& pixelCombine, TBlendBy blendBy)
        : FMode(EffectiveMode(mode, pixelCombine)),
          FBlendBy(blendBy),
          FOps(CombineModeDispatch(src.CombineMode())),
          FMaster(src.MasterAlpha()),
          FOuter(src.OuterColor()),
          FCombine(pixelCombine) {}

    // Opaque draws only copy, so their pixels can be computed straight into the destination.
    bool Copies() const { return FMode == TDrawMode::dmOpaque; }

    void Row(const TColor32* s, TColor32* d, int32_t count) const {
        switch (FMode) {
            case TDrawMode::dmOpaque:
                if (s != d) std::memmove(d, s, size_t(count) * sizeof(TColor32));
                break;
            case TDrawMode::dmBlend:
                if (FBlendBy == TBlendBy::Pixels)
                    for (int32_t i = 0; i < count; ++i) FOps.IntoMaster(s[i], d[i], FMaster);
                else if (FMaster < 255)
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

private:
    TDrawMode FMode;
    TBlendBy FBlendBy;
    const CombineOps& FOps;
    uint32_t FMaster;
    TColor32 FOuter;
    const TPixelCombineEvent& FCombine;
};

// Calls compute(m, out) for each row m of clip, out being where that row's clip.Width() pixels go:
// the destination itself for a copying writer, else one row buffer that the writer then writes
// (and that still holds the previous row when compute is called).
template <class Compute>
void ForEachTargetRow(TBitmap32& dst, const TRect& clip, const TRowWriter& writer, Compute&& compute) {
    const int32_t width = clip.Width();
    std::vector<TColor32> buffer(writer.Copies() ? 0 : size_t(width));
    for (int32_t m = 0; m < clip.Height(); ++m) {
        TColor32* d = DstRow(dst, clip.Top + m) + clip.Left;
        TColor32* out = writer.Copies() ? d : buffer.data();
        compute(m, out);
        if (!writer.Copies()) writer.Row(out, d, width);
    }
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

}  // namespace

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
    const TRowWriter writer(src, drawMode, pixelCombine, TBlendBy::Rows);
    // Whole rows on both sides are one contiguous block.
    if (writer.Copies() && srcX == 0 && dstArea.Left == 0 && w == src.Width() && w == dst.Width()) {
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
    const std::optional<TRect> target = StretchClip(dst, dstRect, dstClip, src, srcRect);
    if (!target) return;
    const TRect& clip = *target;
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

    const TRowWriter writer(src, drawMode, pixelCombine, TBlendBy::Rows);
    // A source row met again is copied from the row computed last, unless it is still where that was.
    int32_t previous = -1;
    const TColor32* previousRow = nullptr;
    ForEachTargetRow(dst, clip, writer, [&](int32_t j, TColor32* out) {
        const int32_t sy = sourceRow(j);
        if (sy != previous) {
            const TColor32* s = SrcRow(src, sy);
            for (int32_t i = 0; i < clipW; ++i) out[i] = s[columns[size_t(i)]];
        } else if (out != previousRow) {
            std::memcpy(out, previousRow, size_t(clipW) * sizeof(TColor32));
        }
        previous = sy;
        previousRow = out;
    });
}

void BoxShrink(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src, const TRect& srcRect,
               TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    const std::optional<TRect> target = StretchClip(dst, dstRect, dstClip, src, srcRect);
    if (!target) return;
    const TRect& clip = *target;
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

    const TRowWriter writer(src, drawMode, pixelCombine, TBlendBy::Pixels);
    const size_t stride = size_t(src.Width());
    if (ActiveBlendVariant() == BlendVariant::Vector && srcH / dstH < 256) {
        detail::TBoxShrinkRowsVector shrink(bx);
        ForEachTargetRow(dst, clip, writer, [&](int32_t m, TColor32* out) {
            const int32_t y0 = by[size_t(m)];
            shrink.Row(SrcRow(src, y0), stride, by[size_t(m) + 1] - y0, out);
        });
        return;
    }
    const detail::TAverageBoxOp average = detail::ActiveAverageBoxQ();
    detail::TBoxReciprocal reciprocal;
    ForEachTargetRow(dst, clip, writer, [&](int32_t m, TColor32* out) {
        const int32_t y0 = by[size_t(m)], boxH = by[size_t(m) + 1] - y0;
        const TColor32* row = SrcRow(src, y0);
        for (int32_t k = 0; k < clipW; ++k) {
            const int32_t x0 = bx[size_t(k)], boxW = bx[size_t(k) + 1] - x0;
            out[k] = average(row + x0, boxW, boxH, int32_t(stride), reciprocal.For(uint32_t(boxW) * uint32_t(boxH)));
        }
    });
}

void BilinearStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                     const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine) {
    const std::optional<TRect> target = StretchClip(dst, dstRect, dstClip, src, srcRect);
    if (!target) return;
    const TRect& clip = *target;
    // Interpolation needs two source pixels each way; thinner sources go through the linear kernel.
    if (srcRect.Width() < 2 || srcRect.Height() < 2) {
        KernelStretch(dst, dstRect, clip, src, srcRect, TLinearKernel(), drawMode, pixelCombine);
        return;
    }
    const std::vector<TLinearEntry> columns = BuildLinearMap(clip.Left, clip.Right, dstRect.Left, dstRect.Width(),
                                                             srcRect.Left, srcRect.Right, srcRect.Width(), src.Width());
    const std::vector<TLinearEntry> rows = BuildLinearMap(clip.Top, clip.Bottom, dstRect.Top, dstRect.Height(),
                                                          srcRect.Top, srcRect.Bottom, srcRect.Height(), src.Height());
    const TRowWriter writer(src, drawMode, pixelCombine, TBlendBy::Pixels);
    const int32_t clipW = clip.Width();
    ForEachTargetRow(dst, clip, writer, [&](int32_t m, TColor32* out) {
        const TLinearEntry ry = rows[size_t(m)];
        const TColor32* row0 = SrcRow(src, ry.Pos);
        const TColor32* row1 = row0 + src.Width();
        for (int32_t k = 0; k < clipW; ++k) {
            const TLinearEntry cx = columns[size_t(k)];
            out[k] = InterpolateWeighted(cx.Weight, ry.Weight, row0 + cx.Pos, row1 + cx.Pos);
        }
    });
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
    const std::optional<TRect> target = StretchClip(dst, dstRect, dstClip, src, srcRect);
    if (!target) return;
    const TRect& clip = *target;
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
    const TRowWriter writer(src, mode, pixelCombine, TBlendBy::Pixels);
    const int32_t clipW = clip.Width();
    auto channel = [clamp](int32_t sum) -> uint32_t {
        if (clamp) sum = std::clamp(sum, 0, 255 * 65536);
        return (static_cast<uint32_t>(sum) >> 16) & 0xFFu;
    };
    ForEachTargetRow(dst, clip, writer, [&](int32_t m, TColor32* out) {
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
    });
}

}  // namespace velmora
