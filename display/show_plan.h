#pragma once
// How paints show an image control's picture, planned from the compiled paint stages, the
// placement and the bitmap alone. The stages may hold only background, bitmap and layer stages whose
// layers draw nothing; then
//   spDirect  the last of them that draws is a bitmap stage, the bitmap an opaque copy at its own size
//             from the origin, covering the viewport: paints show the bitmap's memory itself;
//   spBanded  one background stage, at once followed by the one bitmap stage, the bitmap an opaque,
//             untiled copy at its own size: paints show it at its place and fill the bands around it
//             with the control colour;
// and anything else is spRender: the stages render into the back buffer, which paints show. A direct
// show wins over a banded one.
#include <cstdint>
#include <span>

#include "core/geometry.h"
#include "display/paint_stages.h"

namespace velmora {

enum class TShowPlan : uint8_t { spRender = 0, spDirect = 1, spBanded = 2 };

// A compiled (run-time) paint stage; for a psLayers stage, whether some layer it selects draws pixels.
struct TShowStage {
    uint32_t Kind = psNone;
    bool DrawsLayers = false;
};

// Where the bitmap lands. The scales and the shift follow from the placed rectangle: one of the
// bitmap's own size at the origin is a 1:1 copy.
struct TShowPlacement {
    TRect PlacedRect;
    bool Tiled = false;
    TRect Viewport;
};

struct TShowBitmap {
    int32_t Width = 0;  // 0 x 0 for a bitmap without pixels
    int32_t Height = 0;
    // Its draws are plain copies: dmOpaque, or dmCustom without a combine handler.
    bool DrawsOpaquely = false;
    // The control lets paints show the bitmap itself.
    bool ShowAllowed = true;
};

TShowPlan PlanShow(std::span<const TShowStage> stages, const TShowPlacement& placement, const TShowBitmap& bitmap);

// The viewport lies within a width x height bitmap at the origin, as a direct show needs.
bool ViewportWithinBitmap(const TRect& viewport, int32_t width, int32_t height);

}  // namespace velmora
