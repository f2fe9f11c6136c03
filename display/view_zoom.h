#pragma once
// Zoom steps of an image view: the scales a wheel notch leads to. Scales lie on the powers of 1.25,
// held within 1/8 .. 8, so zooming in and back out returns to exactly the scale it left.
#include <cstdint>

namespace velmora {

inline constexpr float MinZoomScale = 0.125f;
inline constexpr float MaxZoomScale = 8.0f;
inline constexpr float ZoomStepFactor = 1.25f;

// The scale notches steps from scale: each notch in goes to the next power of 1.25 above (each notch
// out to the next one below), stopping at the bounds. A scale off the powers (4, say) steps to its
// neighbours on them.
float SteppedZoomScale(float scale, int32_t notches);

// The bar position that shows bitmap point at client coordinate pointer once the bitmap is scaled
// by scale, with margin pixels before the bitmap: margin + point x scale - pointer.
long double ScrollPosKeeping(long double point, long double scale, int32_t pointer, int32_t margin);

}  // namespace velmora
