#pragma once
// Box averages, the draft resampler's shrink: the mean of a box of pixels, each channel rounded down
// through one reciprocal q = 2^24 div N of the box's N pixels. The portable form adds in 32-bit
// integers, the vector form (SSE2) in 16-bit lanes; both give the same results. The forms of the
// detail namespace take q from their caller and are not for callers outside raster/.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/blend.h"
#include "raster/color32.h"

namespace velmora {

// The mean of a box: rows of boxWidth pixels starting at box, stride pixels apart, in the form of
// the active blend variant. The vector form sums in 16-bit lanes, so boxWidth must not exceed 257.
TColor32 AverageBoxPortable(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride);
TColor32 AverageBoxVector(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride);

namespace detail {

// q = 2^24 div N for a box of N pixels.
inline uint32_t BoxReciprocal(uint32_t pixels) { return (1u << 24) / pixels; }

// The reciprocal of the last box size asked for: boxes of a row mostly share their size, so the
// division runs only when the size changes.
class TBoxReciprocal {
public:
    uint32_t For(uint32_t pixels) {
        if (pixels != FPixels) {
            FPixels = pixels;
            FQ = BoxReciprocal(pixels);
        }
        return FQ;
    }

private:
    uint32_t FPixels = 0;
    uint32_t FQ = 0;
};

// c = (sum * q) >> 24 per channel: never above the true mean.
inline TColor32 PackAverage(uint32_t b, uint32_t g, uint32_t r, uint32_t a, uint32_t q) {
    auto ch = [q](uint32_t sum) { return static_cast<uint32_t>((uint64_t(sum) * q) >> 24) & 0xFFu; };
    return (ch(a) << 24) | (ch(r) << 16) | (ch(g) << 8) | ch(b);
}

using TAverageBoxOp = TColor32 (*)(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride,
                                   uint32_t q);

// The mean of a box through the caller's q. The vector form hands boxes wider than 257 pixels to the
// portable one.
TColor32 AverageBoxPortableQ(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride, uint32_t q);
TColor32 AverageBoxVectorQ(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride, uint32_t q);

inline TAverageBoxOp ActiveAverageBoxQ() {
    return ActiveBlendVariant() == BlendVariant::Vector ? AverageBoxVectorQ : AverageBoxPortableQ;
}

// The vector box shrink, separable: a destination row first adds its box rows column by column in
// 16-bit lanes (so a box is at most 257 rows high), then adds each box's columns in 32-bit lanes and
// scales by the box's reciprocal. The sums are exact, so the results equal AverageBox per box.
class TBoxShrinkRowsVector {
public:
    // Box k of every row spans the source columns [columnBounds[k], columnBounds[k + 1]).
    explicit TBoxShrinkRowsVector(const std::vector<int32_t>& columnBounds);

    // Averages the boxes of boxHeight source rows, the first at row and the others stride pixels
    // apart, into out, one pixel per box.
    void Row(const TColor32* row, size_t stride, int32_t boxHeight, TColor32* out);

private:
    const std::vector<int32_t>& FBounds;
    // Per source column: blue, green, red and alpha sums, four 16-bit lanes in 64 bits.
    std::vector<uint64_t> FColumnSums;
    TBoxReciprocal FReciprocal;
};

}  // namespace detail

inline TColor32 AverageBox(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride) {
    return detail::ActiveAverageBoxQ()(box, boxWidth, boxHeight, stride,
                                       detail::BoxReciprocal(uint32_t(boxWidth) * uint32_t(boxHeight)));
}

}  // namespace velmora
