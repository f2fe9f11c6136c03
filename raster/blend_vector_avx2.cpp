// Row kernels of the vector variant eight pixels at a time, for processors with AVX2. Same lane
// arithmetic as the SSE2 rows, so the results are identical; the start-up picks them when it can.
#include <cstring>

#include "raster/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace velmora::detail {

namespace {

// ((f - b) * w + (b << 8) + 128) >> 8 with even and odd bytes in separate 16-bit lanes.
inline __m256i Combine8(__m256i f, __m256i b, __m256i w) {
    const __m256i low = _mm256_set1_epi16(0x00FF);
    const __m256i half = _mm256_set1_epi16(0x0080);
    __m256i even = _mm256_sub_epi16(_mm256_and_si256(f, low), _mm256_and_si256(b, low));
    __m256i odd = _mm256_sub_epi16(_mm256_srli_epi16(f, 8), _mm256_srli_epi16(b, 8));
    even = _mm256_add_epi16(_mm256_mullo_epi16(even, w), _mm256_or_si256(_mm256_slli_epi16(b, 8), half));
    odd = _mm256_add_epi16(_mm256_mullo_epi16(odd, w), _mm256_or_si256(_mm256_andnot_si256(low, b), half));
    return _mm256_or_si256(_mm256_srli_epi16(even, 8), _mm256_andnot_si256(low, odd));
}

inline __m256i SpreadAlpha8(__m256i f) {
    __m256i odd = _mm256_srli_epi16(f, 8);
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(odd, 0xF5), 0xF5);
}

inline __m256i Load8(const TColor32* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
inline void Store8(TColor32* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

void BlendRowAvx2(const TColor32* src, TColor32* dst, int32_t count) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i f = Load8(src + i);
        __m256i alpha = _mm256_and_si256(f, alphaMask);
        __m256i isOpaque = _mm256_cmpeq_epi32(alpha, alphaMask);
        int opaqueMask = _mm256_movemask_ps(_mm256_castsi256_ps(isOpaque));
        if (opaqueMask == 0xFF) {
            Store8(dst + i, f);
            continue;
        }
        if (_mm256_testz_si256(alpha, alpha)) continue;
        __m256i r = Combine8(f, Load8(dst + i), SpreadAlpha8(f));
        if (opaqueMask != 0) r = _mm256_blendv_epi8(r, f, isOpaque);
        Store8(dst + i, r);
    }
    if (i < count) kVectorSse2BlendOps.Blend.Row(src + i, dst + i, count - i);
}

void BlendRowMasterAvx2(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    if (count < 1) return;
    const __m256i master = _mm256_set1_epi16(short(m));
    const __m256i one = _mm256_set1_epi16(1);
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i f = Load8(src + i);
        __m256i w = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_add_epi16(SpreadAlpha8(f), one), master), 8);
        if (_mm256_testz_si256(w, w)) continue;
        Store8(dst + i, Combine8(f, Load8(dst + i), w));
    }
    if (i < count) kVectorSse2BlendOps.Blend.RowMaster(src + i, dst + i, count - i, m);
}

void MixRowAvx2(const TColor32* src, TColor32* dst, int32_t count, uint32_t w) {
    if (count < 1 || w == 0) return;
    if (w == 255) {
        std::memmove(dst, src, size_t(count) * sizeof(TColor32));
        return;
    }
    const __m256i weight = _mm256_set1_epi16(short(w));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) Store8(dst + i, Combine8(Load8(src + i), Load8(dst + i), weight));
    if (i < count) kVectorSse2BlendOps.MixRow(src + i, dst + i, count - i, w);
}

inline __m256i Div255x8(__m256i x) {
    x = _mm256_add_epi16(x, _mm256_set1_epi16(128));
    return _mm256_srli_epi16(_mm256_add_epi16(x, _mm256_srli_epi16(x, 8)), 8);
}

inline __m256i SpreadAlpha16x8(__m256i unpacked) {
    return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(unpacked, 0xFF), 0xFF);
}

// Four pixels (two per 128-bit half) of the general merge, as MergeGeneral2 of the SSE2 rows.
inline __m256i MergeGeneral4(__m256i f, __m256i b, __m256i fa, __m256i ba, __m256i ra) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i xb = Div255x8(_mm256_mullo_epi16(ba, b));
    __m256i d = _mm256_sub_epi16(f, xb);
    __m256i sign = _mm256_srai_epi16(d, 15);
    __m256i step = Div255x8(_mm256_mullo_epi16(fa, _mm256_sub_epi16(_mm256_xor_si256(d, sign), sign)));
    __m256i p = _mm256_add_epi16(xb, _mm256_sub_epi16(_mm256_xor_si256(step, sign), sign));
    __m256i n = _mm256_mullo_epi16(p, _mm256_set1_epi16(255));
    __m256 raLo = _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(ra, zero));
    __m256 raHi = _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(ra, zero));
    __m256i qLo = _mm256_cvtps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(_mm256_unpacklo_epi16(n, zero)), raLo));
    __m256i qHi = _mm256_cvtps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(_mm256_unpackhi_epi16(n, zero)), raHi));
    return _mm256_packs_epi32(qLo, qHi);
}

inline __m256i Merge8(__m256i f, __m256i b) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    __m256i fAlpha = _mm256_and_si256(f, alphaMask), bAlpha = _mm256_and_si256(b, alphaMask);
    __m256i fClear = _mm256_cmpeq_epi32(fAlpha, zero);
    __m256i bOpaque = _mm256_cmpeq_epi32(bAlpha, alphaMask);
    __m256i takeF = _mm256_or_si256(_mm256_cmpeq_epi32(fAlpha, alphaMask), _mm256_cmpeq_epi32(bAlpha, zero));
    __m256i special = _mm256_or_si256(_mm256_or_si256(fClear, bOpaque), takeF);
    __m256i r = f;
    if (_mm256_movemask_ps(_mm256_castsi256_ps(special)) != 0xFF) {
        __m256i fLo = _mm256_unpacklo_epi8(f, zero), fHi = _mm256_unpackhi_epi8(f, zero);
        __m256i bLo = _mm256_unpacklo_epi8(b, zero), bHi = _mm256_unpackhi_epi8(b, zero);
        __m256i faLo = SpreadAlpha16x8(fLo), faHi = SpreadAlpha16x8(fHi);
        __m256i baLo = SpreadAlpha16x8(bLo), baHi = SpreadAlpha16x8(bHi);
        const __m256i one = _mm256_set1_epi16(1);
        __m256i raLo = _mm256_max_epi16(
            _mm256_sub_epi16(_mm256_add_epi16(faLo, baLo), Div255x8(_mm256_mullo_epi16(faLo, baLo))), one);
        __m256i raHi = _mm256_max_epi16(
            _mm256_sub_epi16(_mm256_add_epi16(faHi, baHi), Div255x8(_mm256_mullo_epi16(faHi, baHi))), one);
        __m256i general =
            _mm256_packus_epi16(MergeGeneral4(fLo, bLo, faLo, baLo, raLo), MergeGeneral4(fHi, bHi, faHi, baHi, raHi));
        r = _mm256_blendv_epi8(general, _mm256_packus_epi16(raLo, raHi), alphaMask);
    }
    r = _mm256_blendv_epi8(r, f, takeF);
    if (_mm256_movemask_ps(_mm256_castsi256_ps(bOpaque)) != 0)
        r = _mm256_blendv_epi8(r, _mm256_or_si256(Combine8(f, b, SpreadAlpha8(f)), alphaMask), bOpaque);
    return _mm256_blendv_epi8(r, b, fClear);
}

void MergeRowAvx2(const TColor32* src, TColor32* dst, int32_t count) {
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) Store8(dst + i, Merge8(Load8(src + i), Load8(dst + i)));
    if (i < count) kVectorSse2BlendOps.Merge.Row(src + i, dst + i, count - i);
}

void MergeRowMasterAvx2(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    const __m256i master = _mm256_set1_epi32(int(m & 0xFF));
    int32_t i = 0;
    for (; i + 8 <= count; i += 8) {
        __m256i f = Load8(src + i);
        __m256i fa = Div255x8(_mm256_mullo_epi16(_mm256_srli_epi32(f, 24), master));
        f = _mm256_or_si256(_mm256_and_si256(f, _mm256_set1_epi32(0x00FFFFFF)), _mm256_slli_epi32(fa, 24));
        Store8(dst + i, Merge8(f, Load8(dst + i)));
    }
    if (i < count) kVectorSse2BlendOps.Merge.RowMaster(src + i, dst + i, count - i, m);
}

}  // namespace

const BlendOps& VectorAvx2BlendOps() {
    static const BlendOps ops = [] {
        BlendOps o = kVectorSse2BlendOps;
        o.Blend.Row = BlendRowAvx2;
        o.Blend.RowMaster = BlendRowMasterAvx2;
        o.MixRow = MixRowAvx2;
        o.Merge.Row = MergeRowAvx2;
        o.Merge.RowMaster = MergeRowMasterAvx2;
        return o;
    }();
    return ops;
}

}  // namespace velmora::detail

#pragma GCC pop_options

#else

namespace velmora::detail {
const BlendOps& VectorAvx2BlendOps() { return kVectorSse2BlendOps; }
}  // namespace velmora::detail

#endif
