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

}  // namespace

const BlendOps& VectorAvx2BlendOps() {
    static const BlendOps ops = [] {
        BlendOps o = kVectorSse2BlendOps;
        o.Blend.Row = BlendRowAvx2;
        o.Blend.RowMaster = BlendRowMasterAvx2;
        o.MixRow = MixRowAvx2;
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
