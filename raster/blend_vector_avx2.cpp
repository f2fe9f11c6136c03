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

// round(x / 255) for 0 <= x <= 65025, as ((x + 128) * 257) >> 16 (no integer x ties).
// A constant hidden from the optimiser, so that under register pressure it is kept or reloaded from
// the stack instead of being rebuilt from a general register inside the merge loop.
template <short V>
inline __m256i Splat16() {
    __m256i v = _mm256_set1_epi16(V);
    asm("" : "+x"(v));
    return v;
}

inline __m256i Div255x8(__m256i x) {
    return _mm256_mulhi_epu16(_mm256_add_epi16(x, Splat16<128>()), Splat16<257>());
}

// Sixteen pixels split into planes of 16-bit lanes: blue, green, red, alpha. Each 128-bit half
// splits on its own (pixels 0-3 and 8-11 in the low half), and JoinPlanes16 undoes it the same way.
inline void SplitPlanes16(__m256i x0, __m256i x1, __m256i planes[4]) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i byChannel = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15,
                                               0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15);
    __m256i t0 = _mm256_shuffle_epi8(x0, byChannel), t1 = _mm256_shuffle_epi8(x1, byChannel);
    __m256i bg = _mm256_unpacklo_epi32(t0, t1), ra = _mm256_unpackhi_epi32(t0, t1);
    planes[0] = _mm256_unpacklo_epi8(bg, zero);
    planes[1] = _mm256_unpackhi_epi8(bg, zero);
    planes[2] = _mm256_unpacklo_epi8(ra, zero);
    planes[3] = _mm256_unpackhi_epi8(ra, zero);
}

inline void JoinPlanes16(const __m256i planes[4], __m256i& x0, __m256i& x1) {
    __m256i bg = _mm256_packus_epi16(planes[0], planes[1]), ra = _mm256_packus_epi16(planes[2], planes[3]);
    __m256i u0 = _mm256_unpacklo_epi8(bg, ra), u1 = _mm256_unpackhi_epi8(bg, ra);
    x0 = _mm256_unpacklo_epi8(u0, u1);
    x1 = _mm256_unpackhi_epi8(u0, u1);
}

// The general merge in planes, as MergeGeneralPlanes of the SSE2 rows: one division per pixel for
// K = round(65280 / Ra), then per channel an estimate within (-0.5, 1.5) of the quotient and an exact
// remainder step that also settles ties to even.
inline void MergeGeneralPlanes16(const __m256i f[4], __m256i b[4]) {
    const __m256i zero = _mm256_setzero_si256();
    const __m256i one = Splat16<1>();
    const __m256i fa = f[3], ba = b[3];
    __m256i ra = _mm256_max_epi16(
        _mm256_sub_epi16(_mm256_add_epi16(fa, ba), Div255x8(_mm256_mullo_epi16(fa, ba))), Splat16<2>());
    const __m256 numerator = _mm256_set1_ps(65280.0f);
    __m256i kLo = _mm256_cvtps_epi32(_mm256_div_ps(numerator, _mm256_cvtepi32_ps(_mm256_unpacklo_epi16(ra, zero))));
    __m256i kHi = _mm256_cvtps_epi32(_mm256_div_ps(numerator, _mm256_cvtepi32_ps(_mm256_unpackhi_epi16(ra, zero))));
    __m256i k = _mm256_packs_epi32(kLo, kHi);
    __m256i faInv = _mm256_sub_epi16(Splat16<255>(), fa);
    for (int c = 0; c < 3; ++c) {
        __m256i xb = Div255x8(_mm256_mullo_epi16(ba, b[c]));
        __m256i p = Div255x8(_mm256_add_epi16(_mm256_mullo_epi16(faInv, xb), _mm256_mullo_epi16(fa, f[c])));
        __m256i p256 = _mm256_slli_epi16(p, 8);
        __m256i q0 = _mm256_mulhi_epu16(p256, k);
        __m256i r = _mm256_sub_epi16(_mm256_sub_epi16(p256, p), _mm256_mullo_epi16(q0, ra));
        __m256i twiceR = _mm256_add_epi16(_mm256_add_epi16(r, r), _mm256_and_si256(q0, one));
        b[c] = _mm256_sub_epi16(q0, _mm256_cmpgt_epi16(twiceR, ra));
    }
    b[3] = ra;
}

// Settles the pixels whose alphas take a shortcut, in MergeWith's order; r is the general result.
inline __m256i MergeSpecial8(__m256i f, __m256i b, __m256i r) {
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    const __m256i zero = _mm256_setzero_si256();
    __m256i fAlpha = _mm256_and_si256(f, alphaMask), bAlpha = _mm256_and_si256(b, alphaMask);
    __m256i bOpaque = _mm256_cmpeq_epi32(bAlpha, alphaMask);
    __m256i takeF = _mm256_or_si256(_mm256_cmpeq_epi32(fAlpha, alphaMask), _mm256_cmpeq_epi32(bAlpha, zero));
    r = _mm256_blendv_epi8(r, f, takeF);
    if (!_mm256_testz_si256(bOpaque, bOpaque))
        r = _mm256_blendv_epi8(r, _mm256_or_si256(Combine8(f, b, SpreadAlpha8(f)), alphaMask), bOpaque);
    return _mm256_blendv_epi8(r, b, _mm256_cmpeq_epi32(fAlpha, zero));
}

// Sixteen pixels of MergeWith<BlendPixelV>.
inline void Merge16(__m256i f0, __m256i f1, __m256i& b0, __m256i& b1) {
    // An opaque background throughout is only a blend; a clear source blends to B exactly there.
    const __m256i alphaMask = _mm256_set1_epi32(int(0xFF000000u));
    if (_mm256_testc_si256(_mm256_and_si256(b0, b1), alphaMask)) {
        b0 = _mm256_or_si256(Combine8(f0, b0, SpreadAlpha8(f0)), alphaMask);
        b1 = _mm256_or_si256(Combine8(f1, b1, SpreadAlpha8(f1)), alphaMask);
        return;
    }
    __m256i fp[4], bp[4];
    SplitPlanes16(f0, f1, fp);
    SplitPlanes16(b0, b1, bp);
    __m256i special = _mm256_or_si256(_mm256_cmpeq_epi16(_mm256_min_epu16(fp[3], bp[3]), _mm256_setzero_si256()),
                                      _mm256_cmpeq_epi16(_mm256_max_epu16(fp[3], bp[3]), Splat16<255>()));
    uint32_t specialMask = uint32_t(_mm256_movemask_epi8(special));
    if (specialMask == 0xFFFFFFFFu) {
        b0 = MergeSpecial8(f0, b0, f0);
        b1 = MergeSpecial8(f1, b1, f1);
        return;
    }
    MergeGeneralPlanes16(fp, bp);
    __m256i r0, r1;
    JoinPlanes16(bp, r0, r1);
    if (specialMask != 0) {
        r0 = MergeSpecial8(f0, b0, r0);
        r1 = MergeSpecial8(f1, b1, r1);
    }
    b0 = r0;
    b1 = r1;
}

void MergeRowAvx2(const TColor32* src, TColor32* dst, int32_t count) {
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256i b0 = Load8(dst + i), b1 = Load8(dst + i + 8);
        Merge16(Load8(src + i), Load8(src + i + 8), b0, b1);
        Store8(dst + i, b0);
        Store8(dst + i + 8, b1);
    }
    if (i < count) kVectorSse2BlendOps.Merge.Row(src + i, dst + i, count - i);
}

inline __m256i ScaleAlpha8(__m256i f, __m256i master) {
    __m256i fa = Div255x8(_mm256_mullo_epi16(_mm256_srli_epi32(f, 24), master));
    return _mm256_or_si256(_mm256_and_si256(f, _mm256_set1_epi32(0x00FFFFFF)), _mm256_slli_epi32(fa, 24));
}

void MergeRowMasterAvx2(const TColor32* src, TColor32* dst, int32_t count, uint32_t m) {
    const __m256i master = _mm256_set1_epi32(int(m & 0xFF));
    int32_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m256i b0 = Load8(dst + i), b1 = Load8(dst + i + 8);
        Merge16(ScaleAlpha8(Load8(src + i), master), ScaleAlpha8(Load8(src + i + 8), master), b0, b1);
        Store8(dst + i, b0);
        Store8(dst + i + 8, b1);
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
