// Whole-number zoom of 32-bit pixels against a plain reference: every scale up to 4, every width up to
// 33 so that each vector tail runs, rows of the target wider than the copy left untouched.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "display/pixel_zoom.h"

namespace velmora {
namespace {

TEST(PixelZoom, EveryPixelBecomesAnOpaqueBlock) {
    for (int n = 1; n <= 4; ++n)
        for (int width = 1; width <= 33; ++width) {
            SCOPED_TRACE(testing::Message() << "n " << n << " width " << width);
            const int height = 3, srcStride = width + 2, dstStride = width * n + 5;
            std::vector<uint32_t> src(size_t(srcStride) * height);
            for (size_t i = 0; i < src.size(); ++i) src[i] = uint32_t(i * 0x01030507u) & 0x00FFFFFFu;
            std::vector<uint32_t> dst(size_t(dstStride) * height * n, 0x12345678u);
            ZoomPixels(src.data(), srcStride, width, height, dst.data(), dstStride, n, 0xFF000000u);
            for (int y = 0; y < height * n; ++y)
                for (int x = 0; x < dstStride; ++x) {
                    const uint32_t want = x < width * n ? src[size_t(y / n) * srcStride + x / n] | 0xFF000000u : 0x12345678u;
                    ASSERT_EQ(dst[size_t(y) * dstStride + x], want) << x << "," << y;
                }
        }
}

}  // namespace
}  // namespace velmora
