#pragma once
// TCustomLayer: the base of every layer of an image control. It carries the option bits, the hover
// cursor, the hit test, the paint hooks and the mouse hooks, and tells its collection about changes:
// a change of a shown layer raises OnWillChange before, and OnLayerDirty, OnDidChange, OnDidChange
// after it. A layer is owned by its collection; deleting it detaches it first.
#include <cstdint>
#include <functional>

#include "core/geometry.h"
#include "core/input.h"
#include "layers/layer_options.h"
#include "raster/notifiable_persistent.h"

class QPainter;

namespace velmora {

class TBitmap32;
class TLayerCollection;
class TCustomLayer;

using THitTestEvent = std::function<void(TCustomLayer* sender, int32_t x, int32_t y, bool& passed)>;
using TLayerMouseEvent =
    std::function<void(TCustomLayer* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y)>;
using TLayerMouseMoveEvent = std::function<void(TCustomLayer* sender, TShiftState shift, int32_t x, int32_t y)>;
using TPaintLayerEvent = std::function<void(TCustomLayer* sender, TBitmap32& buffer)>;
using TLayerNotifyEvent = std::function<void(TCustomLayer* sender)>;

class TCustomLayer : public TNotifiablePersistent {
public:
    // Appends the layer on top of collection (none: a free layer) before any derived default is set.
    explicit TCustomLayer(TLayerCollection* collection);
    ~TCustomLayer() override;

    const char* ClassName() const override { return "TCustomLayer"; }

    TLayerCollection* OwnerCollection() const { return FOwnerCollection; }
    virtual void SetOwnerCollection(TLayerCollection* collection);

    // Index in the collection (0 = bottom), or -1 without one.
    int32_t ZOrder() const;
    virtual void SetZOrder(int32_t index);
    void RaiseToTop();

    uint32_t OptionBits() const { return FOptionBits; }
    virtual void SetOptionBits(uint32_t bits);
    bool IsShown() const { return (FOptionBits & loVisible) != 0; }
    void SetShown(bool shown);

    TCursor HoverCursor() const { return FHoverCursor; }
    virtual void SetHoverCursor(TCursor cursor);

    TLayerButtons HeldButtons() const { return FHeldButtons; }

    void WillChange();
    void NotifyChanged() override;
    void MarkDirty();

    bool HitsPoint(int32_t x, int32_t y);
    virtual bool ContainsPoint(int32_t x, int32_t y);

    // Draw, then OnAfterDraw; the buffer is the owner's back buffer in control coordinates.
    void Render(TBitmap32& buffer);
    virtual void Draw(TBitmap32& buffer);
    // False only when Render certainly leaves the buffer as it is, so that the owner may show its
    // picture without rendering the layers over it.
    bool RendersPixels() const { return OnAfterDraw || DrawsPixels(); }
    // False only when Draw certainly draws nothing; layers that may draw keep the default.
    virtual bool DrawsPixels() const { return true; }
    // The part of the control (client coordinates) that Render may change, when the layer can tell;
    // false means anywhere. Owners repaint only that part around a change and pass layers by whose
    // part lies outside what they draw.
    bool RenderedBounds(TRect& bounds) { return !OnAfterDraw && DrawnBounds(bounds); }
    virtual bool DrawnBounds(TRect&) { return false; }
    // Where the owner last rendered the layer (empty: nowhere); the owner keeps it.
    const TRect& PaintedBounds() const { return FPaintedBounds; }
    void SetPaintedBounds(const TRect& bounds) { FPaintedBounds = bounds; }
    virtual void DrawOverlay(QPainter* canvas);

    // Called by the collection's dispatch only.
    virtual void HandleMouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void HandleMouseMove(TShiftState shift, int32_t x, int32_t y);
    virtual void HandleMouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);

    THitTestEvent OnHitQuery;
    TLayerMouseEvent OnPointerDown;
    TLayerMouseMoveEvent OnPointerMove;
    TLayerMouseEvent OnPointerUp;
    TPaintLayerEvent OnAfterDraw;
    TLayerNotifyEvent OnDisposing;

protected:
    // Derived constructors store their defaults directly, without notifications.
    void StoreOptionBits(uint32_t bits) { AssignOptionBits(bits); }

private:
    friend class TLayerCollection;
    // Every store of the bits; keeps the collection's count of overlay layers.
    void AssignOptionBits(uint32_t bits);

    TCursor FHoverCursor = crDefault;
    TLayerCollection* FOwnerCollection = nullptr;
    TLayerButtons FHeldButtons = 0;
    uint32_t FOptionBits = 0;
    TRect FPaintedBounds;
};

}  // namespace velmora
