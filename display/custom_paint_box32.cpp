#include "display/custom_paint_box32.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include "core/scope_exit.h"
#include "display/pixel_zoom.h"
#include "raster/notifiable_persistent.h"
#include "toolkit/screen_cursor.h"

namespace velmora {

bool MouseButtonOf(Qt::MouseButton button, TMouseButton& result) {
    switch (button) {
        case Qt::LeftButton: result = TMouseButton::mbLeft; return true;
        case Qt::RightButton: result = TMouseButton::mbRight; return true;
        case Qt::MiddleButton: result = TMouseButton::mbMiddle; return true;
        default: return false;
    }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier) s |= ssShift;
    if (modifiers & Qt::AltModifier) s |= ssAlt;
    if (modifiers & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

TCustomPaintBox32::TCustomPaintBox32(QWidget* parent) : QWidget(parent), FBuffer(std::make_unique<TBitmap32>()) {
    // Every paint covers the whole viewport from the buffer: nothing may be erased underneath.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(192, 192);
}

TCustomPaintBox32::~TCustomPaintBox32() {
    // The wrapper points into the buffer's memory: drop it first, then the buffer.
    FSourceImage = QImage();
    FBuffer.reset();
}

void TCustomPaintBox32::SetColor(TColor value) {
    if (value == FColor) return;
    FColor = value;
    Invalidate();
}

void TCustomPaintBox32::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    setCursor(CursorShapeOf(value));
}

TRect TCustomPaintBox32::ViewportRect() const { return TRect{0, 0, width(), height()}; }

void TCustomPaintBox32::FitBuffer() {
    const TRect r = ViewportRect();
    const int32_t w = std::max(0, r.Right - r.Left);
    const int32_t h = std::max(0, r.Bottom - r.Top);
    // Grow with slack, keep while within the slack, shrink to fit beyond it.
    auto fit = [this](int32_t want, int32_t have) {
        int32_t n = have;
        if (have < want)
            n = want + FBufferOversize;
        else if (want < have - FBufferOversize)
            n = want;
        return std::max(n, 1);
    };
    const int32_t newW = fit(w, FBuffer->Width());
    const int32_t newH = fit(h, FBuffer->Height());
    if (newW == FBuffer->Width() && newH == FBuffer->Height()) return;
    {
        TLockGuard lock(*FBuffer);
        FBuffer->SetDimensions(newW, newH);
    }
    Invalidate();
}

void TCustomPaintBox32::Invalidate() {
    FBufferValid = false;
    update();
}

void TCustomPaintBox32::Resize() {
    FitBuffer();
    FBufferValid = false;
    if (OnResize) OnResize(this);
}

void TCustomPaintBox32::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    setGeometry(left, top, std::max(0, width), std::max(0, height));
    FBufferValid = false;
}

void TCustomPaintBox32::Loaded() { FBufferValid = false; }

void TCustomPaintBox32::RenderBuffer() { FBufferValid = true; }

void TCustomPaintBox32::PaintOverlay() {
    if (OnGDIOverlay) OnGDIOverlay(this);
}

void TCustomPaintBox32::PointerEntered() {
    FPointerInside = true;
    if (OnMouseEnter) OnMouseEnter(this);
}

void TCustomPaintBox32::PointerLeft() {
    FPointerInside = false;
    if (OnMouseLeave) OnMouseLeave(this);
}

TBitmap32& TCustomPaintBox32::ShownBitmap() { return *FBuffer; }

const QImage& TCustomPaintBox32::SourceImage(const TBitmap32& source) {
    const TColor32* bits = source.PixelData();
    if (bits != FWrappedBits || source.Width() != FWrappedWidth || source.Height() != FWrappedHeight) {
        FWrappedBits = bits;
        FWrappedWidth = source.Width();
        FWrappedHeight = source.Height();
        // RGB32 ignores the alpha byte, as the window system's block transfer does, and lets Qt
        // copy rows straight into an opaque backing store.
        if (bits && FWrappedWidth > 0 && FWrappedHeight > 0)
            FSourceImage = QImage(reinterpret_cast<const uchar*>(bits), FWrappedWidth, FWrappedHeight,
                                  4 * FWrappedWidth, QImage::Format_RGB32);
        else
            FSourceImage = QImage();
    }
    return FSourceImage;
}

void TCustomPaintBox32::Paint() {
    if (!FBufferValid) RenderBuffer();
    TBitmap32& source = ShownBitmap();
    {
        TLockGuard lock(source);
        const TRect r = ViewportRect();
        const QImage& image = SourceImage(source);
        if (FCanvas && !image.isNull() && !r.IsEmpty()) {
            const QRect viewport(r.Left, r.Top, r.Width(), r.Height());
            FCanvas->save();
            FCanvas->setCompositionMode(QPainter::CompositionMode_Source);
            // One copy per rectangle of the asked region: a sibling on top makes that region
            // ragged, and Qt copies rows straight only under a rectangular clip, otherwise it
            // falls back to span blending spread over worker threads, several times slower.
            const QRegion wanted = FPaintRegion.isEmpty() ? QRegion(viewport) : FPaintRegion & viewport;
            const TPoint origin = ShownOrigin();
            const QRect picture(origin.X, origin.Y, image.width(), image.height());
            for (const QRect& part : wanted) {
                FCanvas->setClipRect(part);
                const QRect inside = part & picture;
                // On a screen that shows the stage enlarged, the pixels go straight into the device.
                const QRect from = inside.translated(-origin.X, -origin.Y);
                if (!inside.isEmpty() && !DrawZoomedImage(*FCanvas, inside.topLeft(), image, from))
                    FCanvas->drawImage(inside.topLeft(), image, from);
                if (inside == part) continue;
                const QColor band = QColor::fromRgb(BandColor() | 0xFF000000u);
                for (const QRect& rest : QRegion(part) - inside) FCanvas->fillRect(rest, band);
            }
            FCanvas->restore();
        }
        ++FTransferCount;
    }
    PaintOverlay();
}

void TCustomPaintBox32::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    TScopeExit endCanvas([this] {
        FCanvas = nullptr;
        FPaintRegion = QRegion();
    });
    FCanvas = &painter;
    FPaintRegion = event->region();
    Paint();
}

void TCustomPaintBox32::resizeEvent(QResizeEvent*) { Resize(); }

void TCustomPaintBox32::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    PointerEntered();
}

void TCustomPaintBox32::leaveEvent(QEvent* event) {
    PointerLeft();
    QWidget::leaveEvent(event);
}

void TCustomPaintBox32::MouseDown(TMouseButton, TShiftState, int32_t, int32_t) {
    if ((FBoxOptions & boFocusOnClick) && isEnabled() && isVisible()) setFocus(Qt::MouseFocusReason);
}

void TCustomPaintBox32::MouseMove(TShiftState, int32_t, int32_t) {}

void TCustomPaintBox32::MouseUp(TMouseButton, TShiftState, int32_t, int32_t) {}

void TCustomPaintBox32::mousePressEvent(QMouseEvent* event) {
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button)) return;
    const QPoint p = event->position().toPoint();
    MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TCustomPaintBox32::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is still a press, marked as such.
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button)) return;
    const QPoint p = event->position().toPoint();
    MouseDown(button, ShiftStateOf(event->modifiers(), event->buttons()) | ssDouble, p.x(), p.y());
}

void TCustomPaintBox32::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    MouseMove(ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

void TCustomPaintBox32::mouseReleaseEvent(QMouseEvent* event) {
    TMouseButton button;
    if (!MouseButtonOf(event->button(), button)) return;
    const QPoint p = event->position().toPoint();
    MouseUp(button, ShiftStateOf(event->modifiers(), event->buttons()), p.x(), p.y());
}

}  // namespace velmora
