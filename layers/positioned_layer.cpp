#include "layers/positioned_layer.h"

#include "layers/layer_collection.h"

namespace velmora {

TPositionedLayer::TPositionedLayer(TLayerCollection* collection) : TCustomLayer(collection) {
    StoreOptionBits(loVisible | loMouseInput);
}

void TPositionedLayer::SetExtent(const TSingleRect& rect) {
    WillChange();
    AssignExtent(rect);
    NotifyChanged();
}

void TPositionedLayer::AssignExtent(const TSingleRect& rect) { FExtent = rect; }

void TPositionedLayer::SetFollowsBitmap(bool value) {
    if (value == FFollowsBitmap) return;
    WillChange();
    FFollowsBitmap = value;
    NotifyChanged();
}

TSingleRect TPositionedLayer::ExtentOnControl(const TSingleRect& rect) {
    TLayerCollection* collection = OwnerCollection();
    if (!FFollowsBitmap || !collection) return rect;
    float offsetX = 0.0f, offsetY = 0.0f, scaleX = 1.0f, scaleY = 1.0f;
    // Offset first: the owner settles its placement on the first question.
    collection->QueryOffset(offsetX, offsetY);
    collection->QueryScale(scaleX, scaleY);
    TSingleRect r;
    r.Left = rect.Left * scaleX + offsetX;
    r.Top = rect.Top * scaleY + offsetY;
    r.Right = rect.Right * scaleX + offsetX;
    r.Bottom = rect.Bottom * scaleY + offsetY;
    return r;
}

bool TPositionedLayer::ContainsPoint(int32_t x, int32_t y) {
    const TSingleRect c = ExtentOnControl(FExtent);
    const float fx = static_cast<float>(x);
    const float fy = static_cast<float>(y);
    return c.Left <= fx && fx < c.Right && c.Top <= fy && fy < c.Bottom;
}

}  // namespace velmora
