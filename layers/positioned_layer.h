#pragma once
// TPositionedLayer: a layer that occupies a rectangle, its Extent. Without FollowsBitmap the extent is
// in the owner control's client coordinates; with it, the extent is in bitmap coordinates and is
// mapped to the control as value * scale + offset, asking the collection for the current scale and
// offset each time, so the layer moves with a scrolled or zoomed bitmap.
#include <cstdint>

#include "core/geometry.h"
#include "layers/custom_layer.h"

namespace velmora {

class TPositionedLayer : public TCustomLayer {
public:
    explicit TPositionedLayer(TLayerCollection* collection);

    const char* ClassName() const override { return "TPositionedLayer"; }

    // Right and Bottom are exclusive. SetExtent stores the rectangle as given (no normalising, no
    // limits) between WillChange and NotifyChanged, so a shown layer is repainted.
    const TSingleRect& Extent() const { return FExtent; }
    void SetExtent(const TSingleRect& rect);
    // Stores the rectangle without any notification.
    virtual void AssignExtent(const TSingleRect& rect);

    bool FollowsBitmap() const { return FFollowsBitmap; }
    void SetFollowsBitmap(bool value);

    // rect in control client coordinates (unrounded).
    virtual TSingleRect ExtentOnControl(const TSingleRect& rect);

    // Left <= x < Right and Top <= y < Bottom of the extent on the control, in floating point.
    bool ContainsPoint(int32_t x, int32_t y) override;

private:
    TSingleRect FExtent{0.0f, 0.0f, 64.0f, 64.0f};
    bool FFollowsBitmap = false;
};

}  // namespace velmora
