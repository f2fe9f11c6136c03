// The vector variant: each channel in a 16-bit lane, c = ((Fc - Bc) * w + Bc * 256 + 128) >> 8.
// Lane sums are taken modulo 2^16, which is exact because the true sums lie in 0..65408. The row
// forms handle four pixels per step with SSE2 (the merge rows eight) and finish the row one pixel at a
// time; blend_vector_rows.inc holds them for this file and for the AVX2 one.
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/blend_kernels.h"

namespace velmora::detail {

namespace {

TColor32 BlendPixelV(TColor32 f, TColor32 b) { return VectorCombine(f, b, f >> 24); }

// Alpha 0 keeps B, alpha 255 copies F exactly (the formula would leave opaque F one level off).
inline TColor32 BlendStepV(TColor32 f, TColor32 b) {
    uint32_t fa = f >> 24;
    if (fa == 0) return b;
    if (fa == 255) return f;
    return VectorCombine(f, b, fa);
}

void BlendIntoV(TColor32 f, TColor32& b) { b = BlendStepV(f, b); }

// Weight ((M + 1) * Fa) >> 8 in the value and in-place forms.
TColor32 BlendPixelMasterV(TColor32 f, TColor32 b, uint32_t m) {
    uint32_t fa = f >> 24;
    uint32_t w = ((m + 1) * fa) >> 8;
    if (fa == 0 || w == 0) return b;
    return VectorCombine(f, b, w);
}

void BlendIntoMasterV(TColor32 f, TColor32& b, uint32_t m) { b = BlendPixelMasterV(f, b, m); }

// The row form weighs ((Fa + 1) * M) >> 8 instead; w = 0 leaves B as the formula would.
inline TColor32 BlendRowMasterStepV(TColor32 f, TColor32 b, uint32_t m) {
    uint32_t w = (((f >> 24) + 1) * m) >> 8;
    return w == 0 ? b : VectorCombine(f, b, w);
}

TColor32 MixColorsV(TColor32 x, TColor32 y, uint32_t w) { return VectorCombine(x, y, w); }

void MixIntoV(TColor32 x, TColor32& y, uint32_t w) {
    if (w == 0) return;
    if (w == 255) {
        y = x;
        return;
    }
    y = VectorCombine(x, y, w);
}

void BlendRowScalarV(const TColor32* src, TColor32* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dst[i] = BlendStepV(src[i], dst[i]);
}

void BlendRowMasterScalarV(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    for (int32_t i = 0; i < count; ++i) dst[i] = BlendRowMasterStepV(src[i], dst[i], m);
}

// Exact in plain integers: both stages stay within 0..65280 before the shift.
TColor32 InterpolateWeightedScalarV(uint32_t wx, uint32_t wy, const TColor32* row0, const TColor32* row1) {
    TColor32 result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int32_t p00 = (row0[0] >> shift) & 0xFF, p10 = (row0[1] >> shift) & 0xFF;
        int32_t p01 = (row1[0] >> shift) & 0xFF, p11 = (row1[1] >> shift) & 0xFF;
        int32_t top = ((p00 - p10) * int32_t(wx) + p10 * 256) >> 8;
        int32_t bottom = ((p01 - p11) * int32_t(wx) + p11 * 256) >> 8;
        result |= TColor32(((top - bottom) * int32_t(wy) + bottom * 256) >> 8) << shift;
    }
    return result;
}

// The vector variant one pixel at a time: all of it without SSE2, and the last pixels of the SSE2 rows.
constexpr BlendOps kVectorScalarOps{
    CombineOps{BlendPixelV, BlendIntoV, BlendRowScalarV, BlendPixelMasterV, BlendIntoMasterV, BlendRowMasterScalarV},
    MergeKernels<BlendPixelV>::Ops,
    MixColorsV,
    MixIntoV,
    MixRowWith<VectorCombine>,
    InterpolateWeightedScalarV,
};

#if defined(__SSE2__)

using Lanes = __m128i;
constexpr int32_t kLanePixels = 4;
#define VX(name) _mm_##name
#define VXSI(name) _mm_##name##_si128

// One bit per pixel, from a mask of whole 32-bit lanes.
inline int PixelMask(__m128i mask) { return _mm_movemask_ps(_mm_castsi128_ps(mask)); }
inline bool AnyPixel(__m128i mask) { return PixelMask(mask) != 0; }
inline bool AllZero(__m128i x) { return PixelMask(_mm_cmpeq_epi32(x, _mm_setzero_si128())) == 0xF; }
// Whether every bit of bits is set in x.
inline bool CoversBits(__m128i x, __m128i bits) {
    return _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(x, bits), bits)) == 0xFFFF;
}
// mask ? a : b, for masks of whole lanes.
inline __m128i Select(__m128i mask, __m128i a, __m128i b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }
template <short V>
inline __m128i Splat16() {
    return _mm_set1_epi16(V);
}

// Eight pixels split into planes of 16-bit lanes, pixel i in lane i of each: blue, green, red, alpha.
inline void SplitPlanes(__m128i x0, __m128i x1, __m128i planes[4]) {
    const __m128i zero = _mm_setzero_si128();
    __m128i t0 = _mm_unpacklo_epi8(x0, x1), t1 = _mm_unpackhi_epi8(x0, x1);  // pixels i and i + 4 side by side
    __m128i t2 = _mm_unpacklo_epi8(t0, t1), t3 = _mm_unpackhi_epi8(t0, t1);  // even and odd pixels
    __m128i bg = _mm_unpacklo_epi8(t2, t3), ra = _mm_unpackhi_epi8(t2, t3);  // B0..B7 G0..G7, R0..R7 A0..A7
    planes[0] = _mm_unpacklo_epi8(bg, zero);
    planes[1] = _mm_unpackhi_epi8(bg, zero);
    planes[2] = _mm_unpacklo_epi8(ra, zero);
    planes[3] = _mm_unpackhi_epi8(ra, zero);
}

constexpr const BlendOps& kTailOps = kVectorScalarOps;

#include "raster/blend_vector_rows.inc"

// Both rows at once: lanes 0-3 the left column, 4-7 the right column; no rounding term.
TColor32 InterpolateWeightedV(uint32_t wx, uint32_t wy, const TColor32* row0, const TColor32* row1) {
    const __m128i zero = _mm_setzero_si128();
    __m128i top = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row0));
    __m128i bottom = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row1));
    __m128i pixels = _mm_unpacklo_epi32(top, bottom);   // P00, P01, P10, P11
    __m128i left = _mm_unpacklo_epi8(pixels, zero);     // P00 | P01
    __m128i right = _mm_unpackhi_epi8(pixels, zero);    // P10 | P11
    __m128i cols = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(left, right), _mm_set1_epi16(short(wx))), _mm_slli_epi16(right, 8)), 8);
    __m128i lower = _mm_unpackhi_epi64(cols, cols);     // bottom row result
    __m128i r = _mm_srli_epi16(
        _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(cols, lower), _mm_set1_epi16(short(wy))), _mm_slli_epi16(lower, 8)), 8);
    return TColor32(_mm_cvtsi128_si32(_mm_packus_epi16(r, r)));
}

#endif

}  // namespace

#if defined(__SSE2__)
constinit const BlendOps kVectorSse2BlendOps{
    CombineOps{BlendPixelV, BlendIntoV, BlendRowLanes, BlendPixelMasterV, BlendIntoMasterV, BlendRowMasterLanes},
    CombineOps{MergeKernels<BlendPixelV>::Pixel, MergeKernels<BlendPixelV>::Into, MergeRowLanes,
               MergeKernels<BlendPixelV>::PixelMaster, MergeKernels<BlendPixelV>::IntoMaster, MergeRowMasterLanes},
    MixColorsV,
    MixIntoV,
    MixRowLanes,
    InterpolateWeightedV,
};
#else
constinit const BlendOps kVectorSse2BlendOps = kVectorScalarOps;
#endif

}  // namespace velmora::detail
