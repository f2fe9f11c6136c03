#pragma once
// Copying a rectangle of one bitmap into a rectangle of another: same-size block transfer, and the
// stretching transfers the resamplers are built from. Every pixel written honours the draw mode:
// dmOpaque stores, dmBlend blends or merges by the source's combine mode and master alpha,
// dmTransparent skips pixels equal to the source's OuterColor, dmCustom calls the pixel-combine event.
#include <cstdint>
#include <vector>

#include "core/geometry.h"
#include "raster/bitmap32.h"
#include "raster/bitmap_errors.h"
#include "raster/resampler.h"

namespace velmora {

// Checks the arguments, clips dstRect to dstClip and dst, and draws by block transfer when the
// rectangles have the same size or through resampler otherwise; reports dstRect to dst.
void TransferScaled(TBitmap32* dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32* src,
                    const TRect& srcRect, TCustomResampler* resampler, TDrawMode drawMode,
                    const TPixelCombineEvent& pixelCombine);

// Same-size copy of dstArea (inside dst) from the rectangle of src starting at (srcX, srcY).
void TransferBlock(TBitmap32& dst, const TRect& dstArea, const TBitmap32& src, int32_t srcX, int32_t srcY,
                   TDrawMode drawMode, const TPixelCombineEvent& pixelCombine);

void NearestStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                    const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine);

// Box averages; srcRect must be at least as large as dstRect in both directions.
void BoxShrink(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
               const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine);

void BilinearStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                     const TRect& srcRect, TDrawMode drawMode, const TPixelCombineEvent& pixelCombine);

void KernelStretch(TBitmap32& dst, const TRect& dstRect, const TRect& dstClip, const TBitmap32& src,
                   const TRect& srcRect, const TCustomKernel& kernel, TDrawMode drawMode,
                   const TPixelCombineEvent& pixelCombine);

// One source pixel's share of a destination pixel, weight in 1/256.
struct TClusterEntry {
    int32_t Pos = 0;
    int32_t Weight = 0;
};
using TCluster = std::vector<TClusterEntry>;
using TMappingTable = std::vector<TCluster>;

// Contributions for each destination position of clipStart..clipEnd - 1, whose weights add to 256.
TMappingTable BuildContributions(int32_t dstLo, int32_t dstHi, int32_t clipStart, int32_t clipEnd, int32_t srcLo,
                                 int32_t srcHi, const TCustomKernel& kernel);

}  // namespace velmora
