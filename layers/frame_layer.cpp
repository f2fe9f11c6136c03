#include "layers/frame_layer.h"

#include <algorithm>
#include <cstdint>

#include "core/rounding.h"
#include "layers/layer_options.h"
#include "raster/bitmap32.h"

namespace velmora {

namespace {

// Edges of a frame far off the control stay in range rather than wrap.
int32_t ClampToInt(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN / 2, INT32_MAX / 2)); }

}  // namespace

TFrameLayer::TFrameLayer(TLayerCollection* collection, TColor32 color, int32_t width)
    : TPositionedLayer(collection), FColor(color), FWidth(std::clamp(width, 1, 16)) {
    StoreOptionBits(loVisible);
}

void TFrameLayer::Draw(TBitmap32& buffer) {
    const TSingleRect c = ExtentOnControl(Extent());
    const int64_t l = NearestInt(c.Left), t = NearestInt(c.Top), r = NearestInt(c.Right), b = NearestInt(c.Bottom);
    if (r <= l || b <= t) return;
    // Ring i lies i + 1 pixels outside the extent.
    for (int64_t i = 0; i < FWidth; ++i)
        buffer.OutlineRect(ClampToInt(l - i - 1), ClampToInt(t - i - 1), ClampToInt(r + i + 1), ClampToInt(b + i + 1), FColor);
}

bool TFrameLayer::DrawnBounds(TRect& bounds) {
    const TSingleRect c = ExtentOnControl(Extent());
    const int64_t w = int64_t(FWidth) + 1;
    bounds = TRect{ClampToInt(int64_t(NearestInt(c.Left)) - w), ClampToInt(int64_t(NearestInt(c.Top)) - w),
                   ClampToInt(int64_t(NearestInt(c.Right)) + w), ClampToInt(int64_t(NearestInt(c.Bottom)) + w)};
    return true;
}

}  // namespace velmora
