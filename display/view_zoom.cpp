#include "display/view_zoom.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

// Scales that a float holds of a power of 1.25 come back from the logarithm within this of it.
constexpr long double OnStep = 1e-4L;

long double StepOf(float scale) { return std::log(static_cast<long double>(scale)) / std::log(1.25L); }

float PowerOfStep(long double step) { return static_cast<float>(std::pow(1.25L, step)); }

}  // namespace

float SteppedZoomScale(float scale, int32_t notches) {
    if (!(scale > 0.0f)) scale = 1.0f;
    for (; notches > 0; --notches) {
        if (scale >= MaxZoomScale) return MaxZoomScale;
        scale = std::min(PowerOfStep(std::floor(StepOf(scale) + OnStep) + 1), MaxZoomScale);
    }
    for (; notches < 0; ++notches) {
        if (scale <= MinZoomScale) return MinZoomScale;
        scale = std::max(PowerOfStep(std::ceil(StepOf(scale) - OnStep) - 1), MinZoomScale);
    }
    // 1.25 to the power 0 is exactly 1, but pow of -1 then +1 need not be: keep 1 : 1 exact.
    if (std::fabs(scale - 1.0f) < 1e-6f) scale = 1.0f;
    return scale;
}

long double ScrollPosKeeping(long double point, long double scale, int32_t pointer, int32_t margin) {
    return margin + point * scale - pointer;
}

}  // namespace velmora
