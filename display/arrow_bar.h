#pragma once
// TArrowBar: the window of a range bar. It holds the geometry (arrow buttons, track, handle), the
// colours, the hit zones, the painting in two styles, mouse tracking and the repeat timer; the
// content model that moves a position lives in TCustomRangeBar.
//
// The bar paints straight onto its widget in paintEvent; there is no back buffer of its own. With
// bsSingle the widget's outermost pixel ring is a sunken frame and the client area is inset by one
// pixel: every coordinate below (zones, rectangles, mouse points) is a client coordinate.
//
// Timer: a press on a button or the track steps at once, again after 600 ms (tmFirstDelay), then
// every 100 ms (tmRepeat); release switches to hot tracking (tmHotTrack, every 150 ms), which ends
// as soon as a tick finds the pointer outside the client area.
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "core/border_style.h"
#include "core/geometry.h"
#include "core/scope_exit.h"
#include "raster/color32.h"

class QPainter;

namespace velmora {

enum class TRBBackgnd : uint8_t { bgPattern = 0, bgSolid = 1 };
enum class TRBStyle : uint8_t { rbsDefault = 0, rbsMac = 1 };
enum class TScrollBarKind : uint8_t { sbHorizontal = 0, sbVertical = 1 };

enum class TBarZone : uint8_t {
    bzNone = 0,
    bzBackButton = 1,    // left or top button
    bzBackTrack = 2,     // track before the handle
    bzHandle = 3,
    bzForwardTrack = 4,  // track after the handle
    bzForwardButton = 5  // right or bottom button
};

enum class TBarDirection : uint8_t { bdLeft = 0, bdUp = 1, bdRight = 2, bdDown = 3 };

enum class TBarTimerMode : uint8_t {
    tmNone = 0,        // never started
    tmFirstDelay = 1,  // a press stepped once; the next step waits the first delay
    tmRepeat = 2,      // stepping while the button is held
    tmHotTrack = 3     // watching the pointer; keeps this value when hot tracking ends
};

class TArrowBar;
using TBarNotifyEvent = std::function<void(TArrowBar* sender)>;

class TArrowBar : public QWidget {
public:
    explicit TArrowBar(QWidget* parent = nullptr);
    ~TArrowBar() override;

    // Appearance. Setters store a different value and repaint.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TRBBackgnd Backgnd() const { return FBackgnd; }
    void SetBackgnd(TRBBackgnd value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    int32_t ButtonSize() const { return FButtonSize; }
    void SetButtonSize(int32_t value);
    TColor HandleColor() const { return FHandleColor; }
    void SetHandleColor(TColor value);
    TColor ButtonColor() const { return FButtonColor; }
    void SetButtonColor(TColor value);
    TColor HighLightColor() const { return FHighLightColor; }
    void SetHighLightColor(TColor value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor value);
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind value);
    bool ShowArrows() const { return FShowArrows; }
    void SetShowArrows(bool value);
    bool ShowHandleGrip() const { return FShowHandleGrip; }
    void SetShowHandleGrip(bool value);
    TRBStyle Style() const { return FStyle; }
    void SetStyle(TRBStyle value);

    // Raised when the position changed; OnUserChange in addition when a mouse action changed it.
    TBarNotifyEvent OnChange;
    TBarNotifyEvent OnUserChange;

    bool UserInitiated() const { return FUserInitiated; }
    TBarZone DragZone() const { return FDragZone; }
    TBarZone HotZone() const { return FHotZone; }
    TBarTimerMode TimerMode() const { return FTimerMode; }
    const QTimer& RepeatTimer() const { return FRepeatTimer; }
    int32_t PressX() const { return FPressX; }
    int32_t PressY() const { return FPressY; }
    bool Horizontal() const { return FKind == TScrollBarKind::sbHorizontal; }

    // Geometry, in client coordinates.
    int32_t BorderWidth() const { return FBorderStyle == TBorderStyle::bsSingle ? 1 : 0; }
    int32_t ClientWidth() const;
    int32_t ClientHeight() const;
    TRect ClientRect() const { return TRect{0, 0, ClientWidth(), ClientHeight()}; }
    int32_t ButtonLength() const;
    TRect TrackRect() const;
    TBarZone ZoneAt(int32_t x, int32_t y) const;
    TRect ZoneRect(TBarZone zone) const;

    virtual bool ShowsEnabled() const;
    // Empty here: a bare arrow bar has no content and no handle.
    virtual TRect HandleRect() const;

    void StartRepeat();
    void StartHotTracking();
    void StopRepeat() { StartHotTracking(); }
    virtual void EndHotTracking();
    // One tick of the repeat timer; public so that the timer modes can be driven step by step.
    virtual void TimerTick();

protected:
    virtual void RaiseChange();
    virtual void DrawButton(QPainter& p, TRect r, TBarDirection direction, bool pushed, bool enabled, bool hot);
    virtual void DrawHandle(QPainter& p, TRect r, bool horizontal, bool pushed, bool hot);
    virtual void DrawTrack(QPainter& p, TRect r, TBarDirection direction, bool pushed, bool enabled, bool hot);
    // The sunken frame around the client area.
    virtual void DrawFrame(QPainter& p);

    // Mouse hooks in client coordinates.
    virtual void MouseDown(Qt::MouseButton button, int32_t x, int32_t y);
    virtual void MouseMove(int32_t x, int32_t y);
    virtual void MouseUp(Qt::MouseButton button, int32_t x, int32_t y);
    virtual void MouseWheel(int32_t delta);
    virtual void Resized();
    // Where the pointer is now, in client coordinates.
    virtual TPoint PointerPos() const;

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // Marks a mouse-driven change until the returned guard goes, also when a handler throws.
    auto UserChange() {
        FUserInitiated = true;
        return TScopeExit([this] { FUserInitiated = false; });
    }

    TBarZone FDragZone = TBarZone::bzNone;
    TBarZone FHotZone = TBarZone::bzNone;
    int32_t FPressX = 0;
    int32_t FPressY = 0;
    bool FUserInitiated = false;

private:
    TBarDirection BackDirection() const { return Horizontal() ? TBarDirection::bdLeft : TBarDirection::bdUp; }
    TBarDirection ForwardDirection() const {
        return Horizontal() ? TBarDirection::bdRight : TBarDirection::bdDown;
    }
    void SetColorField(TColor& field, TColor value);
    // The parts in the window system's style, through QStyle.
    void DrawStyledPart(QPainter& p, TRect r, int element, bool pushed, bool enabled, bool hot);
    void DrawFlatArrow(QPainter& p, TRect r, TBarDirection direction, TColor32 color);
    void FillChecker(QPainter& p, TRect r, TColor32 even, TColor32 odd);

    TColor FColor = clScrollBar;
    TRBBackgnd FBackgnd = TRBBackgnd::bgPattern;
    TBorderStyle FBorderStyle = TBorderStyle::bsSingle;
    int32_t FButtonSize = 0;
    TColor FHandleColor = clBtnShadow;
    TColor FButtonColor = clBtnFace;
    TColor FHighLightColor = clBtnHighlight;
    TColor FShadowColor = clBtnShadow;
    TColor FBorderColor = clWindowFrame;
    TScrollBarKind FKind = TScrollBarKind::sbHorizontal;
    bool FShowArrows = true;
    bool FShowHandleGrip = true;
    TRBStyle FStyle = TRBStyle::rbsDefault;
    QTimer FRepeatTimer;
    TBarTimerMode FTimerMode = TBarTimerMode::tmNone;
};

}  // namespace velmora
