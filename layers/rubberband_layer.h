#pragma once
// TRubberbandLayer: a positioned layer that the user moves and resizes with the mouse. It draws a
// dashed outline and square grips on its rectangle, tells which grip lies under the pointer, shows the
// matching sizing cursor, and while a button is held turns pointer motion into a new extent, kept
// within the size limits and offered to OnReshaping before it is applied.
//
// Grips are drawn centred on the rounded outline's Left, Top, Right and Bottom, while GripAt measures
// from its last pixel column and row (Right - 1, Bottom - 1); the body excludes that column and row.
// Every drag step starts again from the extent at the start of the drag, so a step's proposal never
// depends on earlier steps or on what OnReshaping did with them.
#include <cstdint>
#include <functional>

#include "core/geometry.h"
#include "core/input.h"
#include "layers/positioned_layer.h"
#include "raster/color32.h"

namespace velmora {

// What lies under a point of a rubber-band layer.
enum class TGripKind : uint8_t {
    gkNone = 0,
    gkMove = 1,
    gkLeft = 2,
    gkTop = 3,
    gkRight = 4,
    gkBottom = 5,
    gkTopLeft = 6,
    gkTopRight = 7,
    gkBottomLeft = 8,
    gkBottomRight = 9,
};

// What a rubber-band layer draws and lets the user grab. Bits 12 to 15 are not used.
using TGripSet = uint16_t;
constexpr TGripSet gsBody = 0x0001;     // pressing inside the outline starts a move
constexpr TGripSet gsSides = 0x0002;    // the four side grips exist (drawn and grabbable)
constexpr TGripSet gsCorners = 0x0004;  // the four corner grips exist
constexpr TGripSet gsOutline = 0x0008;  // the dashed outline is drawn
constexpr TGripSet gsNoLeft = 0x0010;
constexpr TGripSet gsNoRight = 0x0020;
constexpr TGripSet gsNoTop = 0x0040;
constexpr TGripSet gsNoBottom = 0x0080;
constexpr TGripSet gsNoTopLeft = 0x0100;
constexpr TGripSet gsNoTopRight = 0x0200;
constexpr TGripSet gsNoBottomLeft = 0x0400;
constexpr TGripSet gsNoBottomRight = 0x0800;

class TRubberbandLayer;

// Edge pushing of a resize: the dragged edge moves by delta, then the size is held to the limits by
// moving that edge back, the smallest size first; a largest size below the smallest is no limit.
void PushLowEdge(float& lo, float hi, float delta, float smallest, float largest);
void PushHighEdge(float lo, float& hi, float delta, float smallest, float largest);

// oldExtent: the extent at the start of the drag; newExtent: the proposal, which the handler may
// rewrite freely (the size limits are not applied again).
using TReshapingEvent = std::function<void(TRubberbandLayer* sender, const TSingleRect& oldExtent,
                                           TSingleRect& newExtent, TGripKind grip, TShiftState shift)>;
using TReshapedEvent = std::function<void(TRubberbandLayer* sender)>;

// The screen cursor shown over a grip while no drag is in progress; gkMove shows hoverCursor.
TCursor GripCursor(TGripKind grip, TCursor hoverCursor);

// A pointer coordinate on the control mapped back to the layer's own coordinates along one axis:
// layerLow + (p - controlLow) / (controlHigh - controlLow) x (layerHigh - layerLow), worked out in
// extended precision and rounded once to single, so a move by whole bitmap pixels stays whole.
float PointerToLayer(float p, float controlLow, float controlHigh, float layerLow, float layerHigh);

class TRubberbandLayer : public TPositionedLayer {
public:
    explicit TRubberbandLayer(TLayerCollection* collection);

    const char* ClassName() const override { return "TRubberbandLayer"; }

    // Changes of the grips' look raise the collection's overlay update, not a repaint: the new look
    // shows after the next rendering of the owner's back buffer (follow with MarkDirty).
    TGripSet Grips() const { return FGrips; }
    void SetGrips(TGripSet grips);
    int32_t GripRadius() const { return FGripRadius; }
    // Below 1 is stored as 1.
    void SetGripRadius(int32_t radius);
    TColor32 GripFillColor() const { return FGripFillColor; }
    void SetGripFillColor(TColor32 color);

    // Stores the bits without loSilent: the layer's changes always reach its collection.
    void SetOptionBits(uint32_t bits) override;

    // x, y in control client coordinates.
    virtual TGripKind GripAt(int32_t x, int32_t y);
    // A point is on the layer when some grip (the body included) lies under it.
    bool ContainsPoint(int32_t x, int32_t y) override;

    // One reshaping step as a drag makes it: OnReshaping sees oldExtent and may rewrite the proposal,
    // then the extent takes the proposal, and OnReshaped follows, only when it differs.
    void Reshape(const TSingleRect& oldExtent, TSingleRect proposal, TGripKind grip, TShiftState shift);

    void HandleMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;
    void HandleMouseMove(TShiftState shift, int32_t x, int32_t y) override;
    void HandleMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) override;

    // Outline and grips into the owner's back buffer, in control coordinates.
    void Draw(TBitmap32& buffer) override;
    // A layer with neither outline nor grips (a hotspot in viewing mode) only takes the mouse.
    bool DrawsPixels() const override;
    // Outline and grips lie within the outline widened by the grip radius; empty without either.
    bool DrawnBounds(TRect& bounds) override;

    // Drag state.
    bool Tracking() const { return FTracking; }
    TGripKind ActiveGrip() const { return FActiveGrip; }
    const TSingleRect& StartExtent() const { return FStartExtent; }
    // Pointer minus the outline's top-left corner in control coordinates at the start of a move
    // drag; (0, 0) when resizing.
    const TSinglePoint& GrabOffset() const { return FGrabOffset; }

    // Look of the outline and the grips; plain settings read at every Draw.
    TArrayOfColor32 OutlineColors{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFF000000u, 0xFF000000u};
    float OutlineStep = 1.0f;
    float OutlinePhase = 0.0f;
    TColor32 GripEdgeColor = 0xFF000000u;

    // Size limits of resizing; a largest size below the matching smallest one means no upper limit.
    float SmallestWidth = 10.0f;
    float LargestHeight = 0.0f;
    float SmallestHeight = 10.0f;
    float LargestWidth = 0.0f;

    TReshapedEvent OnReshaped;
    TReshapingEvent OnReshaping;

protected:
    // Raises OnReshaping with this layer as sender.
    virtual void DoReshaping(const TSingleRect& oldExtent, TSingleRect& newExtent, TGripKind grip,
                             TShiftState shift);

private:
    void RaiseOverlayUpdate();
    void DragStep(TShiftState shift, int32_t x, int32_t y);
    void DrawGrip(TBitmap32& buffer, int32_t x, int32_t y);

    TColor32 FGripFillColor = 0xFFFFFFFFu;
    TGripSet FGrips = gsBody | gsSides | gsCorners | gsOutline;
    int32_t FGripRadius = 3;
    bool FTracking = false;
    TGripKind FActiveGrip = TGripKind::gkNone;
    TSingleRect FStartExtent;
    TSinglePoint FGrabOffset;
};

}  // namespace velmora
