#include "display/catalogue_scroll_bars.h"

#include "display/custom_img_view32.h"

namespace velmora {

void StyleItemViewBars(TArrowBarAccess& bars) {
    bars.SetStyle(TRBStyle::rbsMac);
    bars.SetShowArrows(false);
    bars.SetShowHandleGrip(false);
    bars.SetColor(ItemViewBarColor);
    bars.SetButtonColor(ItemViewBarColor);
    bars.SetHandleColor(ItemViewBarHandleColor);
    bars.SetShadowColor(ItemViewBarHandleColor);
    bars.SetBorderColor(ItemViewBarHandleColor);
}

void StyleItemViewScrollBars(TIVScrollProperties& bars) {
    // The look first, so that the layout's synchronous repaint of the bars already shows it.
    StyleItemViewBars(bars);
    bars.SetSize(25);
    bars.SetVisibility(TScrollBarVisibility::svAuto);
}

}  // namespace velmora
