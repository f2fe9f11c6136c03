#pragma once
// TArrowBarAccess: one settings object for the appearance of one or two bars. Each property reads the
// primary bar and writes the primary bar and then, if there is one, the secondary bar.
#include "display/arrow_bar.h"

namespace velmora {

class TArrowBarAccess {
public:
    TArrowBarAccess() = default;
    virtual ~TArrowBarAccess() = default;

    TArrowBar* PrimaryBar() const { return FPrimaryBar; }
    void SetPrimaryBar(TArrowBar* bar) { FPrimaryBar = bar; }
    TArrowBar* SecondaryBar() const { return FSecondaryBar; }
    void SetSecondaryBar(TArrowBar* bar) { FSecondaryBar = bar; }

    TColor Color() const { return FPrimaryBar->Color(); }
    void SetColor(TColor value) { Apply(&TArrowBar::SetColor, value); }
    TRBBackgnd Backgnd() const { return FPrimaryBar->Backgnd(); }
    void SetBackgnd(TRBBackgnd value) { Apply(&TArrowBar::SetBackgnd, value); }
    int32_t ButtonSize() const { return FPrimaryBar->ButtonSize(); }
    void SetButtonSize(int32_t value) { Apply(&TArrowBar::SetButtonSize, value); }
    TColor HandleColor() const { return FPrimaryBar->HandleColor(); }
    void SetHandleColor(TColor value) { Apply(&TArrowBar::SetHandleColor, value); }
    TColor ButtonColor() const { return FPrimaryBar->ButtonColor(); }
    void SetButtonColor(TColor value) { Apply(&TArrowBar::SetButtonColor, value); }
    TColor HighLightColor() const { return FPrimaryBar->HighLightColor(); }
    void SetHighLightColor(TColor value) { Apply(&TArrowBar::SetHighLightColor, value); }
    TColor ShadowColor() const { return FPrimaryBar->ShadowColor(); }
    void SetShadowColor(TColor value) { Apply(&TArrowBar::SetShadowColor, value); }
    TColor BorderColor() const { return FPrimaryBar->BorderColor(); }
    void SetBorderColor(TColor value) { Apply(&TArrowBar::SetBorderColor, value); }
    bool ShowArrows() const { return FPrimaryBar->ShowArrows(); }
    void SetShowArrows(bool value) { Apply(&TArrowBar::SetShowArrows, value); }
    bool ShowHandleGrip() const { return FPrimaryBar->ShowHandleGrip(); }
    void SetShowHandleGrip(bool value) { Apply(&TArrowBar::SetShowHandleGrip, value); }
    TRBStyle Style() const { return FPrimaryBar->Style(); }
    void SetStyle(TRBStyle value) { Apply(&TArrowBar::SetStyle, value); }

private:
    template <typename T>
    void Apply(void (TArrowBar::*setter)(T), T value) {
        (FPrimaryBar->*setter)(value);
        if (FSecondaryBar != nullptr) (FSecondaryBar->*setter)(value);
    }

    TArrowBar* FPrimaryBar = nullptr;
    TArrowBar* FSecondaryBar = nullptr;
};

}  // namespace velmora
