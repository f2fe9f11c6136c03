#include "display/custom_img_view32.h"

#include <QColor>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <limits>

#include "core/rounding.h"
#include "core/scope_exit.h"
#include "display/view_zoom.h"
#include "raster/color32.h"

namespace velmora {

namespace {

int32_t SaturatedSum(int32_t a, int32_t b) {
    const int64_t s = int64_t(a) + int64_t(b);
    return static_cast<int32_t>(std::clamp<int64_t>(s, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

// A range bar of the view: it can move its position as a user change on the view's behalf, and a
// wheel notch over it scrolls the picture with it instead of moving the bar alone.
class TCustomImgView32::TViewRangeBar : public TCustomRangeBar {
public:
    explicit TViewRangeBar(TCustomImgView32* view) : TCustomRangeBar(view), FView(view) {}

    void UserScrollTo(float pos) {
        const auto user = UserChange();
        SetScrollPos(pos);
    }

protected:
    void MouseWheel(int32_t delta) override {
        FView->UserScroll(this, -static_cast<long double>(delta) * WheelNotchPixels / 120);
    }

private:
    TCustomImgView32* FView;
};

// --- TIVScrollProperties ------------------------------------------------------------------------

TIVScrollProperties::TIVScrollProperties(TCustomImgView32* ownerView) : FOwnerView(ownerView) {
    SetPrimaryBar(ownerView->FHorzBar);
    SetSecondaryBar(ownerView->FVertBar);
}

int32_t TIVScrollProperties::Increment() const { return FOwnerView->FHorzBar->Increment(); }

void TIVScrollProperties::SetIncrement(int32_t value) {
    FOwnerView->FHorzBar->SetIncrement(static_cast<uint16_t>(value));
    FOwnerView->FVertBar->SetIncrement(static_cast<uint16_t>(value));
}

int32_t TIVScrollProperties::Size() const { return FOwnerView->FBarSize; }

void TIVScrollProperties::SetSize(int32_t value) {
    FOwnerView->FBarSize = value;
    FOwnerView->LayoutScrollBars();
    FOwnerView->ApplyScrollOffsets();
}

TScrollBarVisibility TIVScrollProperties::Visibility() const { return FOwnerView->FBarVisibility; }

void TIVScrollProperties::SetVisibility(TScrollBarVisibility value) {
    if (value == FOwnerView->FBarVisibility) return;
    FOwnerView->FBarVisibility = value;
    FOwnerView->Resize();
}

// --- TCustomImgView32 ---------------------------------------------------------------------------

TCustomImgView32::TCustomImgView32(QWidget* parent) : TCustomImage32(parent) {
    auto makeBar = [this](TScrollBarKind kind) {
        auto* bar = new TViewRangeBar(this);
        bar->SetBorderStyle(TBorderStyle::bsNone);
        bar->SetCentered(true);
        bar->OnUserChange = [this](TArrowBar* sender) { ScrollBarMoved(sender); };
        bar->SetKind(kind);
        return bar;
    };
    FHorzBar = makeBar(TScrollBarKind::sbHorizontal);
    FVertBar = makeBar(TScrollBarKind::sbVertical);

    FCentered = true;
    SetScaleMode(TScaleMode::smScale);
    SetBitmapAlign(TBitmapAlign::baCustom);

    FScrollBars = std::make_unique<TIVScrollProperties>(this);
    LayoutScrollBars();
}

TCustomImgView32::~TCustomImgView32() {
    // The bars outlive this part of the view (Qt deletes them with the widget): cut them loose.
    FHorzBar->OnUserChange = nullptr;
    FVertBar->OnUserChange = nullptr;
    FScrollBars.reset();
}

void TCustomImgView32::SetCentered(bool value) {
    FCentered = value;
    Recenter();
}

void TCustomImgView32::SetSizeGrip(TSizeGripStyle value) {
    if (value == FSizeGrip) return;
    FSizeGrip = value;
    Invalidate();
}

void TCustomImgView32::SetOverSize(int32_t value) {
    if (value == FOverSize) return;
    FOverSize = value;
    Invalidate();
}

void TCustomImgView32::SetScaleMode(TScaleMode value) {
    TCustomImage32::SetScaleMode(value);
    Recenter();
}

// --- layout -------------------------------------------------------------------------------------

bool TCustomImgView32::ScrollBarsShown() const {
    if (!FScrollBars || !FHorzBar || !FVertBar) return true;
    switch (FBarVisibility) {
        case TScrollBarVisibility::svAlways: return true;
        case TScrollBarVisibility::svHidden: return false;
        case TScrollBarVisibility::svAuto:
            return FHorzBar->ContentSize() > FHorzBar->VisibleSize() || FVertBar->ContentSize() > FVertBar->VisibleSize();
    }
    return true;
}

int32_t TCustomImgView32::ScrollBarThickness() const {
    if (!ScrollBarsShown()) return 0;
    // A size of 0 (or a meaningless negative one) stands for the platform's scroll-bar extent.
    if (FBarSize > 0) return FBarSize;
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

TRect TCustomImgView32::ViewportRect() const {
    const int32_t t = ScrollBarThickness();
    return TRect{0, 0, width() - t, height() - t};
}

void TCustomImgView32::LayoutScrollBars() {
    if (!FHorzBar || !FVertBar) return;
    const TRect v = ViewportRect();
    const bool shown = ScrollBarsShown();
    // A bar's resize refreshes its visible length; a hidden bar gets it when it is shown.
    FHorzBar->setGeometry(v.Left, v.Bottom, std::max(0, v.Right - v.Left), std::max(0, height() - v.Bottom));
    FHorzBar->setVisible(shown);
    FHorzBar->repaint();
    FVertBar->setGeometry(v.Right, v.Top, std::max(0, width() - v.Right), std::max(0, v.Bottom - v.Top));
    FVertBar->setVisible(shown);
    FVertBar->repaint();
    // The viewport changes here without a resize of the view when the bars come or go: the back
    // buffer must still cover it, or part of the view would show stale pixels.
    FitBuffer();
}

TRect TCustomImgView32::SizeGripRect() const {
    const int32_t t = ScrollBarThickness();
    TRect r{0, 0, width(), height()};
    r.Left = r.Right - t;
    r.Top = r.Bottom - t;
    return r;
}

// --- scrolling ----------------------------------------------------------------------------------

void TCustomImgView32::UpdateScrollRanges() {
    if (!FHorzBar || !FVertBar) return;
    const auto [w, h] = PlacedSize();
    const int32_t e = NearestInt(2.0L * FOverSize * Scale());
    FHorzBar->SetContentSize(SaturatedSum(w, e));
    FVertBar->SetContentSize(SaturatedSum(h, e));
    if (FBarVisibility == TScrollBarVisibility::svAuto) LayoutScrollBars();
}

void TCustomImgView32::ApplyScrollOffsets() {
    if (!FHorzBar || !FVertBar) return;
    const auto [w, h] = PlacedSize();
    const int32_t m = NearestInt(static_cast<long double>(FOverSize) * Scale());
    const TRect r = ViewportRect();
    const int64_t vw = r.Width();
    const int64_t vh = r.Height();
    {
        BeginChanges();  // one change step, closed on every path
        TScopeExit endChanges([this] { EndChanges(); });
        // A centred bitmap that fits sits in the middle, possibly on a half pixel.
        if (FCentered && vw > 2 * int64_t(m) + w)
            SetBitmapOffsetX(static_cast<float>(vw - w) / 2.0f);
        else
            SetBitmapOffsetX(static_cast<float>(m) - FHorzBar->ScrollPos());
        if (FCentered && vh > 2 * int64_t(m) + h)
            SetBitmapOffsetY(static_cast<float>(vh - h) / 2.0f);
        else
            SetBitmapOffsetY(static_cast<float>(m) - FVertBar->ScrollPos());
        SetPlacementValid(false);
    }
    NotifyChanged();
}

void TCustomImgView32::CenterOn(int32_t x, int32_t y) {
    {
        FSuppressScrollEvents = true;
        TScopeExit endSuppress([this] { FSuppressScrollEvents = false; });
        LayoutScrollBars();
        const long double m = NearestInt(static_cast<long double>(FOverSize) * Scale());
        const TRect r = ViewportRect();
        const long double scale = Scale();
        FHorzBar->SetScrollPos(static_cast<float>(x * scale - static_cast<long double>(r.Width()) / 2 + m));
        FVertBar->SetScrollPos(static_cast<float>(y * scale - static_cast<long double>(r.Height()) / 2 + m));
    }
    ApplyScrollOffsets();
}

void TCustomImgView32::Recenter() {
    SetPlacementValid(false);
    FHorzBar->SetCentered(FCentered);
    FVertBar->SetCentered(FCentered);
    UpdateScrollRanges();
    ApplyScrollOffsets();
    if (FCentered)
        CenterOn(Bitmap().Width() / 2, Bitmap().Height() / 2);
    else
        CenterOn(0, 0);
}

void TCustomImgView32::ZoomAt(float scale, int32_t x, int32_t y) {
    if (!(scale >= MinZoomScale)) scale = MinZoomScale;
    RefreshPlacement();
    // The bitmap point under the pointer, through the scale and shift the layers see; a picture shown
    // at no size has none, and keeps its top-left corner.
    const bool shown = FixedScaleX() > 0 && FixedScaleY() > 0;
    const long double pointX = shown ? (x - static_cast<long double>(ShiftX())) * 65536 / FixedScaleX() : 0;
    const long double pointY = shown ? (y - static_cast<long double>(ShiftY())) * 65536 / FixedScaleY() : 0;
    {
        BeginChanges();  // one repaint for the whole zoom, closed on every path
        TScopeExit endChanges([this] { EndChanges(); });
        if (scale != 1.0f && ScaleMode() != TScaleMode::smScale) {
            FModeBeforeZoom = ScaleMode();
            SetScaleMode(TScaleMode::smScale);
        }
        SetScale(scale);
        if (scale == 1.0f && FModeBeforeZoom) {
            const TScaleMode mode = *FModeBeforeZoom;
            FModeBeforeZoom.reset();
            SetScaleMode(mode);
        }
        RefreshPlacement();
        const int32_t m = NearestInt(static_cast<long double>(OverSize()) * Scale());
        FHorzBar->SetScrollPos(static_cast<float>(ScrollPosKeeping(pointX, FixedScaleX() / 65536.0L, shown ? x : 0, m)));
        FVertBar->SetScrollPos(static_cast<float>(ScrollPosKeeping(pointY, FixedScaleY() / 65536.0L, shown ? y : 0, m)));
        ApplyScrollOffsets();
    }
    NotifyChanged();
    if (OnZoom) {
        auto handler = OnZoom;
        handler(this);
    }
}

void TCustomImgView32::RaiseScroll() {
    if (OnScroll) {
        auto handler = OnScroll;
        handler(this);
    }
}

void TCustomImgView32::ScrollBarMoved(TArrowBar* sender) {
    if (FSuppressScrollEvents) return;
    if (sender) sender->repaint();
    ApplyScrollOffsets();
    RaiseScroll();
    Invalidate();
    repaint();
}

void TCustomImgView32::UserScroll(TCustomRangeBar* bar, long double pixels) {
    if (pixels == 0) return;
    static_cast<TViewRangeBar*>(bar)->UserScrollTo(static_cast<float>(bar->ScrollPos() + pixels));
}

void TCustomImgView32::wheelEvent(QWheelEvent* event) {
    event->accept();
    const QPoint d = event->angleDelta();
    if (FWheelZooms && (event->modifiers() & Qt::ControlModifier)) {
        FWheelZoomDelta += d.y() != 0 ? d.y() : d.x();
        const int32_t notches = FWheelZoomDelta / 120;
        FWheelZoomDelta %= 120;
        const QPoint at = event->position().toPoint();
        if (notches != 0) ZoomAt(SteppedZoomScale(Scale(), notches), at.x(), at.y());
        return;
    }
    // A notch away from the user shows what lies above (or, sideways, to the left).
    if (d.x() != 0 && d.y() == 0) {
        UserScroll(FHorzBar, -static_cast<long double>(d.x()) * WheelNotchPixels / 120);
        return;
    }
    TCustomRangeBar* bar = (event->modifiers() & Qt::ShiftModifier) ? FHorzBar : FVertBar;
    UserScroll(bar, -static_cast<long double>(d.y()) * WheelNotchPixels / 120);
}

// --- overrides of the image control -------------------------------------------------------------

void TCustomImgView32::BitmapSizeChanged() {
    TCustomImage32::BitmapSizeChanged();
    UpdateScrollRanges();
    if (FCentered) {
        CenterOn(Bitmap().Width() / 2, Bitmap().Height() / 2);
    } else {
        FHorzBar->SetScrollPos(0);
        FVertBar->SetScrollPos(0);
        ApplyScrollOffsets();
    }
}

void TCustomImgView32::ScaleChanged() {
    SetPlacementValid(false);
    UpdateScrollRanges();
    ApplyScrollOffsets();
    Invalidate();
}

void TCustomImgView32::Loaded() {
    LayoutScrollBars();
    Invalidate();
    UpdateScrollRanges();
    if (FCentered) CenterOn(Bitmap().Width() / 2, Bitmap().Height() / 2);
    TCustomImage32::Loaded();
}

void TCustomImgView32::Resize() {
    if (FScrollBars) {
        LayoutScrollBars();
        // Qt paints only inside paint events: the corner is filled by the paint that follows.
        const TRect g = SizeGripRect();
        if (!g.IsEmpty()) update(QRect(g.Left, g.Top, g.Width(), g.Height()));
        SetPlacementValid(false);
        UpdateScrollRanges();
        ApplyScrollOffsets();
        Invalidate();
    }
    TCustomImage32::Resize();
}

void TCustomImgView32::Paint() {
    const TRect g = SizeGripRect();
    if (Canvas() && !g.IsEmpty())
        Canvas()->fillRect(QRect(g.Left, g.Top, g.Width(), g.Height()), QColor::fromRgba(WinColorToColor32(clBtnFace)));
    TCustomImage32::Paint();
}

}  // namespace velmora
