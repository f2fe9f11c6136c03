#pragma once
// TFrameLayer: a rectangle drawn as a plain frame of a given colour and width, lying just outside
// its extent so that it never covers the pixels it frames. It takes no part in mouse dispatch and
// holds no data of its own: the reader's keyboard focus and the outlines shown while Ctrl is held
// are drawn with it over the hotspots of an item.
#include <cstdint>

#include "layers/positioned_layer.h"
#include "raster/color32.h"

namespace velmora {

class TFrameLayer : public TPositionedLayer {
public:
    TFrameLayer(TLayerCollection* collection, TColor32 color, int32_t width);

    const char* ClassName() const override { return "TFrameLayer"; }

    TColor32 Color() const { return FColor; }
    int32_t Width() const { return FWidth; }

    void Draw(TBitmap32& buffer) override;
    bool DrawnBounds(TRect& bounds) override;

private:
    TColor32 FColor;
    int32_t FWidth;
};

}  // namespace velmora
