#pragma once
// A lockable object with a width and a height. SetDimensions resizes the storage first, then
// raises the change and the resize notifications, in that order.
#include <cstdint>

#include "raster/notifiable_persistent.h"

namespace velmora {

class TCustomMap : public TThreadPersistent {
public:
    TCustomMap() = default;
    ~TCustomMap() override;

    const char* ClassName() const override { return "TCustomMap"; }

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }

    // Negative sizes count as 0. Returns false, doing nothing, when the size does not change.
    virtual bool SetDimensions(int32_t newWidth, int32_t newHeight);
    virtual void Discard();
    virtual bool IsEmpty() const;
    virtual void NotifyResized();

    TNotifyEvent OnResize;

protected:
    // Stores the new size into width and height; descendants replace their storage here.
    virtual void ResizeStorage(int32_t& width, int32_t& height, int32_t newWidth, int32_t newHeight);

    int32_t FHeight = 0;
    int32_t FWidth = 0;
};

}  // namespace velmora
