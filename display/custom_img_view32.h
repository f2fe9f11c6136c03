#pragma once
// TCustomImgView32: an image control with a horizontal and a vertical range bar along its bottom and
// right edges and a square in the corner between them. The bitmap is placed with baCustom and the
// view turns the bars' positions into BitmapOffsetX/Y (the margin minus the position), so drawing and
// layer mapping follow the scrolling. A bitmap smaller than the viewport is centred when Centered is
// set; OverSize adds a margin of bitmap pixels around the scrolled area.
//
// Both bars have one thickness (ScrollBarThickness) and are shown or hidden together, by
// BarVisibility: always, never, or while the content exceeds a bar's visible length. The bars'
// positions change the picture only through OnUserChange -> ScrollBarMoved; positions the view sets
// itself (CenterOn, resets to 0) are applied directly and raise no OnScroll.
//
// The mouse wheel over the view (or over one of its bars) scrolls as a user change: a notch of 120
// moves the vertical bar, with Shift (or a horizontal wheel) the horizontal one, by 60 pixels.
// With WheelZooms set, Ctrl and the wheel over the view zoom instead (view_zoom.h): ZoomAt keeps the
// bitmap point under the pointer where it is, as far as the bars allow.
#include <cstdint>
#include <memory>
#include <optional>

#include "core/geometry.h"
#include "display/arrow_bar_access.h"
#include "display/custom_image32.h"
#include "display/custom_range_bar.h"

class QWheelEvent;

namespace velmora {

enum class TScrollBarVisibility : uint8_t { svAlways = 0, svHidden = 1, svAuto = 2 };
enum class TSizeGripStyle : uint8_t { sgAuto = 0, sgNone = 1, sgAlways = 2 };

class TCustomImgView32;

// The scroll bar settings of an image view: the bars' appearance (forwarded to HorzBar, then
// VertBar) plus their step, thickness and visibility.
class TIVScrollProperties : public TArrowBarAccess {
public:
    explicit TIVScrollProperties(TCustomImgView32* ownerView);

    TCustomImgView32* OwnerView() const { return FOwnerView; }

    // The bars' button and wheel step; stored into both bars without repainting.
    int32_t Increment() const;
    void SetIncrement(int32_t value);
    // The bars' thickness (0: the platform's scroll-bar extent); relayouts also when unchanged.
    int32_t Size() const;
    void SetSize(int32_t value);
    // A different value lays the view out again as after a resize.
    TScrollBarVisibility Visibility() const;
    void SetVisibility(TScrollBarVisibility value);

private:
    TCustomImgView32* FOwnerView;
};

class TCustomImgView32 : public TCustomImage32 {
public:
    // Pixels one wheel notch (120) scrolls: three lines of twenty pixels.
    static constexpr int32_t WheelNotchPixels = 3 * 20;

    explicit TCustomImgView32(QWidget* parent = nullptr);
    ~TCustomImgView32() override;

    // --- properties ----------------------------------------------------------------------------
    bool Centered() const { return FCentered; }
    // Always re-centres, also for the current value.
    void SetCentered(bool value);
    int32_t BarSize() const { return FBarSize; }
    TScrollBarVisibility BarVisibility() const { return FBarVisibility; }
    TIVScrollProperties& ScrollBars() { return *FScrollBars; }
    TSizeGripStyle SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(TSizeGripStyle value);
    int32_t OverSize() const { return FOverSize; }
    // Takes effect at the next UpdateScrollRanges / ApplyScrollOffsets.
    void SetOverSize(int32_t value);
    bool SuppressScrollEvents() const { return FSuppressScrollEvents; }
    TCustomRangeBar* HorzBar() const { return FHorzBar; }
    TCustomRangeBar* VertBar() const { return FVertBar; }

    // Always re-centres, also for the current mode.
    void SetScaleMode(TScaleMode value) override;

    // --- layout --------------------------------------------------------------------------------
    bool ScrollBarsShown() const;
    int32_t ScrollBarThickness() const;
    // The client area less the bars.
    TRect ViewportRect() const override;
    void LayoutScrollBars();
    // The corner square between the bars; empty while they are hidden.
    TRect SizeGripRect() const;

    // --- scrolling -----------------------------------------------------------------------------
    // Content sizes of the bars: the placed size plus the margin on both sides.
    virtual void UpdateScrollRanges();
    // Bitmap offsets from the bar positions, in one change step.
    virtual void ApplyScrollOffsets();
    // Scrolls so that bitmap point (x, y) is in the middle of the viewport, as far as the bars allow.
    void CenterOn(int32_t x, int32_t y);
    void Recenter();

    // --- zoom ----------------------------------------------------------------------------------
    // Scales the bitmap by scale (smScale) so that the bitmap point shown at client (x, y) stays
    // there. Back at 1 the view returns to the scale mode it zoomed from.
    void ZoomAt(float scale, int32_t x, int32_t y);
    bool WheelZooms() const { return FWheelZooms; }
    void SetWheelZooms(bool value) { FWheelZooms = value; }

    // --- overrides of the image control --------------------------------------------------------
    void Resize() override;
    void Loaded() override;
    void Paint() override;

    TImgNotifyEvent OnScroll;
    // Raised after ZoomAt changed the scale.
    TImgNotifyEvent OnZoom;

protected:
    virtual void RaiseScroll();
    // The bars' OnUserChange.
    virtual void ScrollBarMoved(TArrowBar* sender);
    // One user scroll step of bar by pixels, as a handle drag would make it.
    void UserScroll(TCustomRangeBar* bar, long double pixels);
    void BitmapSizeChanged() override;
    void ScaleChanged() override;
    void wheelEvent(QWheelEvent* event) override;

private:
    friend class TIVScrollProperties;
    class TViewRangeBar;

    bool FCentered = true;
    int32_t FBarSize = 0;
    TScrollBarVisibility FBarVisibility = TScrollBarVisibility::svAlways;
    std::unique_ptr<TIVScrollProperties> FScrollBars;
    TSizeGripStyle FSizeGrip = TSizeGripStyle::sgAuto;
    int32_t FOverSize = 0;
    bool FSuppressScrollEvents = false;
    bool FWheelZooms = false;
    int32_t FWheelZoomDelta = 0;  // wheel angle of less than a notch, kept for the next event
    std::optional<TScaleMode> FModeBeforeZoom;
    TCustomRangeBar* FHorzBar = nullptr;  // child widgets, deleted with the view
    TCustomRangeBar* FVertBar = nullptr;
};

// The image view as forms use it.
class TImgView32 : public TCustomImgView32 {
public:
    using TCustomImgView32::TCustomImgView32;
};

}  // namespace velmora
