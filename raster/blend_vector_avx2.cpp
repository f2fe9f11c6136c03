// Row kernels of the vector variant eight pixels at a time, for processors with AVX2: the rows of
// blend_vector_rows.inc on 256-bit registers, finished by the SSE2 rows. Same lane arithmetic as the
// SSE2 rows, so the results are identical; the start-up picks them when it can.
#include <cstring>

#include "raster/blend_kernels.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>

#pragma GCC push_options
#pragma GCC target("avx2")

namespace velmora::detail {

namespace {

using Lanes = __m256i;
constexpr int32_t kLanePixels = 8;
#define VX(name) _mm256_##name
#define VXSI(name) _mm256_##name##_si256

inline int PixelMask(__m256i mask) { return _mm256_movemask_ps(_mm256_castsi256_ps(mask)); }
inline bool AllZero(__m256i x) { return _mm256_testz_si256(x, x); }
inline bool AnyPixel(__m256i mask) { return !AllZero(mask); }
inline bool CoversBits(__m256i x, __m256i bits) { return _mm256_testc_si256(x, bits); }
inline __m256i Select(__m256i mask, __m256i a, __m256i b) { return _mm256_blendv_epi8(b, a, mask); }

// A constant hidden from the optimiser, so that under register pressure it is kept or reloaded from
// the stack instead of being rebuilt from a general register inside the merge loop.
template <short V>
inline __m256i Splat16() {
    __m256i v = _mm256_set1_epi16(V);
    asm("" : "+x"(v));
    return v;
}

// Sixteen pixels split into planes of 16-bit lanes: blue, green, red, alpha. Each 128-bit half
// splits on its own (pixels 0-3 and 8-11 in the low half), and JoinPlanes undoes it the same way.
inline void SplitPlanes(__m256i x0, __m256i x1, __m256i planes[4]) {
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

constexpr const BlendOps& kTailOps = kVectorSse2BlendOps;

#include "raster/blend_vector_rows.inc"

}  // namespace

const BlendOps& VectorAvx2BlendOps() {
    static const BlendOps ops = [] {
        BlendOps o = kVectorSse2BlendOps;
        o.Blend.Row = BlendRowLanes;
        o.Blend.RowMaster = BlendRowMasterLanes;
        o.MixRow = MixRowLanes;
        o.Merge.Row = MergeRowLanes;
        o.Merge.RowMaster = MergeRowMasterLanes;
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
