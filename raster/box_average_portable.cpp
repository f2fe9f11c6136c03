// The portable box average: plain 32-bit sums per channel.
#include "raster/box_average.h"

namespace velmora {

namespace detail {

TColor32 AverageBoxPortableQ(const TColor32* box, int32_t w, int32_t h, int32_t stride, uint32_t q) {
    uint32_t sb = 0, sg = 0, sr = 0, sa = 0;
    for (int32_t y = 0; y < h; ++y) {
        const TColor32* p = box + size_t(y) * size_t(stride);
        for (int32_t x = 0; x < w; ++x) {
            const TColor32 c = p[x];
            sb += c & 0xFF;
            sg += (c >> 8) & 0xFF;
            sr += (c >> 16) & 0xFF;
            sa += c >> 24;
        }
    }
    return PackAverage(sb, sg, sr, sa, q);
}

}  // namespace detail

TColor32 AverageBoxPortable(const TColor32* box, int32_t boxWidth, int32_t boxHeight, int32_t stride) {
    return detail::AverageBoxPortableQ(box, boxWidth, boxHeight, stride,
                                       detail::BoxReciprocal(uint32_t(boxWidth) * uint32_t(boxHeight)));
}

}  // namespace velmora
