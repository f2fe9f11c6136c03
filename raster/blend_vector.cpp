// The vector variant: each channel in a 16-bit lane, c = ((Fc - Bc) * w + Bc * 256 + 128) >> 8.
// Lane sums are taken modulo 2^16, which is exact because the true sums lie in 0..65408. The row
// forms handle four pixels per step with SSE2 (the merge rows eight) and finish the row one pixel at a
// time.
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

#if defined(__SSE2__)

// Four pixels with blue and red (even bytes) and green and alpha (odd bytes) in separate 16-bit
// lanes; w holds each pixel's weight in both of its lanes: ((f - b) * w + (b << 8) + 128) >> 8.
inline __m128i Combine4(__m128i f, __m128i b, __m128i w) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i half = _mm_set1_epi16(0x0080);
    __m128i even = _mm_sub_epi16(_mm_and_si128(f, low), _mm_and_si128(b, low));
    __m128i odd = _mm_sub_epi16(_mm_srli_epi16(f, 8), _mm_srli_epi16(b, 8));
    even = _mm_add_epi16(_mm_mullo_epi16(even, w), _mm_or_si128(_mm_slli_epi16(b, 8), half));
    odd = _mm_add_epi16(_mm_mullo_epi16(odd, w), _mm_or_si128(_mm_andnot_si128(low, b), half));
    return _mm_or_si128(_mm_srli_epi16(even, 8), _mm_andnot_si128(low, odd));
}

// Each pixel's alpha in both of its 16-bit lanes.
inline __m128i SpreadAlpha(__m128i f) {
    __m128i odd = _mm_srli_epi16(f, 8);  // green | alpha
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(odd, 0xF5), 0xF5);
}

inline __m128i Load4(const TColor32* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(TColor32* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

void BlendRowV(const TColor32* src, TColor32* dst, int32_t count) {
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i f = Load4(src + i);
        __m128i alpha = _mm_and_si128(f, alphaMask);
        __m128i isOpaque = _mm_cmpeq_epi32(alpha, alphaMask);
        int opaqueMask = _mm_movemask_ps(_mm_castsi128_ps(isOpaque));
        if (opaqueMask == 0xF) {
            Store4(dst + i, f);
            continue;
        }
        if (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(alpha, _mm_setzero_si128()))) == 0xF) continue;
        __m128i r = Combine4(f, Load4(dst + i), SpreadAlpha(f));
        if (opaqueMask != 0) r = _mm_or_si128(_mm_and_si128(isOpaque, f), _mm_andnot_si128(isOpaque, r));
        Store4(dst + i, r);
    }
    for (; i < count; ++i) dst[i] = BlendStepV(src[i], dst[i]);
}

void BlendRowMasterV(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    if (count < 1) return;
    const __m128i master = _mm_set1_epi16(short(m));
    const __m128i one = _mm_set1_epi16(1);
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i f = Load4(src + i);
        // (Fa + 1) * M <= 65280 fits a 16-bit lane.
        __m128i w = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(SpreadAlpha(f), one), master), 8);
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(w, _mm_setzero_si128())) == 0xFFFF) continue;
        Store4(dst + i, Combine4(f, Load4(dst + i), w));
    }
    for (; i < count; ++i) dst[i] = BlendRowMasterStepV(src[i], dst[i], m);
}

void MixRowV(const TColor32* src, TColor32* dst, int32_t count, uint32_t w) {
    if (count < 1 || w == 0) return;
    if (w == 255) {
        std::memmove(dst, src, size_t(count) * sizeof(TColor32));
        return;
    }
    const __m128i weight = _mm_set1_epi16(short(w));
    int32_t i = 0;
    for (; i + 4 <= count; i += 4) Store4(dst + i, Combine4(Load4(src + i), Load4(dst + i), weight));
    for (; i < count; ++i) dst[i] = VectorCombine(src[i], dst[i], w);
}

// round(x / 255) for 0 <= x <= 65025 in 16-bit lanes, as ((x + 128) * 257) >> 16. No integer x
// lies exactly halfway between two multiples of 255, so this is also ProductTable[a][b] for x = a * b.
inline __m128i Div255(__m128i x) {
    return _mm_mulhi_epu16(_mm_add_epi16(x, _mm_set1_epi16(128)), _mm_set1_epi16(257));
}

inline __m128i Select(__m128i mask, __m128i a, __m128i b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }

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

// The inverse of SplitPlanes for lanes holding 0..255.
inline void JoinPlanes(const __m128i planes[4], __m128i& x0, __m128i& x1) {
    __m128i bg = _mm_packus_epi16(planes[0], planes[1]), ra = _mm_packus_epi16(planes[2], planes[3]);
    __m128i u0 = _mm_unpacklo_epi8(bg, ra), u1 = _mm_unpackhi_epi8(bg, ra);  // B R pairs, G A pairs
    x0 = _mm_unpacklo_epi8(u0, u1);
    x1 = _mm_unpackhi_epi8(u0, u1);
}

// The general merge of eight pixels in planes, both alphas in 1..254, so 2 <= Ra <= 255:
//   P = round(((255 - Fa) * Xb + Fa * Fc) / 255), which is Xb + ProductTable[Fa][|d|] with d's sign
//   (the quotient never ties, so rounding commutes with the sign), and the colour is round(255 P / Ra)
//   with halves to even. The quotient starts from K = round(65280 / Ra): the estimate
//   q0 = floor(P * K / 256) lies less than 1.5 below and less than 0.5 above the true 255 P / Ra, so
//   the remainder r = 255 P - q0 * Ra settles it in one step: q0 + 1 when 2r > Ra, or on a tie
//   (2r = Ra) when q0 is odd.
// Lanes of other alphas come out meaningless but harmless (Ra is kept at least 2).
inline void MergeGeneralPlanes(const __m128i f[4], __m128i b[4]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi16(1);
    const __m128i fa = f[3], ba = b[3];
    __m128i ra = _mm_max_epi16(_mm_sub_epi16(_mm_add_epi16(fa, ba), Div255(_mm_mullo_epi16(fa, ba))), _mm_set1_epi16(2));
    // One correctly rounded division per pixel; 65280 / Ra is never near a half, so K is exact.
    const __m128 numerator = _mm_set1_ps(65280.0f);
    __m128i kLo = _mm_cvtps_epi32(_mm_div_ps(numerator, _mm_cvtepi32_ps(_mm_unpacklo_epi16(ra, zero))));
    __m128i kHi = _mm_cvtps_epi32(_mm_div_ps(numerator, _mm_cvtepi32_ps(_mm_unpackhi_epi16(ra, zero))));
    __m128i k = _mm_packs_epi32(kLo, kHi);  // at most 32640
    __m128i faInv = _mm_sub_epi16(_mm_set1_epi16(255), fa);
    for (int c = 0; c < 3; ++c) {
        __m128i xb = Div255(_mm_mullo_epi16(ba, b[c]));
        __m128i p = Div255(_mm_add_epi16(_mm_mullo_epi16(faInv, xb), _mm_mullo_epi16(fa, f[c])));
        __m128i p256 = _mm_slli_epi16(p, 8);
        __m128i q0 = _mm_mulhi_epu16(p256, k);
        // |r| < 1.5 Ra, so r and 2r are exact in signed 16-bit lanes.
        __m128i r = _mm_sub_epi16(_mm_sub_epi16(p256, p), _mm_mullo_epi16(q0, ra));
        __m128i twiceR = _mm_add_epi16(_mm_add_epi16(r, r), _mm_and_si128(q0, one));
        b[c] = _mm_sub_epi16(q0, _mm_cmpgt_epi16(twiceR, ra));
    }
    b[3] = ra;
}

// Settles the pixels whose alphas take a shortcut, in MergeWith's order; r is the general result.
inline __m128i MergeSpecial4(__m128i f, __m128i b, __m128i r) {
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    const __m128i zero = _mm_setzero_si128();
    __m128i fAlpha = _mm_and_si128(f, alphaMask), bAlpha = _mm_and_si128(b, alphaMask);
    __m128i bOpaque = _mm_cmpeq_epi32(bAlpha, alphaMask);
    __m128i takeF = _mm_or_si128(_mm_cmpeq_epi32(fAlpha, alphaMask), _mm_cmpeq_epi32(bAlpha, zero));
    r = Select(takeF, f, r);
    if (_mm_movemask_ps(_mm_castsi128_ps(bOpaque)) != 0)
        r = Select(bOpaque, _mm_or_si128(Combine4(f, b, SpreadAlpha(f)), alphaMask), r);
    return Select(_mm_cmpeq_epi32(fAlpha, zero), b, r);
}

// Eight pixels of MergeWith<BlendPixelV>.
inline void Merge8(__m128i f0, __m128i f1, __m128i& b0, __m128i& b1) {
    // An opaque background throughout is only a blend; a clear source blends to B exactly there.
    const __m128i alphaMask = _mm_set1_epi32(int(0xFF000000u));
    if ((_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(_mm_and_si128(b0, b1), alphaMask), alphaMask))) == 0xFFFF) {
        b0 = _mm_or_si128(Combine4(f0, b0, SpreadAlpha(f0)), alphaMask);
        b1 = _mm_or_si128(Combine4(f1, b1, SpreadAlpha(f1)), alphaMask);
        return;
    }
    __m128i fp[4], bp[4];
    SplitPlanes(f0, f1, fp);
    SplitPlanes(b0, b1, bp);
    // Any alpha of 0 or 255 on either side takes a shortcut.
    __m128i special = _mm_or_si128(_mm_cmpeq_epi16(_mm_min_epi16(fp[3], bp[3]), _mm_setzero_si128()),
                                   _mm_cmpeq_epi16(_mm_max_epi16(fp[3], bp[3]), _mm_set1_epi16(255)));
    int specialMask = _mm_movemask_epi8(special);
    if (specialMask == 0xFFFF) {
        b0 = MergeSpecial4(f0, b0, f0);
        b1 = MergeSpecial4(f1, b1, f1);
        return;
    }
    MergeGeneralPlanes(fp, bp);
    __m128i r0, r1;
    JoinPlanes(bp, r0, r1);
    if (specialMask != 0) {
        r0 = MergeSpecial4(f0, b0, r0);
        r1 = MergeSpecial4(f1, b1, r1);
    }
    b0 = r0;
    b1 = r1;
}

void MergeRowV(const TColor32* src, TColor32* dst, int32_t count) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i b0 = Load4(dst + i), b1 = Load4(dst + i + 4);
        Merge8(Load4(src + i), Load4(src + i + 4), b0, b1);
        Store4(dst + i, b0);
        Store4(dst + i + 4, b1);
    }
    for (; i < count; ++i) dst[i] = MergeWith<BlendPixelV>(src[i], dst[i]);
}

// Fa := ProductTable[M][Fa], colour channels kept; the 32-bit lanes hold the product in their low 16 bits.
inline __m128i ScaleAlpha4(__m128i f, __m128i master) {
    __m128i fa = Div255(_mm_mullo_epi16(_mm_srli_epi32(f, 24), master));
    return _mm_or_si128(_mm_and_si128(f, _mm_set1_epi32(0x00FFFFFF)), _mm_slli_epi32(fa, 24));
}

void MergeRowMasterV(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    const __m128i master = _mm_set1_epi32(int(m & 0xFF));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m128i b0 = Load4(dst + i), b1 = Load4(dst + i + 4);
        Merge8(ScaleAlpha4(Load4(src + i), master), ScaleAlpha4(Load4(src + i + 4), master), b0, b1);
        Store4(dst + i, b0);
        Store4(dst + i + 4, b1);
    }
    for (; i < count; ++i) dst[i] = MergeMasterWith<BlendPixelV>(src[i], dst[i], m);
}

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

#else  // no SSE2: the same formulas one pixel at a time

void MergeRowV(const TColor32* src, TColor32* dst, int32_t count) { MergeKernels<BlendPixelV>::Row(src, dst, count); }
void MergeRowMasterV(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    MergeKernels<BlendPixelV>::RowMaster(src, dst, count, m);
}

void BlendRowV(const TColor32* src, TColor32* dst, int32_t count) {
    for (int32_t i = 0; i < count; ++i) dst[i] = BlendStepV(src[i], dst[i]);
}

void BlendRowMasterV(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    for (int32_t i = 0; i < count; ++i) dst[i] = BlendRowMasterStepV(src[i], dst[i], m);
}

void MixRowV(const TColor32* src, TColor32* dst, int32_t count, uint32_t w) {
    if (count < 1 || w == 0) return;
    if (w == 255) {
        std::memmove(dst, src, size_t(count) * sizeof(TColor32));
        return;
    }
    for (int32_t i = 0; i < count; ++i) dst[i] = VectorCombine(src[i], dst[i], w);
}

// Exact in plain integers: both stages stay within 0..65280 before the shift.
TColor32 InterpolateWeightedV(uint32_t wx, uint32_t wy, const TColor32* row0, const TColor32* row1) {
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

#endif

}  // namespace

constinit const BlendOps kVectorSse2BlendOps{
    CombineOps{BlendPixelV, BlendIntoV, BlendRowV, BlendPixelMasterV, BlendIntoMasterV, BlendRowMasterV},
    CombineOps{MergeKernels<BlendPixelV>::Pixel, MergeKernels<BlendPixelV>::Into, MergeRowV,
               MergeKernels<BlendPixelV>::PixelMaster, MergeKernels<BlendPixelV>::IntoMaster, MergeRowMasterV},
    MixColorsV,
    MixIntoV,
    MixRowV,
    InterpolateWeightedV,
};

}  // namespace velmora::detail
