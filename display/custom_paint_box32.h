#pragma once
// TCustomPaintBox32: a widget that shows a back buffer of its own. The picture is rendered into
// Buffer only while BufferValid is false; every paint then copies ViewportRect of the buffer to the
// widget in one transfer, through a QImage that wraps the buffer's pixels without copying them, and
// raises OnGDIOverlay afterwards. The background is never erased, so a repaint cannot flicker.
//
// Qt has no separate "resize notification", "bounds change" or "properties loaded" calls, so they
// are the virtual hooks Resize (called from resizeEvent), SetBounds and Loaded (called by whoever
// finished setting the control up). Invalidate marks the buffer stale and schedules a paint.
#include <cstdint>
#include <functional>
#include <memory>

#include <QImage>
#include <QRegion>
#include <QWidget>

#include "core/geometry.h"
#include "core/input.h"
#include "raster/bitmap32.h"
#include "raster/color32.h"

class QPainter;

namespace velmora {

class TCustomPaintBox32;

using TPaintBoxOptions = uint8_t;
constexpr TPaintBoxOptions boArrowKeys = 0x01;
constexpr TPaintBoxOptions boFocusOnClick = 0x02;

using TPaintBoxNotifyEvent = std::function<void(TCustomPaintBox32* sender)>;

class TCustomPaintBox32 : public QWidget {
public:
    explicit TCustomPaintBox32(QWidget* parent = nullptr);
    ~TCustomPaintBox32() override;

    TBitmap32& Buffer() { return *FBuffer; }
    const TBitmap32& Buffer() const { return *FBuffer; }
    int32_t BufferOversize() const { return FBufferOversize; }
    bool BufferValid() const { return FBufferValid; }
    bool PointerInside() const { return FPointerInside; }

    TPaintBoxOptions BoxOptions() const { return FBoxOptions; }
    void SetBoxOptions(TPaintBoxOptions value) { FBoxOptions = value; }

    // The control colour; changing it repaints.
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    // The control's own cursor, shown while the screen cursor is crDefault.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    // Whether a mouse press gives the control the focus (see the image control).
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value) { FTabStop = value; }

    // The part of the client area that shows the picture, in client coordinates.
    virtual TRect ViewportRect() const;
    // Sizes Buffer to the viewport with BufferOversize of slack, never below 1 x 1.
    void FitBuffer();
    // Marks the buffer stale and asks for a paint of the whole client area.
    virtual void Invalidate();
    // The size changed: refit the buffer, mark it stale, raise OnResize.
    virtual void Resize();
    // Moves and sizes the control, then marks the buffer stale.
    virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);
    // The owner finished setting the control's properties.
    virtual void Loaded();

    // Render if stale, copy the viewport, overlay. Runs inside paintEvent with Canvas() open; to
    // run it from outside a paint event use repaint(), which comes back here synchronously.
    virtual void Paint();
    // The painter on the widget while a paint runs, else null.
    QPainter* Canvas() const { return FCanvas; }

    // How many paints reached the transfer step; diagnostics for tests and benchmarks.
    uint64_t TransferCount() const { return FTransferCount; }

    TPaintBoxNotifyEvent OnGDIOverlay;
    TPaintBoxNotifyEvent OnMouseEnter;
    TPaintBoxNotifyEvent OnMouseLeave;
    TPaintBoxNotifyEvent OnResize;

protected:
    void SetBufferValid(bool value) { FBufferValid = value; }

    virtual void RenderBuffer();
    // The bitmap whose ViewportRect a paint copies to the widget, asked right after the buffer was
    // made valid: Buffer here. A subclass may answer a bitmap of its own whose pixels are exactly
    // the picture; it must cover the viewport. Its lock is held during the copy.
    virtual TBitmap32& ShownBitmap();
    // Where the shown bitmap's pixel (0, 0) lands in the widget: the origin here. A subclass that
    // shows a bitmap smaller than the viewport places it elsewhere and has the rest of the viewport
    // filled with BandColor.
    virtual TPoint ShownOrigin() const { return TPoint{0, 0}; }
    virtual TColor32 BandColor() const { return WinColorToColor32(FColor); }
    virtual void PaintOverlay();
    virtual void PointerEntered();
    virtual void PointerLeft();

    // Mouse hooks in client coordinates; the paint box only takes the focus on a press when asked.
    virtual void MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y);
    virtual void MouseMove(TShiftState shift, int32_t x, int32_t y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A wrapper over source's pixels, built afresh whenever the shown bitmap, its storage or its
    // size changed.
    const QImage& SourceImage(const TBitmap32& source);

    std::unique_ptr<TBitmap32> FBuffer;
    int32_t FBufferOversize = 40;
    bool FBufferValid = false;
    TPaintBoxOptions FBoxOptions = 0;
    bool FPointerInside = false;
    TColor FColor = clBtnFace;
    TCursor FCursor = crDefault;
    bool FTabStop = false;

    QImage FSourceImage;
    const TColor32* FWrappedBits = nullptr;
    int32_t FWrappedWidth = 0;
    int32_t FWrappedHeight = 0;

    QPainter* FCanvas = nullptr;
    // The part of the widget the current paint event asks for; empty outside paintEvent.
    QRegion FPaintRegion;
    uint64_t FTransferCount = 0;
};

// The mouse button of a Qt button, or false for buttons the controls do not report.
bool MouseButtonOf(Qt::MouseButton button, TMouseButton& result);
// Modifier keys and held buttons of a Qt mouse event as a shift state.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

}  // namespace velmora
