#include "display/arrow_bar.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>

#include "display/range_bar_math.h"

namespace velmora {

namespace {

TColor32 Resolve(TColor c) { return WinColorToColor32(c); }

void FillRect(QPainter& p, const TRect& r, TColor32 c) {
    if (r.IsEmpty()) return;
    p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), QColor::fromRgb(c));
}

// One-pixel lines in c along the sides of r, in the order top, bottom, left, right, leaving out the
// side that faces the handle; each line moves its side of r inwards.
void DrawOpenOutline(QPainter& p, TRect& r, TBarDirection direction, TColor32 c) {
    if (direction != TBarDirection::bdDown && !r.IsEmpty()) {
        FillRect(p, TRect{r.Left, r.Top, r.Right, r.Top + 1}, c);
        ++r.Top;
    }
    if (direction != TBarDirection::bdUp && !r.IsEmpty()) {
        FillRect(p, TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, c);
        --r.Bottom;
    }
    if (direction != TBarDirection::bdRight && !r.IsEmpty()) {
        FillRect(p, TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, c);
        ++r.Left;
    }
    if (direction != TBarDirection::bdLeft && !r.IsEmpty()) {
        FillRect(p, TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, c);
        --r.Right;
    }
}

// A one-pixel ring: left and top in first (bottom-left corner included), right and bottom in second
// (top-right corner included). r moves inwards by one pixel.
void DrawBevel(QPainter& p, TRect& r, TColor32 first, TColor32 second) {
    if (r.IsEmpty()) return;
    FillRect(p, TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, first);
    FillRect(p, TRect{r.Left + 1, r.Top, r.Right - 1, r.Top + 1}, first);
    FillRect(p, TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, second);
    FillRect(p, TRect{r.Left + 1, r.Bottom - 1, r.Right - 1, r.Bottom}, second);
    r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

void DrawFrameRect(QPainter& p, TRect& r, TColor32 c) {
    if (r.IsEmpty()) return;
    FillRect(p, TRect{r.Left, r.Top, r.Right, r.Top + 1}, c);
    FillRect(p, TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom}, c);
    FillRect(p, TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, c);
    FillRect(p, TRect{r.Right - 1, r.Top, r.Right, r.Bottom}, c);
    r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
}

// The classic style draws every scroll-bar part on its own; styles that only draw the whole bar
// (Fusion) would leave our parts, placed by our own geometry, blank.
QStyle* PartStyle(QStyle* fallback) {
    static QPointer<QStyle> style;
    if (style.isNull() && qApp != nullptr) {
        style = QStyleFactory::create("Windows");
        if (!style.isNull()) style->setParent(qApp);
    }
    return style.isNull() ? fallback : style.data();
}

// Repeat timer intervals in milliseconds.
constexpr int FirstDelayInterval = 600;
constexpr int RepeatInterval = 100;
constexpr int HotTrackInterval = 150;

TRect Offset(TRect r, int32_t dx, int32_t dy) { return TRect{r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy}; }

}  // namespace

TArrowBar::TArrowBar(QWidget* parent) : QWidget(parent) {
    resize(100, 16);
    // Every pixel is painted by paintEvent: no background erase, no parent colour.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    QObject::connect(&FRepeatTimer, &QTimer::timeout, this, [this] { TimerTick(); });
}

TArrowBar::~TArrowBar() = default;

void TArrowBar::SetColorField(TColor& field, TColor value) {
    if (field == value) return;
    field = value;
    update();
}

void TArrowBar::SetColor(TColor value) { SetColorField(FColor, value); }
void TArrowBar::SetHandleColor(TColor value) { SetColorField(FHandleColor, value); }
void TArrowBar::SetButtonColor(TColor value) { SetColorField(FButtonColor, value); }
void TArrowBar::SetHighLightColor(TColor value) { SetColorField(FHighLightColor, value); }
void TArrowBar::SetShadowColor(TColor value) { SetColorField(FShadowColor, value); }
void TArrowBar::SetBorderColor(TColor value) { SetColorField(FBorderColor, value); }

void TArrowBar::SetBackgnd(TRBBackgnd value) {
    if (FBackgnd == value) return;
    FBackgnd = value;
    update();
}

void TArrowBar::SetBorderStyle(TBorderStyle value) {
    if (FBorderStyle == value) return;
    FBorderStyle = value;
    update();
}

void TArrowBar::SetButtonSize(int32_t value) {
    if (FButtonSize == value) return;
    FButtonSize = value;
    update();
}

void TArrowBar::SetKind(TScrollBarKind value) {
    if (FKind == value) return;
    FKind = value;
    update();
}

void TArrowBar::SetShowArrows(bool value) {
    if (FShowArrows == value) return;
    FShowArrows = value;
    update();
}

void TArrowBar::SetShowHandleGrip(bool value) {
    if (FShowHandleGrip == value) return;
    FShowHandleGrip = value;
    update();
}

void TArrowBar::SetStyle(TRBStyle value) {
    FStyle = value;
    update();
}

int32_t TArrowBar::ClientWidth() const { return std::max(0, width() - 2 * BorderWidth()); }
int32_t TArrowBar::ClientHeight() const { return std::max(0, height() - 2 * BorderWidth()); }

int32_t TArrowBar::ButtonLength() const {
    int32_t along = Horizontal() ? ClientWidth() : ClientHeight();
    int32_t thick = Horizontal() ? ClientHeight() : ClientWidth();
    return BarButtonLength(along, thick, FButtonSize, FShowArrows, FStyle == TRBStyle::rbsMac);
}

TRect TArrowBar::TrackRect() const {
    int32_t b = ButtonLength();
    TRect r = ClientRect();
    if (Horizontal()) {
        r.Left += b;
        r.Right -= b;
    } else {
        r.Top += b;
        r.Bottom -= b;
    }
    return r;
}

TBarZone TArrowBar::ZoneAt(int32_t x, int32_t y) const {
    TRect client = ClientRect();
    if (!client.Contains(x, y)) return TBarZone::bzNone;
    int32_t b = ButtonLength();
    int32_t along = Horizontal() ? x : y;
    int32_t length = Horizontal() ? client.Right : client.Bottom;
    if (along < b) return TBarZone::bzBackButton;
    if (along >= length - b) return TBarZone::bzForwardButton;
    TRect h = HandleRect();
    if (h.Contains(x, y)) return TBarZone::bzHandle;
    int32_t handleStart = Horizontal() ? h.Left : h.Top;
    int32_t handleEnd = Horizontal() ? h.Right : h.Bottom;
    // The first and the last pixel along the bar belong to no track zone.
    if (0 < along && along < handleStart) return TBarZone::bzBackTrack;
    if (handleEnd <= along && along < length - 1) return TBarZone::bzForwardTrack;
    return TBarZone::bzNone;
}

TRect TArrowBar::ZoneRect(TBarZone zone) const {
    TRect client = ClientRect();
    int32_t b = ButtonLength();
    switch (zone) {
        case TBarZone::bzNone: return TRect{};
        case TBarZone::bzBackButton:
            return Horizontal() ? TRect{0, 0, b, client.Bottom} : TRect{0, 0, client.Right, b};
        case TBarZone::bzForwardButton:
            return Horizontal() ? TRect{client.Right - b, 0, client.Right, client.Bottom}
                                : TRect{0, client.Bottom - b, client.Right, client.Bottom};
        default: break;
    }
    TRect track = TrackRect();
    TRect h = HandleRect();
    if (!ShowsEnabled() || h.IsEmpty()) {
        int32_t mx = (track.Left + track.Right) / 2;
        int32_t my = (track.Top + track.Bottom) / 2;
        h = TRect{mx, my, mx, my};
    }
    if (zone == TBarZone::bzHandle) return h;
    TRect r = track;
    if (zone == TBarZone::bzBackTrack) {
        if (Horizontal()) r.Right = h.Left;
        else r.Bottom = h.Top;
    } else {
        if (Horizontal()) r.Left = h.Right;
        else r.Top = h.Bottom;
    }
    return r;
}

bool TArrowBar::ShowsEnabled() const { return isEnabled(); }

TRect TArrowBar::HandleRect() const { return TRect{}; }

void TArrowBar::RaiseChange() {
    // Copies: a handler may replace the events while it runs.
    if (TBarNotifyEvent change = OnChange) change(this);
    if (FUserInitiated)
        if (TBarNotifyEvent userChange = OnUserChange) userChange(this);
}

void TArrowBar::StartRepeat() {
    // The first step runs at once as a repeat step; the next one waits the first delay.
    FRepeatTimer.setInterval(FirstDelayInterval);
    FTimerMode = TBarTimerMode::tmRepeat;
    TimerTick();
    // The first step may already have stopped the repeat (nothing left to scroll): keep that.
    if (FTimerMode != TBarTimerMode::tmRepeat) return;
    FTimerMode = TBarTimerMode::tmFirstDelay;
    FRepeatTimer.start();
}

void TArrowBar::StartHotTracking() {
    FRepeatTimer.setInterval(HotTrackInterval);
    FTimerMode = TBarTimerMode::tmHotTrack;
    FRepeatTimer.start();
}

void TArrowBar::EndHotTracking() {
    FRepeatTimer.stop();
    FHotZone = TBarZone::bzNone;
    update();
}

void TArrowBar::TimerTick() {
    if (FTimerMode == TBarTimerMode::tmFirstDelay) {
        FRepeatTimer.setInterval(RepeatInterval);
        FTimerMode = TBarTimerMode::tmRepeat;
    } else if (FTimerMode == TBarTimerMode::tmHotTrack) {
        TPoint p = PointerPos();
        if (!ClientRect().Contains(p.X, p.Y)) {
            EndHotTracking();
            update();
        }
    }
}

TPoint TArrowBar::PointerPos() const {
    QPoint p = mapFromGlobal(QCursor::pos());
    return TPoint{p.x() - BorderWidth(), p.y() - BorderWidth()};
}

void TArrowBar::MouseDown(Qt::MouseButton button, int32_t x, int32_t y) {
    if (button != Qt::LeftButton) return;
    FDragZone = ZoneAt(x, y);
    update();
    FPressX = x;
    FPressY = y;
    StartRepeat();
}

void TArrowBar::MouseMove(int32_t x, int32_t y) {
    if (FDragZone != TBarZone::bzNone || !ShowsEnabled()) return;
    TBarZone z = ZoneAt(x, y);
    if (z == FHotZone) return;
    FHotZone = z;
    if (z != TBarZone::bzNone) StartHotTracking();
    update();
}

void TArrowBar::MouseUp(Qt::MouseButton, int32_t, int32_t) {
    FDragZone = TBarZone::bzNone;
    update();
    StopRepeat();
}

void TArrowBar::MouseWheel(int32_t) {}

void TArrowBar::Resized() {}

// Mouse events never travel on to the parent: the bar is the whole target of its input.
void TArrowBar::mousePressEvent(QMouseEvent* event) {
    event->accept();
    QPoint p = event->position().toPoint();
    MouseDown(event->button(), p.x() - BorderWidth(), p.y() - BorderWidth());
}

void TArrowBar::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    QPoint p = event->position().toPoint();
    MouseMove(p.x() - BorderWidth(), p.y() - BorderWidth());
}

void TArrowBar::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    QPoint p = event->position().toPoint();
    MouseUp(event->button(), p.x() - BorderWidth(), p.y() - BorderWidth());
}

void TArrowBar::wheelEvent(QWheelEvent* event) {
    event->accept();
    QPoint d = event->angleDelta();
    MouseWheel(d.y() != 0 ? d.y() : d.x());
}

void TArrowBar::leaveEvent(QEvent* event) {
    EndHotTracking();
    QWidget::leaveEvent(event);
}

void TArrowBar::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) update();
}

void TArrowBar::resizeEvent(QResizeEvent* event) {
    Resized();
    QWidget::resizeEvent(event);
}

void TArrowBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (FBorderStyle == TBorderStyle::bsSingle) {
        DrawFrame(p);
        p.translate(1, 1);
    }
    p.setClipRect(QRect(0, 0, ClientWidth(), ClientHeight()));

    bool enabled = ShowsEnabled();
    // Nothing of an earlier frame may show through a part the style leaves unpainted.
    if (FStyle == TRBStyle::rbsDefault) FillRect(p, ClientRect(), Resolve(FColor));
    if (FShowArrows) {
        DrawButton(p, ZoneRect(TBarZone::bzBackButton), BackDirection(), FDragZone == TBarZone::bzBackButton,
                   enabled, FHotZone == TBarZone::bzBackButton);
        DrawButton(p, ZoneRect(TBarZone::bzForwardButton), ForwardDirection(),
                   FDragZone == TBarZone::bzForwardButton, enabled, FHotZone == TBarZone::bzForwardButton);
    }
    TRect h = enabled ? HandleRect() : TRect{};
    DrawTrack(p, ZoneRect(TBarZone::bzBackTrack), BackDirection(), FDragZone == TBarZone::bzBackTrack, enabled,
              FHotZone == TBarZone::bzBackTrack);
    DrawTrack(p, ZoneRect(TBarZone::bzForwardTrack), ForwardDirection(), FDragZone == TBarZone::bzForwardTrack,
              enabled, FHotZone == TBarZone::bzForwardTrack);
    if (!h.IsEmpty())
        DrawHandle(p, h, Horizontal(), FDragZone == TBarZone::bzHandle, FHotZone == TBarZone::bzHandle);
}

void TArrowBar::DrawFrame(QPainter& p) {
    // One-pixel sunken edge: shadow along the top and left, highlight along the bottom and right.
    TColor32 shadow = Resolve(clBtnShadow);
    TColor32 light = Resolve(clBtnHighlight);
    int32_t w = width(), h = height();
    FillRect(p, TRect{0, 0, w - 1, 1}, shadow);
    FillRect(p, TRect{0, 0, 1, h - 1}, shadow);
    FillRect(p, TRect{0, h - 1, w, h}, light);
    FillRect(p, TRect{w - 1, 0, w, h}, light);
}

void TArrowBar::DrawStyledPart(QPainter& p, TRect r, int element, bool pushed, bool enabled, bool hot) {
    if (r.IsEmpty()) return;
    QStyleOptionSlider opt;
    opt.initFrom(this);
    opt.rect = QRect(r.Left, r.Top, r.Width(), r.Height());
    opt.orientation = Horizontal() ? Qt::Horizontal : Qt::Vertical;
    opt.state = QStyle::State_None;
    if (enabled) opt.state |= QStyle::State_Enabled;
    if (Horizontal()) opt.state |= QStyle::State_Horizontal;
    if (hot) opt.state |= QStyle::State_MouseOver;
    QStyle::SubControl sub = QStyle::SC_None;
    switch (QStyle::ControlElement(element)) {
        case QStyle::CE_ScrollBarSubLine: sub = QStyle::SC_ScrollBarSubLine; break;
        case QStyle::CE_ScrollBarAddLine: sub = QStyle::SC_ScrollBarAddLine; break;
        case QStyle::CE_ScrollBarSubPage: sub = QStyle::SC_ScrollBarSubPage; break;
        case QStyle::CE_ScrollBarAddPage: sub = QStyle::SC_ScrollBarAddPage; break;
        default: sub = QStyle::SC_ScrollBarSlider; break;
    }
    opt.subControls = sub;
    if (pushed) {
        opt.state |= QStyle::State_Sunken | QStyle::State_On;
        opt.activeSubControls = sub;
    }
    PartStyle(style())->drawControl(QStyle::ControlElement(element), &opt, &p, this);
}

void TArrowBar::FillChecker(QPainter& p, TRect r, TColor32 even, TColor32 odd) {
    if (r.IsEmpty()) return;
    // Aligned to the client origin: a pixel whose x and y have the same parity takes `even`.
    QImage img(r.Width(), r.Height(), QImage::Format_ARGB32);
    for (int32_t y = 0; y < r.Height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int32_t x = 0; x < r.Width(); ++x) row[x] = (((r.Left + x) ^ (r.Top + y)) & 1) == 0 ? even : odd;
    }
    p.drawImage(QPoint(r.Left, r.Top), img);
}

void TArrowBar::DrawTrack(QPainter& p, TRect r, TBarDirection direction, bool pushed, bool enabled, bool hot) {
    if (FStyle == TRBStyle::rbsDefault) {
        bool back = direction == TBarDirection::bdLeft || direction == TBarDirection::bdUp;
        DrawStyledPart(p, r, back ? QStyle::CE_ScrollBarSubPage : QStyle::CE_ScrollBarAddPage, pushed, enabled,
                       hot);
        return;
    }
    if (r.IsEmpty()) return;
    DrawOpenOutline(p, r, direction, Resolve(enabled ? FBorderColor : FShadowColor));
    if (pushed) {
        FillRect(p, r, Resolve(FBorderColor));
        return;
    }
    if (r.IsEmpty()) return;
    if (!enabled) {
        FillRect(p, r, Resolve(FButtonColor));
        return;
    }
    TColor32 color = Resolve(FColor);
    TColor32 light = Resolve(FHighLightColor);
    TColor32 shadow = MixBarColors(Resolve(FBorderColor), MixBarColors(light, color, 127), 32);
    switch (direction) {
        case TBarDirection::bdLeft:
        case TBarDirection::bdUp:
            FillRect(p, TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, shadow);
            FillRect(p, TRect{r.Left, r.Top, r.Right, r.Top + 1}, shadow);
            ++r.Left;
            ++r.Top;
            break;
        case TBarDirection::bdRight:
            FillRect(p, TRect{r.Left, r.Top, r.Right, r.Top + 1}, shadow);
            ++r.Top;
            break;
        case TBarDirection::bdDown:
            FillRect(p, TRect{r.Left, r.Top, r.Left + 1, r.Bottom}, shadow);
            ++r.Left;
            break;
    }
    if (FBackgnd == TRBBackgnd::bgPattern && color != light) FillChecker(p, r, color, light);
    else FillRect(p, r, color);
}

void TArrowBar::DrawHandle(QPainter& p, TRect r, bool horizontal, bool pushed, bool hot) {
    if (FStyle == TRBStyle::rbsDefault) {
        DrawStyledPart(p, r, QStyle::CE_ScrollBarSlider, pushed, true, hot);
        return;
    }
    if (r.IsEmpty()) return;
    TColor32 handle = Resolve(FHandleColor);
    TColor32 border = Resolve(FBorderColor);
    TColor32 light = ShadeColor(handle, 24);
    TColor32 dark = ShadeColor(handle, -24);
    DrawFrameRect(p, r, border);
    if (pushed) DrawBevel(p, r, dark, handle);
    else DrawBevel(p, r, light, MixBarColors(border, handle, 96));
    FillRect(p, r, handle);
    if (!FShowHandleGrip || r.IsEmpty()) return;
    if (pushed) r = Offset(r, 1, 1);
    int32_t length = horizontal ? r.Width() : r.Height();
    int32_t m = horizontal ? (r.Left + r.Right) / 2 : (r.Top + r.Bottom) / 2;
    for (int32_t offset : {-5, -2, 1, 4}) {
        if ((offset == -5 || offset == 4) && length <= 10) continue;
        int32_t s = m + offset;
        if (horizontal) {
            FillRect(p, TRect{s, r.Top + 1, s + 1, r.Bottom - 1}, light);
            FillRect(p, TRect{s + 1, r.Top + 1, s + 2, r.Bottom - 1}, dark);
        } else {
            FillRect(p, TRect{r.Left + 1, s, r.Right - 1, s + 1}, light);
            FillRect(p, TRect{r.Left + 1, s + 1, r.Right - 1, s + 2}, dark);
        }
    }
}

void TArrowBar::DrawFlatArrow(QPainter& p, TRect r, TBarDirection direction, TColor32 color) {
    if (r.IsEmpty()) return;
    // A filled triangle about three quarters of the button's half size, drawn column by column
    // (row by row when it points up or down) so that it stays crisp.
    int32_t k = std::max(1, std::min(r.Width(), r.Height()) * 3 / 16);
    int32_t cx = r.Left + (r.Width() - 1) / 2;
    int32_t cy = r.Top + (r.Height() - 1) / 2;
    for (int32_t i = 0; i <= k; ++i) {
        switch (direction) {
            case TBarDirection::bdLeft: {
                int32_t x = cx - k / 2 + i;
                FillRect(p, TRect{x, cy - i, x + 1, cy + i + 1}, color);
                break;
            }
            case TBarDirection::bdRight: {
                int32_t x = cx + k / 2 - i;
                FillRect(p, TRect{x, cy - i, x + 1, cy + i + 1}, color);
                break;
            }
            case TBarDirection::bdUp: {
                int32_t y = cy - k / 2 + i;
                FillRect(p, TRect{cx - i, y, cx + i + 1, y + 1}, color);
                break;
            }
            case TBarDirection::bdDown: {
                int32_t y = cy + k / 2 - i;
                FillRect(p, TRect{cx - i, y, cx + i + 1, y + 1}, color);
                break;
            }
        }
    }
}

void TArrowBar::DrawButton(QPainter& p, TRect r, TBarDirection direction, bool pushed, bool enabled, bool hot) {
    if (FStyle == TRBStyle::rbsDefault) {
        bool back = direction == TBarDirection::bdLeft || direction == TBarDirection::bdUp;
        DrawStyledPart(p, r, back ? QStyle::CE_ScrollBarSubLine : QStyle::CE_ScrollBarAddLine, pushed, enabled, hot);
        return;
    }
    if (r.IsEmpty()) return;
    DrawOpenOutline(p, r, direction, Resolve(enabled ? FBorderColor : FShadowColor));
    TRect arrow = r;
    TColor32 face = Resolve(FButtonColor);
    if (!enabled) {
        FillRect(p, r, face);
        DrawFlatArrow(p, Offset(arrow, 1, 1), direction, Resolve(FHighLightColor));
        DrawFlatArrow(p, arrow, direction, Resolve(FShadowColor));
    } else if (pushed) {
        FillRect(p, r, face);
        DrawFlatArrow(p, Offset(arrow, 1, 1), direction, Resolve(FBorderColor));
    } else {
        DrawBevel(p, r, Resolve(FHighLightColor), Resolve(FShadowColor));
        FillRect(p, r, face);
        DrawFlatArrow(p, arrow, direction, Resolve(FBorderColor));
    }
}

}  // namespace velmora
