#include "display/range_bar_math.h"

#include <algorithm>
#include <cmath>

namespace velmora {

namespace {

int32_t Nearest(long double v) { return static_cast<int32_t>(std::nearbyint(v)); }

}  // namespace

int32_t BarButtonLength(int32_t along, int32_t thick, int32_t buttonSize, bool showArrows, bool flatStyle) {
    if (!showArrows) return 0;
    int32_t s = buttonSize != 0 ? buttonSize : std::min<int32_t>(thick, 32);
    if (along <= 2 * s) s = along / 2;
    if (flatStyle) --s;
    return s < 2 ? 0 : s;
}

THandleSpan BarHandleSpan(int32_t trackLen, int32_t visible, int32_t content, float pos) {
    if (trackLen < MinHandleLength + 1) return {};
    if (visible >= content) return {0, trackLen};
    int32_t size = Nearest(static_cast<long double>(trackLen) * visible / content);
    if (size >= MinHandleLength) return {Nearest(static_cast<long double>(trackLen) * pos / content), size};
    return {Nearest(static_cast<long double>(trackLen - MinHandleLength) * pos / (content - visible)),
            MinHandleLength};
}

long double BarDragDistance(int32_t trackLen, int32_t visible, int32_t content, int32_t delta) {
    if (content <= visible || trackLen <= 0) return 0;
    if (Nearest(static_cast<long double>(trackLen) * visible / content) < MinHandleLength) {
        // Only a track with room for more than the minimum handle can be dragged along.
        if (trackLen <= MinHandleLength) return 0;
        return Nearest(static_cast<long double>(content - visible) * delta / (trackLen - MinHandleLength));
    }
    return static_cast<long double>(content) * delta / trackLen;
}

float ClampBarPos(float pos, int32_t content, int32_t visible) {
    if (pos > float(content - visible)) pos = float(content - visible);
    if (pos < 0) pos = 0;
    return pos;
}

float RecenteredBarPos(float pos, int32_t oldVisible, int32_t oldContent, int32_t visible, int32_t content) {
    float f = 0.5f;
    if (oldVisible < oldContent && oldContent != 0)
        f = static_cast<float>((static_cast<long double>(oldVisible) * 0.5L + pos) / oldContent);
    return static_cast<float>(static_cast<long double>(content) * f - static_cast<long double>(visible) * 0.5L);
}

TColor32 ShadeColor(TColor32 c, int d) {
    auto ch = [d](int v) { return uint8_t(std::clamp(v + d, 0, 255)); };
    return Color32(ch(RedOf(c)), ch(GreenOf(c)), ch(BlueOf(c)));
}

TColor32 MixBarColors(TColor32 a, TColor32 b, int w) {
    auto ch = [w](int x, int y) { return uint8_t((x * w + y * (255 - w)) / 256); };
    return Color32(ch(RedOf(a), RedOf(b)), ch(GreenOf(a), GreenOf(b)), ch(BlueOf(a), BlueOf(b)));
}

}  // namespace velmora
