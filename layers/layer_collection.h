#pragma once
// TLayerCollection: the ordered layers of an image control. Index 0 is drawn first and offered the
// mouse last. It tells its owner when to repaint (OnDidChange, OnOverlayUpdate), answers the layers'
// questions about the owner's scale and offset, dispatches mouse input to the capture layer or the
// topmost hit mouse-input layer, and keeps the capture until every button it took is released.
#include <cstdint>
#include <functional>
#include <vector>

#include "core/exception.h"
#include "core/list_error.h"
#include "core/scope_exit.h"
#include "core/input.h"

namespace velmora {

class TCustomLayer;
class TLayerCollection;

// What the collection needs of the control that owns it.
class TLayerOwner {
public:
    virtual ~TLayerOwner() = default;
    // The control's own cursor, shown when the pointer moves over no layer.
    virtual TCursor OwnerCursor() const = 0;
};

enum class TListChangeKind : uint8_t { lcAdded = 0, lcRemoved = 2, lcCleared = 3 };

using TCollectionNotifyEvent = std::function<void(TLayerCollection* sender)>;
using TLayerListChangeEvent =
    std::function<void(TLayerCollection* sender, TListChangeKind kind, TCustomLayer* layer, int32_t index)>;
using TLayerUpdateEvent = std::function<void(TLayerCollection* sender, TCustomLayer* layer)>;
using TGetScaleEvent = std::function<void(TLayerCollection* sender, float& scaleX, float& scaleY)>;
using TGetShiftEvent = std::function<void(TLayerCollection* sender, float& offsetX, float& offsetY)>;

class TLayerCollection {
public:
    explicit TLayerCollection(TLayerOwner* owner = nullptr);
    virtual ~TLayerCollection();
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    TLayerOwner* Owner() const { return FOwner; }

    int32_t LayerCount() const { return static_cast<int32_t>(FLayers.size()); }
    // Fails with "List index out of bounds (%d)" outside 0 .. LayerCount - 1.
    TCustomLayer* LayerAt(int32_t index) const {
        if (index < 0 || index >= LayerCount()) ThrowIndexError(index);
        return FLayers[size_t(index)];
    }
    int32_t IndexOf(const TCustomLayer* layer) const;

    void BeginChanges();
    void EndChanges();
    int32_t ChangeDepth() const { return FChangeDepth; }

    TCustomLayer* LayerAtPoint(int32_t x, int32_t y, uint32_t mask);
    TCustomLayer* DispatchMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    TCustomLayer* DispatchMouseMove(TShiftState shift, int32_t x, int32_t y);
    TCustomLayer* DispatchMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);

    // How many of the layers have loOverlay, so that owners pass the others by cheaply.
    int32_t OverlayLayerCount() const { return FOverlayLayers; }
    // Counts the changes of the list itself: layers attached, detached or moved in z-order.
    uint64_t ListVersion() const { return FListVersion; }

    TCustomLayer* CaptureLayer() const { return FCaptureLayer; }
    void SetCaptureLayer(TCustomLayer* layer);

    // Destroys every layer, top first.
    void RemoveAllLayers();

    virtual void QueryScale(float& scaleX, float& scaleY);
    virtual void QueryOffset(float& offsetX, float& offsetY);

    bool MouseInput = true;

    TCollectionNotifyEvent OnWillChange;
    TCollectionNotifyEvent OnDidChange;
    TCollectionNotifyEvent OnOverlayUpdate;
    TLayerListChangeEvent OnListChange;
    TLayerUpdateEvent OnLayerDirty;
    TGetScaleEvent OnQueryScale;
    TGetShiftEvent OnQueryOffset;

private:
    friend class TCustomLayer;

    [[noreturn]] static void ThrowIndexError(int32_t index);
    void AttachLayer(TCustomLayer* layer);
    void DetachLayer(TCustomLayer* layer);
    void MoveLayer(int32_t from, int32_t to);
    // Drops a layer from the list without any notification (a layer whose construction failed).
    void ForgetLayer(TCustomLayer* layer);
    void RaiseWillChange();
    void RaiseDidChange();
    void RaiseOverlayUpdate();
    void ReportDirty(TCustomLayer* layer);

    // Owned: RemoveAllLayers and the destructor delete them; a deleted layer detaches itself.
    std::vector<TCustomLayer*> FLayers;
    TCustomLayer* FCaptureLayer = nullptr;
    int32_t FChangeDepth = 0;
    uint64_t FListVersion = 0;
    int32_t FOverlayLayers = 0;
    TLayerOwner* FOwner;
};

// Opens a change bracket of a collection for the scope; closing the last one raises OnDidChange.
[[nodiscard]] inline auto CollectionChanges(TLayerCollection& collection) {
    collection.BeginChanges();
    return TScopeExit([&collection] { collection.EndChanges(); });
}

}  // namespace velmora
