#pragma once
// TCustomRangeBar: a range bar with a content model. ContentSize is the length of the content,
// VisibleSize the part of it that shows (PageSize when positive, else the bar's own length), and
// ScrollPos, a single-precision offset, always lies within 0 .. ContentSize - VisibleSize.
//
// Only ScrollPos changes raise events; SetSizes and resizing re-place and clamp the position silently.
// Events raised during a mouse-driven step (buttons, paging, handle drag) have UserInitiated set, so
// OnUserChange follows OnChange; wheel steps raise OnChange only.
#include <cstdint>

#include "display/arrow_bar.h"

namespace velmora {

class TCustomRangeBar : public TArrowBar {
public:
    explicit TCustomRangeBar(QWidget* parent = nullptr);
    ~TCustomRangeBar() override;

    // Keep the middle of the visible part at the same relative place when the sizes change.
    bool Centered() const { return FCentered; }
    void SetCentered(bool value) { FCentered = value; }

    int32_t VisibleSize() const { return FVisibleSize; }
    int32_t ContentSize() const { return FContentSize; }
    int32_t PageSize() const { return FPageSize; }

    // Step of a button press and unit of a wheel notch.
    uint16_t Increment() const { return FIncrement; }
    void SetIncrement(uint16_t value) { FIncrement = value; }

    float ScrollPos() const { return FScrollPos; }
    // Clamped; raises OnChange (and OnUserChange while UserInitiated) only when the position moved.
    void SetScrollPos(float value);
    float ScrollPosAtPress() const { return FScrollPosAtPress; }

    // New content and page sizes (negative ones count as 0); repaints but raises nothing.
    void SetSizes(int32_t newContent, int32_t newPage);
    void SetContentSize(int32_t newContent) { SetSizes(newContent, FPageSize); }

    void ClampScrollPos();
    void RefreshVisibleSize();

    bool ShowsEnabled() const override;
    TRect HandleRect() const override;
    void TimerTick() override;

protected:
    void MouseDown(Qt::MouseButton button, int32_t x, int32_t y) override;
    void MouseMove(int32_t x, int32_t y) override;
    void MouseWheel(int32_t delta) override;
    void Resized() override;

private:
    // One auto-repeat step for the zone where the button went down.
    void RepeatStep();
    int32_t TrackLength() const;

    bool FCentered = false;
    int32_t FVisibleSize = 0;
    uint16_t FIncrement = 8;
    float FScrollPos = 0.0f;
    int32_t FContentSize = 0;
    int32_t FPageSize = 0;
    float FScrollPosAtPress = 0.0f;
};

}  // namespace velmora
