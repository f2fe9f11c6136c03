#include "layers/rubberband_layer.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

#include "core/rounding.h"
#include "layers/layer_collection.h"
#include "raster/bitmap32.h"
#include "toolkit/screen_cursor.h"

namespace velmora {

namespace {

// The outline on the control, each edge rounded to the nearest pixel (halves to even). Right and
// Bottom stay exclusive. A wild extent is held inside the int32 range instead of overflowing.
struct TOutline {
    int32_t L, T, Rt, Bt;
};

TOutline OutlineOf(const TSingleRect& c) {
    return TOutline{NearestInt(c.Left), NearestInt(c.Top), NearestInt(c.Right), NearestInt(c.Bottom)};
}

int32_t ClampToInt(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

bool Near(int64_t a, int64_t b, int64_t tolerance) { return std::llabs(a - b) <= tolerance; }

bool Any(TGripKind grip, std::initializer_list<TGripKind> kinds) {
    return std::find(kinds.begin(), kinds.end(), grip) != kinds.end();
}

}  // namespace

void PushLowEdge(float& lo, float hi, float delta, float smallest, float largest) {
    lo = lo + delta;
    if (hi - lo < smallest) lo = hi - smallest;
    if (largest >= smallest && hi - lo > largest) lo = hi - largest;
}

void PushHighEdge(float lo, float& hi, float delta, float smallest, float largest) {
    hi = hi + delta;
    if (hi - lo < smallest) hi = lo + smallest;
    if (largest >= smallest && hi - lo > largest) hi = lo + largest;
}

float PointerToLayer(float p, float controlLow, float controlHigh, float layerLow, float layerHigh) {
    // The differences and their product are exact in extended precision; the quotient and the sum
    // each round once there, far below a single's step, so an exact result comes out exact.
    const long double moved = static_cast<long double>(p) - controlLow;
    const long double span = static_cast<long double>(layerHigh) - layerLow;
    const long double onControl = static_cast<long double>(controlHigh) - controlLow;
    return static_cast<float>(layerLow + moved * span / onControl);
}

TCursor GripCursor(TGripKind grip, TCursor hoverCursor) {
    switch (grip) {
        case TGripKind::gkMove: return hoverCursor;
        case TGripKind::gkLeft:
        case TGripKind::gkRight: return crSizeWE;
        case TGripKind::gkTop:
        case TGripKind::gkBottom: return crSizeNS;
        case TGripKind::gkTopLeft:
        case TGripKind::gkBottomRight: return crSizeNWSE;
        case TGripKind::gkTopRight:
        case TGripKind::gkBottomLeft: return crSizeNESW;
        case TGripKind::gkNone: break;
    }
    return crDefault;
}

TRubberbandLayer::TRubberbandLayer(TLayerCollection* collection) : TPositionedLayer(collection) {
    StoreOptionBits(loVisible | loMouseInput);
}

void TRubberbandLayer::RaiseOverlayUpdate() {
    TLayerCollection* collection = OwnerCollection();
    if (!collection || collection->ChangeDepth() != 0) return;
    if (auto handler = collection->OnOverlayUpdate) handler(collection);
}

void TRubberbandLayer::SetGrips(TGripSet grips) {
    if (grips == FGrips) return;
    FGrips = grips;
    RaiseOverlayUpdate();
}

void TRubberbandLayer::SetGripRadius(int32_t radius) {
    radius = std::max(radius, 1);
    if (radius == FGripRadius) return;
    FGripRadius = radius;
    RaiseOverlayUpdate();
}

void TRubberbandLayer::SetGripFillColor(TColor32 color) {
    if (color == FGripFillColor) return;
    FGripFillColor = color;
    RaiseOverlayUpdate();
}

void TRubberbandLayer::SetOptionBits(uint32_t bits) { TPositionedLayer::SetOptionBits(bits & ~loSilent); }

TGripKind TRubberbandLayer::GripAt(int32_t x, int32_t y) {
    const int64_t tol = int64_t(FGripRadius) + 1;
    const TOutline o = OutlineOf(ExtentOnControl(Extent()));
    // Measured from the last pixel column and row of the outline.
    const int64_t l = o.L, t = o.T, r1 = int64_t(o.Rt) - 1, b1 = int64_t(o.Bt) - 1;
    const bool nearL = Near(l, x, tol);
    const bool nearR = Near(r1, x, tol);
    const bool nearCX = Near((l + r1) / 2, x, tol);
    const bool nearT = Near(t, y, tol);
    const bool nearB = Near(b1, y, tol);
    const bool nearCY = Near((t + b1) / 2, y, tol);
    const bool corners = (FGrips & gsCorners) != 0;
    const bool sides = (FGrips & gsSides) != 0;

    // Corners win over sides, sides over the body.
    if (nearR && nearB && corners && !(FGrips & gsNoBottomRight)) return TGripKind::gkBottomRight;
    if (nearL && nearB && corners && !(FGrips & gsNoBottomLeft)) return TGripKind::gkBottomLeft;
    if (nearR && nearT && corners && !(FGrips & gsNoTopRight)) return TGripKind::gkTopRight;
    if (nearL && nearT && corners && !(FGrips & gsNoTopLeft)) return TGripKind::gkTopLeft;
    if (nearR && nearCY && sides && !(FGrips & gsNoRight)) return TGripKind::gkRight;
    if (nearCX && nearB && sides && !(FGrips & gsNoBottom)) return TGripKind::gkBottom;
    if (nearL && nearCY && sides && !(FGrips & gsNoLeft)) return TGripKind::gkLeft;
    if (nearCX && nearT && sides && !(FGrips & gsNoTop)) return TGripKind::gkTop;
    // The last pixel column and row are not part of the body.
    if ((FGrips & gsBody) && l <= x && x < r1 && t <= y && y < b1) return TGripKind::gkMove;
    return TGripKind::gkNone;
}

bool TRubberbandLayer::ContainsPoint(int32_t x, int32_t y) { return GripAt(x, y) != TGripKind::gkNone; }

void TRubberbandLayer::DoReshaping(const TSingleRect& oldExtent, TSingleRect& newExtent, TGripKind grip,
                                   TShiftState shift) {
    if (auto handler = OnReshaping) handler(this, oldExtent, newExtent, grip, shift);
}

void TRubberbandLayer::HandleMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (FTracking) return;
    FActiveGrip = GripAt(x, y);
    FTracking = FActiveGrip != TGripKind::gkNone;
    if (FTracking) {
        FStartExtent = Extent();
        const TSingleRect c = ExtentOnControl(Extent());
        if (FActiveGrip == TGripKind::gkMove)
            FGrabOffset = TSinglePoint{static_cast<float>(x) - c.Left, static_cast<float>(y) - c.Top};
        else
            FGrabOffset = TSinglePoint{};
    }
    TPositionedLayer::HandleMouseDown(button, shift, x, y);
}

void TRubberbandLayer::HandleMouseMove(TShiftState shift, int32_t x, int32_t y) {
    if (FTracking) {
        DragStep(shift, x, y);
        return;
    }
    FActiveGrip = GripAt(x, y);
    Screen().SetCursor(GripCursor(FActiveGrip, HoverCursor()));
}

void TRubberbandLayer::HandleMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    FTracking = false;
    TPositionedLayer::HandleMouseUp(button, shift, x, y);
}

void TRubberbandLayer::DragStep(TShiftState shift, int32_t x, int32_t y) {
    // The pointer in control coordinates, less the grab offset.
    float px = static_cast<float>(x) - FGrabOffset.X;
    float py = static_cast<float>(y) - FGrabOffset.Y;
    const TSingleRect cur = Extent();
    if (FollowsBitmap()) {
        const TSingleRect c = ExtentOnControl(cur);
        // No size on the control: no way to map the pointer back, so the step is skipped.
        if (!(c.Right > c.Left) || !(c.Bottom > c.Top)) return;
        px = PointerToLayer(px, c.Left, c.Right, cur.Left, cur.Right);
        py = PointerToLayer(py, c.Top, c.Bottom, cur.Top, cur.Bottom);
    }

    TSingleRect n = FStartExtent;
    const TGripKind grip = FActiveGrip;
    if (grip == TGripKind::gkMove) {
        const float w = n.Right - n.Left;
        const float h = n.Bottom - n.Top;
        n.Left = px;
        n.Top = py;
        n.Right = px + w;
        n.Bottom = py + h;
    } else {
        using enum TGripKind;
        if (Any(grip, {gkLeft, gkTopLeft, gkBottomLeft}))
            PushLowEdge(n.Left, n.Right, px - n.Left, SmallestWidth, LargestWidth);
        if (Any(grip, {gkRight, gkTopRight, gkBottomRight}))
            PushHighEdge(n.Left, n.Right, px - n.Right, SmallestWidth, LargestWidth);
        if (Any(grip, {gkTop, gkTopLeft, gkTopRight}))
            PushLowEdge(n.Top, n.Bottom, py - n.Top, SmallestHeight, LargestHeight);
        if (Any(grip, {gkBottom, gkBottomLeft, gkBottomRight}))
            PushHighEdge(n.Top, n.Bottom, py - n.Bottom, SmallestHeight, LargestHeight);
    }

    // The handler sees the extent of the drag's start; until it returns the layer keeps the extent
    // of the previous step.
    const TSingleRect start = FStartExtent;
    Reshape(start, n, grip, shift);
}

void TRubberbandLayer::Reshape(const TSingleRect& oldExtent, TSingleRect proposal, TGripKind grip,
                               TShiftState shift) {
    DoReshaping(oldExtent, proposal, grip, shift);
    const TSingleRect& now = Extent();
    if (proposal.Left == now.Left && proposal.Right == now.Right && proposal.Top == now.Top &&
        proposal.Bottom == now.Bottom)
        return;
    SetExtent(proposal);
    if (auto handler = OnReshaped) handler(this);
}

void TRubberbandLayer::DrawGrip(TBitmap32& buffer, int32_t x, int32_t y) {
    const int64_t r = FGripRadius;
    const int32_t x1 = ClampToInt(x - r), y1 = ClampToInt(y - r);
    const int32_t x2 = ClampToInt(x + r), y2 = ClampToInt(y + r);
    buffer.BlendBlockClipped(x1, y1, x2, y2, FGripFillColor);
    buffer.OutlineRect(x1, y1, x2, y2, GripEdgeColor);
}

bool TRubberbandLayer::DrawsPixels() const { return (FGrips & (gsOutline | gsCorners | gsSides)) != 0; }

bool TRubberbandLayer::DrawnBounds(TRect& bounds) {
    bounds = TRect{};
    if (!DrawsPixels()) return true;
    const TOutline o = OutlineOf(ExtentOnControl(Extent()));
    // Grips reach r past each edge (the right and bottom ones from Rt and Bt); one more for safety.
    const int64_t r = int64_t(FGripRadius) + 1;
    bounds = TRect{ClampToInt(std::min<int64_t>(o.L, o.Rt) - r), ClampToInt(std::min<int64_t>(o.T, o.Bt) - r),
                   ClampToInt(std::max<int64_t>(o.L, o.Rt) + r + 1), ClampToInt(std::max<int64_t>(o.T, o.Bt) + r + 1)};
    return true;
}

void TRubberbandLayer::Draw(TBitmap32& buffer) {
    const TOutline o = OutlineOf(ExtentOnControl(Extent()));
    if (FGrips & gsOutline) {
        buffer.SetDashPattern(OutlineColors);
        buffer.DashStep = OutlineStep;
        buffer.DashPhase = OutlinePhase;
        buffer.DashedOutlineRect(o.L, o.T, o.Rt, o.Bt);
    }
    if (FGrips & gsCorners) {
        if (!(FGrips & gsNoTopLeft)) DrawGrip(buffer, o.L, o.T);
        if (!(FGrips & gsNoTopRight)) DrawGrip(buffer, o.Rt, o.T);
        if (!(FGrips & gsNoBottomLeft)) DrawGrip(buffer, o.L, o.Bt);
        if (!(FGrips & gsNoBottomRight)) DrawGrip(buffer, o.Rt, o.Bt);
    }
    if (FGrips & gsSides) {
        const int32_t cx = static_cast<int32_t>((int64_t(o.L) + o.Rt) / 2);
        const int32_t cy = static_cast<int32_t>((int64_t(o.T) + o.Bt) / 2);
        if (!(FGrips & gsNoTop)) DrawGrip(buffer, cx, o.T);
        if (!(FGrips & gsNoLeft)) DrawGrip(buffer, o.L, cy);
        if (!(FGrips & gsNoRight)) DrawGrip(buffer, o.Rt, cy);
        if (!(FGrips & gsNoBottom)) DrawGrip(buffer, cx, o.Bt);
    }
}

}  // namespace velmora
