#include "display/custom_image32.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/mul_div.h"
#include "core/scope_exit.h"
#include "layers/custom_layer.h"
#include "layers/layer_options.h"
#include "core/rounding.h"
#include "raster/color32.h"
#include "raster/notifiable_persistent.h"
#include "toolkit/screen_cursor.h"

namespace velmora {

namespace {

constexpr float MinScale = 0.001f;

// Draws are plain copies for dmOpaque, and for dmCustom while no combine handler is assigned.
bool DrawsOpaquely(const TBitmap32& b) {
    return b.DrawMode() == TDrawMode::dmOpaque || (b.DrawMode() == TDrawMode::dmCustom && !b.OnPixelCombine);
}

// Placed edges stay within +-2^30, where every width and a shift's negation still fit in 32 bits; a
// picture placed that far lies out of sight anyway.
constexpr int64_t PlacementLimit = int64_t(1) << 30;

int32_t HeldEdge(int64_t v) { return static_cast<int32_t>(std::clamp(v, -PlacementLimit, PlacementLimit - 1)); }

// An offset that is no number moves nothing.
int32_t OffsetPixel(float offset) {
    if (std::isnan(offset)) return 0;
    return NearestInt(std::clamp<long double>(offset, -PlacementLimit, PlacementLimit));
}

TRect Union(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return TRect{std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

// The bounds of a layer that may draw anywhere.
constexpr TRect Anywhere{std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min(),
                         std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()};

bool Overlap(const TRect& a, const TRect& b) {
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

}  // namespace

// --- focus frame --------------------------------------------------------------------------------

void DrawFocusRect(TBitmap32& dest, const TRect& rect) {
    if (rect.IsEmpty()) return;
    const TRect& clip = dest.ClipBounds();
    auto flip = [&](int32_t x, int32_t y) {
        if (((x + y) & 1) != 0 || !clip.Contains(x, y)) return;
        TColor32* p = dest.PixelAddress(x, y);
        *p ^= 0x00FFFFFFu;
    };
    const int32_t last = rect.Bottom - 1;
    for (int32_t x = rect.Left; x < rect.Right; ++x) {
        flip(x, rect.Top);
        if (last != rect.Top) flip(x, last);
    }
    const int32_t right = rect.Right - 1;
    for (int32_t y = rect.Top + 1; y < last; ++y) {
        flip(rect.Left, y);
        if (right != rect.Left) flip(right, y);
    }
}

// --- TCustomImage32 -----------------------------------------------------------------------------

TCustomImage32::TCustomImage32(QWidget* parent) : TCustomPaintBox32(parent) {
    // Moves without a button must reach the layers (hover cursors).
    setMouseTracking(true);

    FBitmap = std::make_unique<TBitmap32>();
    FBitmap->OnResize = [this](TNotifiablePersistent*) { BitmapSizeChanged(); };

    FLayerCollection = std::make_unique<TLayerCollection>(this);
    FLayerCollection->OnDidChange = [this](TLayerCollection*) { LayersChanged(); };
    FLayerCollection->OnLayerDirty = [this](TLayerCollection*, TCustomLayer* layer) { LayerAreaChanged(layer); };
    // Only shows the buffer again, at the next paint: Qt paints inside paint events only, and an
    // immediate repaint per grip change made building a page's hotspots cost one full paint each.
    FLayerCollection->OnOverlayUpdate = [this](TLayerCollection*) { update(); };
    FLayerCollection->OnQueryScale = [this](TLayerCollection*, float& scaleX, float& scaleY) {
        RefreshPlacement();
        scaleX = static_cast<float>(FFixedScaleX) / 65536.0f;
        scaleY = static_cast<float>(FFixedScaleY) / 65536.0f;
    };
    FLayerCollection->OnQueryOffset = [this](TLayerCollection*, float& offsetX, float& offsetY) {
        RefreshPlacement();
        offsetX = static_cast<float>(FShiftX);
        offsetY = static_cast<float>(FShiftY);
    };

    FBitmap->OnChange = [this](TNotifiablePersistent*) { NotifyChanged(); };

    FStageList = std::make_unique<TPaintStages>();
    FScale = 1.0f;
    BuildDefaultStages();
}

TCustomImage32::~TCustomImage32() {
    BeginChanges();  // never closed: nothing is notified while the parts go
    SetMouseCapture(false);
    FStageList.reset();
    FLayerCollection.reset();
    FBitmap.reset();
}

void TCustomImage32::SetBitmap(const TBitmap32& source) {
    FPlacementValid = false;
    FBitmap->Assign(&source);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign value) {
    FPlacementValid = false;
    FBitmapAlign = value;
    NotifyChanged();
}

void TCustomImage32::SetBitmapOffsetX(float value) {
    if (value == FBitmapOffsetX) return;
    FBitmapOffsetX = value;
    FPlacementValid = false;
    NotifyChanged();
}

void TCustomImage32::SetBitmapOffsetY(float value) {
    if (value == FBitmapOffsetY) return;
    FBitmapOffsetY = value;
    FPlacementValid = false;
    NotifyChanged();
}

void TCustomImage32::SetScale(float value) {
    // NaN would poison every placement computed from it; treat it as too small.
    if (!(value >= MinScale)) value = MinScale;
    if (value == FScale) return;
    FPlacementValid = false;
    FScale = value;
    ScaleChanged();
    NotifyChanged();
}

void TCustomImage32::SetScaleMode(TScaleMode value) {
    if (value == FScaleMode) return;
    FPlacementValid = false;
    FScaleMode = value;
    NotifyChanged();
}

void TCustomImage32::BeginChanges() { ++FChangeDepth; }

void TCustomImage32::EndChanges() { --FChangeDepth; }

void TCustomImage32::NotifyChanged() {
    if (FChangeDepth != 0) return;
    Invalidate();
    if (OnChange) {
        auto handler = OnChange;
        handler(this);
    }
}

void TCustomImage32::Invalidate() {
    SetBufferValid(false);
    FPlacementValid = false;
    FDirtyRect = FPendingRect = TRect{};
    FDirtyAnywhere = false;
    TCustomPaintBox32::Invalidate();
}

void TCustomImage32::LayerAreaChanged(TCustomLayer* layer) {
    // Only a rendered buffer is mended in part; anything else renders whole anyway, so building many
    // layers at once costs no area for each.
    TRect now;
    if (FDirtyAnywhere || FChangeDepth != 0 || !BufferValid() || FShowPlan != TShowPlan::spRender || layer == nullptr ||
        !layer->RenderedBounds(now)) {
        FDirtyAnywhere = true;
        return;
    }
    const TRect area = Union(layer->PaintedBounds(), now);
    FDirtyRect = Union(FDirtyRect, area);
    // Where a part rendering must look for it: where it was and where it is now.
    layer->SetPaintedBounds(area);
}

void TCustomImage32::LayersChanged() {
    // Only a rendered buffer whose layers are the ones it shows can be mended in part.
    const bool inPart = FChangeDepth == 0 && BufferValid() && FShowPlan == TShowPlan::spRender && !FDirtyAnywhere &&
                        FLayerCollection->ListVersion() == FRenderedListVersion;
    if (!inPart) {
        NotifyChanged();
        return;
    }
    TRect part;
    if (IntersectRects(part, FDirtyRect, ViewportRect())) {
        FPendingRect = Union(FPendingRect, part);
        update(QRect(part.Left, part.Top, part.Width(), part.Height()));
    }
    FDirtyRect = TRect{};
    if (OnChange) {
        auto handler = OnChange;
        handler(this);
    }
}

void TCustomImage32::BitmapSizeChanged() {
    // Raised under the same rule as OnChange: only once no bracket of the control is open.
    if (FChangeDepth == 0 && OnBitmapResize) OnBitmapResize(this);
    FPlacementValid = false;
    Invalidate();
}

void TCustomImage32::ScaleChanged() {}

void TCustomImage32::Resize() {
    FPlacementValid = false;
    TCustomPaintBox32::Resize();
}

void TCustomImage32::Loaded() {
    TCustomPaintBox32::Loaded();
    RaiseInitStages();
}

void TCustomImage32::RaiseInitStages() {
    if (OnInitStages) OnInitStages(this);
}

void TCustomImage32::BuildDefaultStages() {
    auto add = [this](uint32_t kind, bool runTime, uint32_t param) {
        TPaintStageEntry& e = FStageList->Add();
        e.DesignTimeFlag = true;
        e.RunTimeFlag = runTime;
        e.StageKind = kind;
        e.StageParam = param;
    };
    add(psBackground, true, 0);
    add(psControlFrame, false, 0);
    add(psBitmap, true, 0);
    add(psBitmapFrame, false, 0);
    add(psLayers, true, loVisible);
}

// --- placement ----------------------------------------------------------------------------------

std::pair<int32_t, int32_t> TCustomImage32::PlacedSize() const {
    const int32_t bw = FBitmap->Width();
    const int32_t bh = FBitmap->Height();
    if (bw == 0 || bh == 0 || width() == 0 || height() == 0) return {0, 0};
    const TRect v = ViewportRect();
    const int32_t vw = v.Width();
    const int32_t vh = v.Height();
    const long double scale = FScale;

    TScaleMode mode = FScaleMode;
    if (mode == TScaleMode::smOptimal)
        mode = (vw < bw || vh < bh) ? TScaleMode::smResize : TScaleMode::smNormal;
    else if (mode == TScaleMode::smOptimalScaled)
        mode = (vw < NearestInt(bw * scale) || vh < NearestInt(bh * scale)) ? TScaleMode::smResize : TScaleMode::smScale;

    int32_t w = 0;
    int32_t h = 0;
    switch (mode) {
        case TScaleMode::smStretch:
            w = vw;
            h = vh;
            break;
        case TScaleMode::smResize: {
            const float sx = static_cast<float>(static_cast<long double>(vw) / bw);
            const float sy = static_cast<float>(static_cast<long double>(vh) / bh);
            if (sx >= sy) {
                w = NearestInt(bw * static_cast<long double>(sy));
                h = vh;
            } else {
                w = vw;
                h = NearestInt(bh * static_cast<long double>(sx));
            }
            break;
        }
        case TScaleMode::smScale:
            w = NearestInt(bw * scale);
            h = NearestInt(bh * scale);
            break;
        default:  // smNormal
            w = bw;
            h = bh;
            break;
    }
    return {std::max(w, 0), std::max(h, 0)};
}

TRect TCustomImage32::PlacementRect() const {
    if (FBitmap->IsEmpty()) return TRect{};
    const auto [w, h] = PlacedSize();
    int32_t dx = 0;
    int32_t dy = 0;
    switch (FBitmapAlign) {
        case TBitmapAlign::baCenter:
            // The whole control, not the viewport; C++ division truncates toward zero as wanted.
            dx = (width() - w) / 2;
            dy = (height() - h) / 2;
            break;
        case TBitmapAlign::baCustom:
            dx = OffsetPixel(FBitmapOffsetX);
            dy = OffsetPixel(FBitmapOffsetY);
            break;
        default:
            break;
    }
    return TRect{HeldEdge(dx), HeldEdge(dy), HeldEdge(int64_t(dx) + w), HeldEdge(int64_t(dy) + h)};
}

void TCustomImage32::RefreshPlacement() {
    if (FPlacementValid) return;
    FPlacedRect = PlacementRect();
    if (FBitmap->IsEmpty()) {
        FFixedScaleX = 65536;
        FFixedScaleY = 65536;
        FShiftX = 0;
        FShiftY = 0;
    } else {
        FShiftX = FPlacedRect.Left;
        FShiftY = FPlacedRect.Top;
        FFixedScaleX = MulDiv(FPlacedRect.Width(), 65536, FBitmap->Width());
        FFixedScaleY = MulDiv(FPlacedRect.Height(), 65536, FBitmap->Height());
    }
    FPlacementValid = true;
}

// --- rendering ----------------------------------------------------------------------------------

TColor32 TCustomImage32::ControlColor32() const { return WinColorToColor32(Color()); }

void TCustomImage32::RenderBuffer() {
    RefreshPlacement();

    FStageHandlers.clear();
    for (int32_t i = 0; i < FStageList->Count(); ++i) {
        const TPaintStageEntry& e = FStageList->Items(i);
        if (!e.RunTimeFlag) continue;
        TPaintStageHandler h = nullptr;
        switch (e.StageKind) {
            case psCustom: h = &TCustomImage32::RunCustomStage; break;
            case psClearBuffer: h = &TCustomImage32::ClearBuffer; break;
            case psBackground: h = &TCustomImage32::ClearBackground; break;
            case psBitmap: h = &TCustomImage32::DrawBitmap; break;
            case psLayers: h = &TCustomImage32::DrawLayers; break;
            case psControlFrame: h = &TCustomImage32::DrawControlFrame; break;
            case psBitmapFrame: h = &TCustomImage32::DrawBitmapFrame; break;
            default: break;
        }
        if (h) FStageHandlers.emplace_back(h, i);
    }

    // A full repaint of a picture that is only the bitmap would copy it twice, into Buffer and then
    // to the window, and those copies are most of its cost: show the bitmap's memory instead.
    const TShowInputs inputs = ShowInputs();
    FShowPlan = PlanShow(inputs.Stages, inputs.Placement, inputs.Bitmap);
    if (FShowPlan == TShowPlan::spRender) {
        TBitmap32& buffer = Buffer();
        buffer.BeginChanges();  // closed without notifying, on every path
        TScopeExit endChanges([&buffer] { buffer.EndChanges(); });
        buffer.SetClipBounds(ViewportRect());
        FRenderingWhole = true;
        TScopeExit endWhole([this] { FRenderingWhole = false; });
        for (const auto& [handler, index] : FStageHandlers) (this->*handler)(buffer, index);
    }
    FRenderedListVersion = FLayerCollection->ListVersion();
    FDirtyRect = FPendingRect = TRect{};
    FDirtyAnywhere = false;
    SetBufferValid(true);
}

void TCustomImage32::RenderPart(const TRect& rect) {
    TRect part;
    if (!IntersectRects(part, rect, ViewportRect())) return;
    RefreshPlacement();
    TBitmap32& buffer = Buffer();
    buffer.BeginChanges();
    TScopeExit endChanges([&buffer, this] {
        buffer.SetClipBounds(ViewportRect());
        buffer.EndChanges();
    });
    buffer.SetClipBounds(part);
    for (const auto& [handler, index] : FStageHandlers) (this->*handler)(buffer, index);
}

bool TCustomImage32::DrawsLayers(uint32_t stageMask) const {
    for (int32_t i = 0; i < FLayerCollection->LayerCount(); ++i) {
        const TCustomLayer* layer = FLayerCollection->LayerAt(i);
        if ((layer->OptionBits() & stageMask) && layer->RendersPixels()) return true;
    }
    return false;
}

TCustomImage32::TShowInputs TCustomImage32::ShowInputs() const {
    TShowInputs in;
    in.Stages.reserve(FStageHandlers.size());
    for (const auto& [handler, index] : FStageHandlers) {
        const TPaintStageEntry& e = FStageList->Items(index);
        in.Stages.push_back({e.StageKind, e.StageKind == psLayers && DrawsLayers(e.StageParam)});
    }
    in.Placement = {FPlacedRect, FBitmapAlign == TBitmapAlign::baTile, ViewportRect()};
    const TBitmap32& b = *FBitmap;
    in.Bitmap = {b.IsEmpty() ? 0 : b.Width(), b.IsEmpty() ? 0 : b.Height(), DrawsOpaquely(b), FDirectShowAllowed};
    return in;
}

TPoint TCustomImage32::ShownOrigin() const {
    return FShowPlan == TShowPlan::spBanded ? TPoint{FPlacedRect.Left, FPlacedRect.Top} : TPoint{0, 0};
}

bool TCustomImage32::NextStageDrawsBitmap(int32_t stageNum) const {
    for (size_t i = 0; i + 1 < FStageHandlers.size(); ++i)
        if (FStageHandlers[i].second == stageNum)
            return FStageList->Items(FStageHandlers[i + 1].second).StageKind == psBitmap;
    return false;
}

void TCustomImage32::Paint() {
    // The viewport can outgrow the bitmap without a change being announced: a direct show must
    // never read past the bitmap's pixels, so that paint renders afresh.
    if (BufferValid() && FShowPlan == TShowPlan::spDirect &&
        !ViewportWithinBitmap(ViewportRect(), FBitmap->Width(), FBitmap->Height())) {
        FPlacementValid = false;
        SetBufferValid(false);
    }
    if (BufferValid() && !FPendingRect.IsEmpty()) {
        const TRect part = FPendingRect;
        FPendingRect = TRect{};
        RenderPart(part);
    }
    TCustomPaintBox32::Paint();
}

TBitmap32& TCustomImage32::ShownBitmap() { return FShowPlan == TShowPlan::spRender ? Buffer() : *FBitmap; }

void TCustomImage32::SetDirectShowAllowed(bool value) {
    if (value == FDirectShowAllowed) return;
    FDirectShowAllowed = value;
    Invalidate();
}

void TCustomImage32::ClearBackground(TBitmap32& dest, int32_t stageNum) {
    const TColor32 c = ControlColor32();
    // A handler-less custom draw is a plain copy too: when the very next stage draws the bitmap,
    // it overwrites everything under it, so clearing only the bands shows the same pixels.
    const bool opaque = FBitmap->DrawMode() == TDrawMode::dmOpaque ||
                        (DrawsOpaquely(*FBitmap) && NextStageDrawsBitmap(stageNum));
    if (FBitmap->IsEmpty() || !opaque) {
        dest.FillAll(c);
        return;
    }
    const TRect& r = FPlacedRect;
    const int32_t w = width();
    const int32_t h = height();
    if (r.Left <= 0 && r.Right >= w && r.Top <= 0 && (r.Bottom >= h || FBitmapAlign == TBitmapAlign::baTile)) return;
    dest.FillBlockClipped(0, 0, w, r.Top, c);
    dest.FillBlockClipped(0, r.Bottom, w, h, c);
    dest.FillBlockClipped(0, r.Top, r.Left, r.Bottom, c);
    dest.FillBlockClipped(r.Right, r.Top, w, r.Bottom, c);
}

void TCustomImage32::ClearBuffer(TBitmap32& dest, int32_t) { dest.FillAll(ControlColor32()); }

void TCustomImage32::DrawBitmap(TBitmap32& dest, int32_t) {
    const TRect& r = FPlacedRect;
    if (FBitmap->IsEmpty() || r.IsEmpty()) return;
    TLockGuard lock(*FBitmap);
    if (FBitmapAlign == TBitmapAlign::baTile) {
        // Tiles start at the origin, so Right and Bottom are the tile's width and height.
        const int32_t rows = dest.Height() / r.Bottom;
        const int32_t cols = dest.Width() / r.Right;
        for (int32_t j = 0; j <= rows; ++j)
            for (int32_t i = 0; i <= cols; ++i) {
                const int32_t dx = i * r.Right;
                const int32_t dy = j * r.Bottom;
                FBitmap->DrawOnto(dest, TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy});
            }
    } else {
        FBitmap->DrawOnto(dest, r);
    }
}

void TCustomImage32::DrawLayers(TBitmap32& dest, int32_t stageNum) {
    const uint32_t mask = FStageList->Items(stageNum).StageParam;
    // Layers wholly outside the part being drawn are passed by: an item of many hotspots draws only
    // the few in view. Each rendered layer remembers where, so that its next change repaints there.
    // A part rendering looks only at layers last painted, or changed, within it: the others keep
    // their place and their pixels outside it.
    const TRect clip = dest.ClipBounds();
    for (int32_t i = 0; i < FLayerCollection->LayerCount(); ++i) {
        TCustomLayer* layer = FLayerCollection->LayerAt(i);
        if ((layer->OptionBits() & mask) == 0) continue;
        if (!FRenderingWhole && !Overlap(layer->PaintedBounds(), clip)) continue;
        TRect bounds;
        if (!layer->RenderedBounds(bounds)) {
            layer->Render(dest);
            layer->SetPaintedBounds(Anywhere);
            continue;
        }
        if (!Overlap(bounds, clip)) {
            // Rendered whole, the buffer holds nothing of it any more.
            if (FRenderingWhole) layer->SetPaintedBounds(TRect{});
            continue;
        }
        layer->Render(dest);
        layer->SetPaintedBounds(bounds);
    }
}

void TCustomImage32::RunCustomStage(TBitmap32& dest, int32_t stageNum) {
    if (OnPaintStage) OnPaintStage(this, dest, static_cast<uint32_t>(stageNum));
}

void TCustomImage32::DrawControlFrame(TBitmap32& dest, int32_t) {
    DrawFocusRect(dest, TRect{0, 0, width(), height()});
}

void TCustomImage32::DrawBitmapFrame(TBitmap32& dest, int32_t) { DrawFocusRect(dest, FPlacedRect); }

void TCustomImage32::PaintOverlay() {
    // Overlay layers draw on the widget, which is only possible inside a paint event.
    const int32_t overlays = FLayerCollection->OverlayLayerCount();
    for (int32_t i = 0; overlays > 0 && Canvas() && i < FLayerCollection->LayerCount(); ++i) {
        TCustomLayer* layer = FLayerCollection->LayerAt(i);
        if (layer->OptionBits() & loOverlay) layer->DrawOverlay(Canvas());
    }
    TCustomPaintBox32::PaintOverlay();
}

// --- mouse --------------------------------------------------------------------------------------

void TCustomImage32::SetMouseCapture(bool value) {
    if (value) {
        FMouseCaptured = true;
        if (isVisible() && QWidget::mouseGrabber() != this) grabMouse();
    } else {
        FMouseCaptured = false;
        if (QWidget::mouseGrabber() == this) releaseMouse();
    }
}

void TCustomImage32::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TCustomPaintBox32::MouseDown(button, shift, x, y);
    if (TabStop() && isEnabled() && isVisible()) setFocus(Qt::MouseFocusReason);
    TCustomLayer* layer =
        FLayerCollection->MouseInput ? FLayerCollection->DispatchMouseDown(button, shift, x, y) : nullptr;
    if (button == TMouseButton::mbLeft || FLayerCollection->CaptureLayer()) SetMouseCapture(true);
    RaiseMouseDown(button, shift, x, y, layer);
}

void TCustomImage32::MouseMove(TShiftState shift, int32_t x, int32_t y) {
    TCustomPaintBox32::MouseMove(shift, x, y);
    TCustomLayer* layer = FLayerCollection->MouseInput ? FLayerCollection->DispatchMouseMove(shift, x, y) : nullptr;
    RaiseMouseMove(shift, x, y, layer);
}

void TCustomImage32::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TCustomLayer* layer =
        FLayerCollection->MouseInput ? FLayerCollection->DispatchMouseUp(button, shift, x, y) : nullptr;
    const bool noCaptureLayer = FLayerCollection->CaptureLayer() == nullptr;
    const bool buttonsHeld = (shift & (ssLeft | ssRight | ssMiddle)) != 0;
    if (noCaptureLayer && (button == TMouseButton::mbLeft || !buttonsHeld)) SetMouseCapture(false);
    RaiseMouseUp(button, shift, x, y, layer);
}

void TCustomImage32::PointerLeft() {
    if (FLayerCollection->MouseInput && !FLayerCollection->CaptureLayer()) Screen().SetCursor(crDefault);
    TCustomPaintBox32::PointerLeft();
}

void TCustomImage32::RaiseMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer) {
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y, layer);
}

void TCustomImage32::RaiseMouseMove(TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y, layer);
}

void TCustomImage32::RaiseMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y, TCustomLayer* layer) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y, layer);
}

}  // namespace velmora
