#pragma once
// The look of the catalogue's item-view bars, set up in one place for the main window, the tests and
// the benchmark: the flat style without arrows or handle grip, light grey with a blue-grey handle,
// shadow and border.
#include "display/arrow_bar_access.h"
#include "raster/color32.h"

namespace velmora {

class TIVScrollProperties;

constexpr TColor ItemViewBarColor = 14473945;        // red 217, green 218, blue 220
constexpr TColor ItemViewBarHandleColor = 9134928;   // red 80, green 99, blue 139

// The appearance alone, on the bars that bars reaches.
void StyleItemViewBars(TArrowBarAccess& bars);
// The appearance, 25 pixels thick, shown while the picture does not fit the view.
void StyleItemViewScrollBars(TIVScrollProperties& bars);

}  // namespace velmora
