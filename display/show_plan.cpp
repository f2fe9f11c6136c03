#include "display/show_plan.h"

namespace velmora {

bool ViewportWithinBitmap(const TRect& viewport, int32_t width, int32_t height) {
    return viewport.Left >= 0 && viewport.Top >= 0 && viewport.Right <= width && viewport.Bottom <= height;
}

TShowPlan PlanShow(std::span<const TShowStage> stages, const TShowPlacement& placement, const TShowBitmap& bitmap) {
    if (!bitmap.ShowAllowed || bitmap.Width <= 0 || bitmap.Height <= 0 || !bitmap.DrawsOpaquely ||
        placement.Viewport.IsEmpty())
        return TShowPlan::spRender;

    // One walk for both ways: any other stage, or a layer stage that draws, needs the buffer.
    bool bitmapLast = false;  // the last stage that draws is a bitmap stage: stages before it are overwritten
    bool cleared = false;     // the one background stage has run, right before the bitmap
    bool drawn = false;       // the one bitmap stage has run, after the background
    bool banded = true;
    for (size_t i = 0; i < stages.size(); ++i) {
        switch (stages[i].Kind) {
            case psBitmap:
                bitmapLast = true;
                if (!cleared || drawn) banded = false;
                drawn = true;
                break;
            case psBackground:
                bitmapLast = false;
                if (cleared || drawn || i + 1 == stages.size() || stages[i + 1].Kind != psBitmap) banded = false;
                cleared = true;
                break;
            case psLayers:
                if (stages[i].DrawsLayers) return TShowPlan::spRender;
                break;
            default: return TShowPlan::spRender;
        }
    }

    const TRect& r = placement.PlacedRect;
    // Bitmap pixel (x, y) must be control pixel (x, y), drawn by a same-size copy.
    const bool atOrigin = r == TRect{0, 0, bitmap.Width, bitmap.Height};
    if (atOrigin && ViewportWithinBitmap(placement.Viewport, bitmap.Width, bitmap.Height) && bitmapLast)
        return TShowPlan::spDirect;
    const bool ownSize = r.Width() == bitmap.Width && r.Height() == bitmap.Height;
    if (ownSize && !placement.Tiled && banded && drawn) return TShowPlan::spBanded;
    return TShowPlan::spRender;
}

}  // namespace velmora
