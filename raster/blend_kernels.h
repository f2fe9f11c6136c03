#pragma once
// Shared between the blend variants' sources: the per-pixel formulas in scalar form and the merge,
// which has one definition parameterised by the blend of its variant. Not for callers outside raster/.
#include <cstdint>
#include <cstring>

#include "raster/blend.h"
#include "raster/color_tables.h"

namespace velmora::detail {

extern const BlendOps kPortableBlendOps;
extern const BlendOps kVectorSse2BlendOps;
// The vector variant with AVX2 row kernels; call only where the processor has AVX2.
const BlendOps& VectorAvx2BlendOps();
// The vector variant as the start-up chose it: AVX2 rows where available, else SSE2.
const BlendOps& VectorBlendOps();

constexpr uint32_t kRedBlue = 0x00FF00FF;   // red and blue, or (shifted down) alpha and green
constexpr uint32_t kRounding = 0x00800080;  // +128 in both 16-bit lanes

// ((c * w + 128) >> 8) per channel, all four channels, w <= 255. Two channels share a 32-bit word:
// each 16-bit lane peaks at 255*255 + 128 < 65536, so no lane carries into the next.
inline uint32_t ScaleHalf(uint32_t c, uint32_t w) {
    uint32_t rb = (((c & kRedBlue) * w + kRounding) >> 8) & kRedBlue;
    uint32_t ag = (((c >> 8) & kRedBlue) * w + kRounding) & ~kRedBlue;
    return rb | ag;
}

// Portable: ((Xc*w + 128) >> 8) + ((Yc*(255 - w) + 128) >> 8). The two halves of a channel never sum
// above 255, so adding whole words cannot carry between channels.
inline uint32_t PortableCombine(uint32_t x, uint32_t y, uint32_t w) { return ScaleHalf(x, w) + ScaleHalf(y, 255 - w); }

// Vector: (Xc*w + Yc*(256 - w) + 128) >> 8, w <= 256; lanes peak at 65408, again without carries.
inline uint32_t VectorCombine(uint32_t x, uint32_t y, uint32_t w) {
    uint32_t rb = ((x & kRedBlue) * w + (y & kRedBlue) * (256 - w) + kRounding) >> 8;
    uint32_t ag = ((x >> 8) & kRedBlue) * w + ((y >> 8) & kRedBlue) * (256 - w) + kRounding;
    return (rb & kRedBlue) | (ag & ~kRedBlue);
}

// A row of mixes of src into dst through the variant's Combine: weight 0 keeps dst, 255 copies src.
template <uint32_t (*Combine)(uint32_t x, uint32_t y, uint32_t w)>
void MixRowWith(const TColor32* src, TColor32* dst, int32_t count, uint32_t w) {
    if (count < 1 || w == 0) return;
    if (w == 255) {
        std::memmove(dst, src, size_t(count) * sizeof(TColor32));
        return;
    }
    for (int32_t i = 0; i < count; ++i) dst[i] = Combine(src[i], dst[i], w);
}

// Merge of F over B; Blend is the variant's BlendPixel, used when B is opaque.
template <TPixelOp Blend>
inline TColor32 MergeWith(TColor32 f, TColor32 b) {
    uint32_t fa = f >> 24;
    if (fa == 0) return b;
    uint32_t ba = b >> 24;
    if (ba == 255) return Blend(f, b) | 0xFF000000u;
    if (fa == 255 || ba == 0) return f;
    uint32_t ra = fa + ba - gProductTable[ba][fa];
    const uint8_t* weighF = gProductTable[fa];
    const uint8_t* weighB = gProductTable[ba];
    const uint8_t* divide = gQuotientTable[ra];
    uint32_t result = ra << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        int32_t xb = weighB[(b >> shift) & 0xFF];  // background channel weighted by its alpha
        int32_t d = int32_t((f >> shift) & 0xFF) - xb;
        // xb + Fa*d/255 rounded with the sign of d, without a branch: sign is 0 or -1.
        int32_t sign = d >> 31;
        int32_t step = weighF[(d ^ sign) - sign];
        int32_t p = xb + ((step ^ sign) - sign);
        result |= uint32_t(divide[p]) << shift;  // 0 <= p <= ra for every input
    }
    return result;
}

// Master forms of the merge: F's alpha becomes ProductTable[M][Fa], its colour stays.
template <TPixelOp Blend>
inline TColor32 MergeMasterWith(TColor32 f, TColor32 b, uint32_t m) {
    uint32_t fa = gProductTable[m & 0xFF][f >> 24];
    return MergeWith<Blend>((f & 0x00FFFFFFu) | (fa << 24), b);
}

template <TPixelOp Blend>
struct MergeKernels {
    static TColor32 Pixel(TColor32 f, TColor32 b) { return MergeWith<Blend>(f, b); }
    static void Into(TColor32 f, TColor32& b) { b = MergeWith<Blend>(f, b); }
    static void Row(const TColor32* src, TColor32* dst, int32_t count) {
        for (int32_t i = 0; i < count; ++i) dst[i] = MergeWith<Blend>(src[i], dst[i]);
    }
    static TColor32 PixelMaster(TColor32 f, TColor32 b, uint32_t m) { return MergeMasterWith<Blend>(f, b, m); }
    static void IntoMaster(TColor32 f, TColor32& b, uint32_t m) { b = MergeMasterWith<Blend>(f, b, m); }
    static void RowMaster(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
        for (int32_t i = 0; i < count; ++i) dst[i] = MergeMasterWith<Blend>(src[i], dst[i], m);
    }
    static constexpr CombineOps Ops{Pixel, Into, Row, PixelMaster, IntoMaster, RowMaster};
};

}  // namespace velmora::detail
