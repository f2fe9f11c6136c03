// The vector box averages with SSE2: channels added in 16-bit lanes, two pixels side by side, and
// widened to 32-bit lanes before they could overflow.
#include <emmintrin.h>

#include "raster/box_average.h"

namespace velmora {

namespace detail {

// A row's pixels are added in 16-bit lanes, then widened per row.
TColor32 AverageBoxVectorQ(const TColor32* box, int32_t w, int32_t h, int32_t stride, uint32_t q) {
    if (w > 257) return AverageBoxPortableQ(box, w, h, stride, q);
    const __m128i zero = _mm_setzero_si128();
    __m128i acc32 = zero;
    for (int32_t y = 0; y < h; ++y) {
        const TColor32* p = box + size_t(y) * size_t(stride);
        __m128i acc16 = zero;
        int32_t x = 0;
        for (; x + 4 <= w; x += 4) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + x));
            acc16 = _mm_add_epi16(acc16, _mm_add_epi16(_mm_unpacklo_epi8(v, zero), _mm_unpackhi_epi8(v, zero)));
        }
        if (x + 2 <= w) {
            const __m128i v = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + x));
            acc16 = _mm_add_epi16(acc16, _mm_unpacklo_epi8(v, zero));
            x += 2;
        }
        if (x < w) {
            const __m128i v = _mm_cvtsi32_si128(static_cast<int>(p[x]));
            acc16 = _mm_add_epi16(acc16, _mm_unpacklo_epi8(v, zero));
        }
        acc32 = _mm_add_epi32(acc32, _mm_add_epi32(_mm_unpacklo_epi16(acc16, zero), _mm_unpackhi_epi16(acc16, zero)));
    }
    alignas(16) uint32_t s[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s), acc32);
    return PackAverage(s[0], s[1], s[2], s[3], q);
}

TBoxShrinkRowsVector::TBoxShrinkRowsVector(const std::vector<int32_t>& columnBounds)
    : FBounds(columnBounds), FColumnSums(size_t(columnBounds.back() - columnBounds.front()) + 4) {}

void TBoxShrinkRowsVector::Row(const TColor32* row, size_t stride, int32_t boxHeight, TColor32* out) {
    const std::vector<int32_t>& bx = FBounds;
    const int32_t boxes = int32_t(bx.size()) - 1;
    const int32_t firstX = bx.front(), span = bx.back() - firstX;
    const __m128i zero = _mm_setzero_si128();
    // Column sums, a chunk of columns at a time down all the box's rows, kept in registers.
    const TColor32* top = row + firstX;
    uint64_t* acc = FColumnSums.data();
    int32_t x = 0;
    for (; x + 4 <= span; x += 4, acc += 4) {
        __m128i lo = zero, hi = zero;
        const TColor32* p = top + x;
        for (int32_t y = 0; y < boxHeight; ++y, p += stride) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            lo = _mm_add_epi16(lo, _mm_unpacklo_epi8(v, zero));
            hi = _mm_add_epi16(hi, _mm_unpackhi_epi8(v, zero));
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(acc), lo);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(acc + 2), hi);
    }
    for (; x < span; ++x, ++acc) {
        __m128i lanes = zero;
        const TColor32* p = top + x;
        for (int32_t y = 0; y < boxHeight; ++y, p += stride)
            lanes = _mm_add_epi16(lanes, _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(*p)), zero));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(acc), lanes);
    }
    const uint64_t* sums = FColumnSums.data();
    for (int32_t k = 0; k < boxes; ++k) {
        const int32_t c0 = bx[size_t(k)] - firstX, c1 = bx[size_t(k) + 1] - firstX;
        const uint32_t pixels = uint32_t(c1 - c0) * uint32_t(boxHeight);
        __m128i total;
        if (c1 - c0 == 2 && pixels <= 257) {
            // Two adjacent columns whose sum still fits 16-bit lanes: one load, one add.
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + c0));
            total = _mm_unpacklo_epi16(_mm_add_epi16(v, _mm_srli_si128(v, 8)), zero);
        } else {
            total = zero;
            for (int32_t c = c0; c < c1; ++c)
                total = _mm_add_epi32(
                    total, _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + c)), zero));
        }
        // (sum * q) >> 24 per channel through two 32 x 32 -> 64-bit products per vector.
        const __m128i qv = _mm_set1_epi32(static_cast<int>(FReciprocal.For(pixels)));
        const __m128i even = _mm_srli_epi64(_mm_mul_epu32(total, qv), 24);
        const __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(total, 32), qv), 24);
        const __m128i channels = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(channels, zero), zero);
        out[k] = static_cast<TColor32>(_mm_cvtsi128_si32(packed));
    }
}

}  // namespace detail

TColor32 AverageBoxVector(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride) {
    return detail::AverageBoxVectorQ(box, boxWidth, boxHeight, stride,
                                     detail::BoxReciprocal(uint32_t(boxWidth) * uint32_t(boxHeight)));
}

}  // namespace velmora
