#pragma once
// Option bits of a layer and the buttons a capturing layer holds.
#include <cstdint>

namespace velmora {

constexpr uint32_t loVisible = 0x80000000u;     // drawn by the owner's layer stage; changes repaint
constexpr uint32_t loOverlay = 0x40000000u;     // drawn on the window after the buffer is shown
constexpr uint32_t loMouseInput = 0x20000000u;  // takes part in mouse dispatch, shown or not
constexpr uint32_t loSilent = 0x10000000u;      // changes raise no notification at all
constexpr uint32_t loNoCapture = 0x08000000u;   // does not take the mouse capture on mouse down
constexpr uint32_t loHiding = 0x02000000u;      // set while SetShown(false) runs, so the old area repaints

using TLayerButtons = uint8_t;
constexpr TLayerButtons lbLeft = 1;
constexpr TLayerButtons lbRight = 2;
constexpr TLayerButtons lbMiddle = 4;

}  // namespace velmora
