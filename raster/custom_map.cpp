#include "raster/custom_map.h"

namespace velmora {

TCustomMap::~TCustomMap() = default;

bool TCustomMap::SetDimensions(int32_t newWidth, int32_t newHeight) {
    if (newWidth < 0) newWidth = 0;
    if (newHeight < 0) newHeight = 0;
    if (newWidth == FWidth && newHeight == FHeight) return false;
    ResizeStorage(FWidth, FHeight, newWidth, newHeight);
    NotifyChanged();
    NotifyResized();
    return true;
}

void TCustomMap::Discard() { SetDimensions(0, 0); }

bool TCustomMap::IsEmpty() const { return FWidth == 0 || FHeight == 0; }

void TCustomMap::NotifyResized() {
    if (OnResize) OnResize(this);
}

void TCustomMap::ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth, int32_t newHeight) {
    width = newWidth;
    height = newHeight;
}

}  // namespace velmora
