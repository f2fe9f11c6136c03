#include "layers/layer_collection.h"

#include <algorithm>
#include <string>

#include "core/unhandled_error.h"
#include "layers/custom_layer.h"
#include "toolkit/screen_cursor.h"

namespace velmora {

namespace {

TLayerButtons ButtonBit(TMouseButton button) {
    switch (button) {
        case TMouseButton::mbLeft: return lbLeft;
        case TMouseButton::mbRight: return lbRight;
        case TMouseButton::mbMiddle: return lbMiddle;
    }
    return 0;
}

}  // namespace

TLayerCollection::TLayerCollection(TLayerOwner* owner) : FOwner(owner) {}

TLayerCollection::~TLayerCollection() {
    // Removing the layers of a dying collection must not ask the owner to repaint.
    FChangeDepth = 1;
    OnWillChange = nullptr;
    OnDidChange = nullptr;
    try {
        RemoveAllLayers();
    } catch (...) {
        // Only the list's handler can throw here, once every layer has gone.
        ReportUnhandledError();
    }
}

void TLayerCollection::ThrowIndexError(int32_t index) { throw EListError(index); }

int32_t TLayerCollection::IndexOf(const TCustomLayer* layer) const {
    // From the top: a layer just made is raised there, and layers are removed from the top down, so
    // building or clearing a whole collection stays linear.
    auto it = std::find(FLayers.rbegin(), FLayers.rend(), layer);
    return it == FLayers.rend() ? -1 : static_cast<int32_t>(FLayers.rend() - it - 1);
}

void TLayerCollection::BeginChanges() {
    if (FChangeDepth == 0) RaiseWillChange();
    ++FChangeDepth;
}

void TLayerCollection::EndChanges() {
    if (--FChangeDepth == 0) RaiseDidChange();
}

void TLayerCollection::RaiseWillChange() {
    if (auto handler = OnWillChange) handler(this);
}

void TLayerCollection::RaiseDidChange() {
    if (auto handler = OnDidChange) handler(this);
}

void TLayerCollection::RaiseOverlayUpdate() {
    if (FChangeDepth != 0) return;
    if (auto handler = OnOverlayUpdate) handler(this);
}

void TLayerCollection::ReportDirty(TCustomLayer* layer) {
    if (auto handler = OnLayerDirty) handler(this, layer);
    RaiseDidChange();
}

void TLayerCollection::AttachLayer(TCustomLayer* layer) {
    const auto changes = CollectionChanges(*this);
    FLayers.push_back(layer);
    ++FListVersion;
    if (layer->FOptionBits & loOverlay) ++FOverlayLayers;
    layer->FOwnerCollection = this;
    if (auto handler = OnListChange) handler(this, TListChangeKind::lcAdded, layer, LayerCount() - 1);
}

void TLayerCollection::DetachLayer(TCustomLayer* layer) {
    const auto changes = CollectionChanges(*this);
    int32_t index = IndexOf(layer);
    if (index < 0) return;
    FLayers.erase(FLayers.begin() + index);
    ++FListVersion;
    if (layer->FOptionBits & loOverlay) --FOverlayLayers;
    layer->FOwnerCollection = nullptr;
    if (auto handler = OnListChange) handler(this, TListChangeKind::lcRemoved, layer, index);
}

void TLayerCollection::MoveLayer(int32_t from, int32_t to) {
    TCustomLayer* layer = FLayers[size_t(from)];
    FLayers.erase(FLayers.begin() + from);
    FLayers.insert(FLayers.begin() + to, layer);
    ++FListVersion;
}

void TLayerCollection::ForgetLayer(TCustomLayer* layer) {
    int32_t index = IndexOf(layer);
    if (index >= 0) {
        FLayers.erase(FLayers.begin() + index);
        if (layer->FOptionBits & loOverlay) --FOverlayLayers;
    }
    ++FListVersion;
    if (FCaptureLayer == layer) FCaptureLayer = nullptr;
}

void TLayerCollection::RemoveAllLayers() {
    const auto changes = CollectionChanges(*this);
    while (!FLayers.empty()) delete FLayers.back();
    if (auto handler = OnListChange) handler(this, TListChangeKind::lcCleared, nullptr, 0);
}

TCustomLayer* TLayerCollection::LayerAtPoint(int32_t x, int32_t y, uint32_t mask) {
    for (int32_t i = LayerCount() - 1; i >= 0; --i) {
        TCustomLayer* layer = FLayers[size_t(i)];
        if ((layer->OptionBits() & mask) != 0 && layer->HitsPoint(x, y)) return layer;
    }
    return nullptr;
}

void TLayerCollection::SetCaptureLayer(TCustomLayer* layer) {
    if (layer == FCaptureLayer) return;
    if (FCaptureLayer) FCaptureLayer->FHeldButtons = 0;
    FCaptureLayer = layer;
}

TCustomLayer* TLayerCollection::DispatchMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TCustomLayer* found = FCaptureLayer ? FCaptureLayer : LayerAtPoint(x, y, loMouseInput);
    if (found != FCaptureLayer && (found == nullptr || (found->OptionBits() & loNoCapture) == 0))
        SetCaptureLayer(found);
    if (FCaptureLayer) {
        FCaptureLayer->FHeldButtons |= ButtonBit(button);
        FCaptureLayer->HandleMouseDown(button, shift, x, y);
    }
    return found;
}

TCustomLayer* TLayerCollection::DispatchMouseMove(TShiftState shift, int32_t x, int32_t y) {
    TCustomLayer* found = FCaptureLayer ? FCaptureLayer : LayerAtPoint(x, y, loMouseInput);
    if (found)
        found->HandleMouseMove(shift, x, y);
    else
        Screen().SetCursor(FOwner ? FOwner->OwnerCursor() : crDefault);
    return found;
}

TCustomLayer* TLayerCollection::DispatchMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TCustomLayer* found = FCaptureLayer ? FCaptureLayer : LayerAtPoint(x, y, loMouseInput);
    if (found) {
        found->FHeldButtons &= TLayerButtons(~ButtonBit(button));
        found->HandleMouseUp(button, shift, x, y);
    }
    if (FCaptureLayer && FCaptureLayer->FHeldButtons == 0) SetCaptureLayer(nullptr);
    return found;
}

void TLayerCollection::QueryScale(float& scaleX, float& scaleY) {
    if (auto handler = OnQueryScale) {
        handler(this, scaleX, scaleY);
    } else {
        scaleX = 1.0f;
        scaleY = 1.0f;
    }
}

void TLayerCollection::QueryOffset(float& offsetX, float& offsetY) {
    if (auto handler = OnQueryOffset) {
        handler(this, offsetX, offsetY);
    } else {
        offsetX = 0.0f;
        offsetY = 0.0f;
    }
}

}  // namespace velmora
