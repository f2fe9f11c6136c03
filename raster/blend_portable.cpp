// The portable variant: plain integer code, each channel rounded in two halves with weights w and
// 255 - w.
#include "raster/blend_kernels.h"

namespace velmora::detail {

namespace {

TColor32 BlendPixelP(TColor32 f, TColor32 b) {
    uint32_t fa = f >> 24;
    if (fa == 255) return f;
    if (fa == 0) return b;
    return PortableCombine(f, b, fa);
}

void BlendIntoP(TColor32 f, TColor32& b) { b = BlendPixelP(f, b); }

void BlendRowP(const TColor32* src, TColor32* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dst[i] = BlendPixelP(src[i], dst[i]);
}

// Master blend: weight ((M + 1) * Fa) >> 8 on red, green and blue; the alpha byte comes out 0.
TColor32 BlendPixelMasterP(TColor32 f, TColor32 b, uint32_t m) {
    uint32_t fa = f >> 24;
    uint32_t w = ((m + 1) * fa) >> 8;
    if (fa == 0 || w == 0) return b;
    return PortableCombine(f, b, w) & 0x00FFFFFFu;
}

void BlendIntoMasterP(TColor32 f, TColor32& b, uint32_t m) { b = BlendPixelMasterP(f, b, m); }

void BlendRowMasterP(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    for (int32_t i = 0; i < count; ++i) dst[i] = BlendPixelMasterP(src[i], dst[i], m);
}

TColor32 MixColorsP(TColor32 x, TColor32 y, uint32_t w) {
    if (w == 0) return y;
    if (w == 255) return x;
    return PortableCombine(x, y, w);
}

void MixIntoP(TColor32 x, TColor32& y, uint32_t w) { y = MixColorsP(x, y, w); }

TColor32 InterpolateWeightedP(uint32_t wx, uint32_t wy, const TColor32* row0, const TColor32* row1) {
    if (wx > 255) wx = 255;
    if (wy > 255) wy = 255;
    TColor32 top = MixColorsP(row0[0], row0[1], wx);
    TColor32 bottom = MixColorsP(row1[0], row1[1], wx);
    return MixColorsP(top, bottom, wy);
}

}  // namespace

constinit const BlendOps kPortableBlendOps{
    CombineOps{BlendPixelP, BlendIntoP, BlendRowP, BlendPixelMasterP, BlendIntoMasterP, BlendRowMasterP},
    MergeKernels<BlendPixelP>::Ops,
    MixColorsP,
    MixIntoP,
    MixRowWith<PortableCombine>,
    InterpolateWeightedP,
};

}  // namespace velmora::detail
