#include "layers/custom_layer.h"

#include <algorithm>

#include "core/unhandled_error.h"
#include "layers/layer_collection.h"
#include "toolkit/screen_cursor.h"

namespace velmora {

TCustomLayer::TCustomLayer(TLayerCollection* collection) {
    try {
        SetOwnerCollection(collection);
    } catch (...) {
        // A layer whose construction fails never existed: the list must not keep a dangling entry.
        if (FOwnerCollection) {
            FOwnerCollection->ForgetLayer(this);
            FOwnerCollection = nullptr;
        }
        throw;
    }
    AssignOptionBits(loVisible);
}

void TCustomLayer::AssignOptionBits(uint32_t bits) {
    if (FOwnerCollection && ((bits ^ FOptionBits) & loOverlay)) FOwnerCollection->FOverlayLayers += (bits & loOverlay) ? 1 : -1;
    FOptionBits = bits;
}

TCustomLayer::~TCustomLayer() {
    // An error of a handler cannot leave a destructor: it is reported, and the layer still leaves its
    // collection, which must not keep a dangling entry.
    try {
        if (auto handler = OnDisposing) handler(this);
    } catch (...) {
        ReportUnhandledError();
    }
    try {
        // Explicitly this class's version: a derived part no longer exists here.
        TCustomLayer::SetOwnerCollection(nullptr);
    } catch (...) {
        ReportUnhandledError();
        if (FOwnerCollection) FOwnerCollection->ForgetLayer(this);
        FOwnerCollection = nullptr;
    }
}

void TCustomLayer::SetOwnerCollection(TLayerCollection* collection) {
    if (collection == FOwnerCollection) return;
    if (TLayerCollection* old = FOwnerCollection) {
        if (old->CaptureLayer() == this) old->SetCaptureLayer(nullptr);
        old->DetachLayer(this);
    }
    if (collection) collection->AttachLayer(this);
}

int32_t TCustomLayer::ZOrder() const { return FOwnerCollection ? FOwnerCollection->IndexOf(this) : -1; }

void TCustomLayer::SetZOrder(int32_t index) {
    int32_t current = ZOrder();
    if (current == -1 || index == current) return;
    int32_t last = FOwnerCollection->LayerCount() - 1;
    index = std::clamp(index, 0, last);
    if (index == current) return;
    if (IsShown()) {
        const auto changes = CollectionChanges(*FOwnerCollection);
        FOwnerCollection->MoveLayer(current, index);
    } else {
        FOwnerCollection->MoveLayer(current, index);
    }
}

void TCustomLayer::RaiseToTop() {
    if (FOwnerCollection) SetZOrder(FOwnerCollection->LayerCount());
}

void TCustomLayer::SetOptionBits(uint32_t bits) {
    WillChange();
    AssignOptionBits(bits);
    NotifyChanged();
}

void TCustomLayer::SetShown(bool shown) {
    if (shown) {
        SetOptionBits(FOptionBits | loVisible);
        return;
    }
    FOptionBits |= loHiding;
    try {
        SetOptionBits(FOptionBits & ~loVisible);
    } catch (...) {
        FOptionBits &= ~loHiding;
        throw;
    }
    FOptionBits &= ~loHiding;
}

void TCustomLayer::SetHoverCursor(TCursor cursor) {
    if (cursor == FHoverCursor) return;
    FHoverCursor = cursor;
    if (FOwnerCollection && FOwnerCollection->CaptureLayer() == this) Screen().SetCursor(cursor);
}

void TCustomLayer::WillChange() {
    if (ChangeDepth() > 0 || !IsShown() || !FOwnerCollection || (FOptionBits & loSilent)) return;
    FOwnerCollection->RaiseWillChange();
}

void TCustomLayer::NotifyChanged() {
    if (ChangeDepth() > 0 || !FOwnerCollection || (FOptionBits & loSilent)) return;
    MarkDirty();
    if (IsShown())
        FOwnerCollection->RaiseDidChange();
    else if (FOptionBits & loOverlay)
        FOwnerCollection->RaiseOverlayUpdate();
    TNotifiablePersistent::NotifyChanged();
}

void TCustomLayer::MarkDirty() {
    if (FOwnerCollection && (IsShown() || (FOptionBits & loHiding))) FOwnerCollection->ReportDirty(this);
}

bool TCustomLayer::HitsPoint(int32_t x, int32_t y) {
    bool passed = ContainsPoint(x, y);
    if (auto handler = OnHitQuery) handler(this, x, y, passed);
    return passed;
}

bool TCustomLayer::ContainsPoint(int32_t, int32_t) { return true; }

void TCustomLayer::Render(TBitmap32& buffer) {
    Draw(buffer);
    if (auto handler = OnAfterDraw) handler(this, buffer);
}

void TCustomLayer::Draw(TBitmap32&) {}

void TCustomLayer::DrawOverlay(QPainter*) {}

void TCustomLayer::HandleMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    if (auto handler = OnPointerDown) handler(this, button, shift, x, y);
}

void TCustomLayer::HandleMouseMove(TShiftState shift, int32_t x, int32_t y) {
    Screen().SetCursor(FHoverCursor);
    if (auto handler = OnPointerMove) handler(this, shift, x, y);
}

void TCustomLayer::HandleMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    Screen().SetCursor(crDefault);
    if (auto handler = OnPointerUp) handler(this, button, shift, x, y);
}

}  // namespace velmora
