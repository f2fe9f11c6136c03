#include "display/custom_range_bar.h"

#include <algorithm>
#include <cmath>

#include "display/range_bar_math.h"

namespace velmora {

TCustomRangeBar::TCustomRangeBar(QWidget* parent) : TArrowBar(parent) {}

TCustomRangeBar::~TCustomRangeBar() = default;

void TCustomRangeBar::SetScrollPos(float value) {
    // A NaN would never compare equal again and would spoil every handle computation.
    if (std::isnan(value) || value == FScrollPos) return;
    float old = FScrollPos;
    FScrollPos = value;
    ClampScrollPos();
    if (FScrollPos == old) return;
    update();
    RaiseChange();
}

void TCustomRangeBar::ClampScrollPos() { FScrollPos = ClampBarPos(FScrollPos, FContentSize, FVisibleSize); }

void TCustomRangeBar::RefreshVisibleSize() {
    FVisibleSize = FPageSize > 0 ? FPageSize : (Horizontal() ? width() : height());
}

void TCustomRangeBar::SetSizes(int32_t newContent, int32_t newPage) {
    newContent = std::max(newContent, 0);
    newPage = std::max(newPage, 0);
    if (newContent == FContentSize && newPage == FVisibleSize) return;
    int32_t oldVisible = FVisibleSize;
    int32_t oldContent = FContentSize;
    FContentSize = newContent;
    FPageSize = newPage;
    RefreshVisibleSize();
    if (FCentered && FContentSize > FVisibleSize)
        FScrollPos = RecenteredBarPos(FScrollPos, oldVisible, oldContent, FVisibleSize, FContentSize);
    ClampScrollPos();
    update();
}

void TCustomRangeBar::Resized() {
    // The visible size follows the bar's length on every resize, centred or not: a bar that kept the
    // length it had before appearing would leave the end of the content out of reach.
    int32_t oldVisible = FVisibleSize;
    RefreshVisibleSize();
    if (FCentered && FVisibleSize < FContentSize)
        FScrollPos = RecenteredBarPos(FScrollPos, oldVisible, FContentSize, FVisibleSize, FContentSize);
    ClampScrollPos();
}

bool TCustomRangeBar::ShowsEnabled() const { return TArrowBar::ShowsEnabled() && FContentSize > FVisibleSize; }

int32_t TCustomRangeBar::TrackLength() const {
    return (Horizontal() ? ClientWidth() : ClientHeight()) - 2 * ButtonLength();
}

TRect TCustomRangeBar::HandleRect() const {
    TRect track = TrackRect();
    THandleSpan span = BarHandleSpan(TrackLength(), FVisibleSize, FContentSize, FScrollPos);
    if (span.Length == 0) return TRect{};
    if (Horizontal()) return TRect{track.Left + span.Start, track.Top, track.Left + span.Start + span.Length, track.Bottom};
    return TRect{track.Left, track.Top + span.Start, track.Right, track.Top + span.Start + span.Length};
}

void TCustomRangeBar::MouseDown(Qt::MouseButton button, int32_t x, int32_t y) {
    if (FContentSize <= FVisibleSize) {
        FDragZone = TBarZone::bzNone;
        return;
    }
    TArrowBar::MouseDown(button, x, y);
    // Only the press that grabbed the handle sets the drag origin; another button pressed during the
    // drag must not make the handle jump.
    if (button == Qt::LeftButton && FDragZone == TBarZone::bzHandle) {
        StopRepeat();
        FScrollPosAtPress = FScrollPos;
    }
}

void TCustomRangeBar::MouseMove(int32_t x, int32_t y) {
    TArrowBar::MouseMove(x, y);
    if (FDragZone != TBarZone::bzHandle || FContentSize <= FVisibleSize) return;
    // The handle moves along the track it is drawn on, so it stays under the pointer.
    int32_t delta = Horizontal() ? x - FPressX : y - FPressY;
    long double distance = BarDragDistance(TrackLength(), FVisibleSize, FContentSize, delta);
    const auto user = UserChange();
    SetScrollPos(static_cast<float>(FScrollPosAtPress + distance));
}

void TCustomRangeBar::MouseWheel(int32_t delta) {
    SetScrollPos(static_cast<float>(FScrollPos + static_cast<long double>(FIncrement) * delta / 120));
}

void TCustomRangeBar::TimerTick() {
    TArrowBar::TimerTick();
    RepeatStep();
}

void TCustomRangeBar::RepeatStep() {
    const auto user = UserChange();
    float old = FScrollPos;
    switch (FDragZone) {
        case TBarZone::bzBackButton:
            SetScrollPos(old - FIncrement);
            if (FScrollPos == old) StopRepeat();
            break;
        case TBarZone::bzForwardButton:
            SetScrollPos(old + FIncrement);
            if (FScrollPos == old) StopRepeat();
            break;
        case TBarZone::bzBackTrack:
        case TBarZone::bzForwardTrack: {
            // Paging stops by itself once the handle has passed the pointer.
            TPoint p = PointerPos();
            p.X = std::clamp(p.X, 0, std::max(0, ClientWidth() - 1));
            p.Y = std::clamp(p.Y, 0, std::max(0, ClientHeight() - 1));
            TBarZone z = ZoneAt(p.X, p.Y);
            if (FDragZone == TBarZone::bzBackTrack) {
                if (z == TBarZone::bzBackButton || z == TBarZone::bzBackTrack) SetScrollPos(FScrollPos - FVisibleSize);
            } else if (z == TBarZone::bzForwardTrack || z == TBarZone::bzForwardButton) {
                SetScrollPos(FScrollPos + FVisibleSize);
            }
            break;
        }
        default: break;
    }
}

}  // namespace velmora
