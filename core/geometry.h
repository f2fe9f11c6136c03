#pragma once
// Integer and single-precision rectangles and points. Right and bottom are exclusive.
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace velmora {

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(int32_t x, int32_t y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

struct TSinglePoint {
    float X = 0.0f;
    float Y = 0.0f;
    friend bool operator==(const TSinglePoint&, const TSinglePoint&) = default;
};

struct TSingleRect {
    float Left = 0.0f;
    float Top = 0.0f;
    float Right = 0.0f;
    float Bottom = 0.0f;
    friend bool operator==(const TSingleRect&, const TSingleRect&) = default;
};

// Intersection of a and b into dst; an empty result is stored as (0, 0, 0, 0) and reported as false.
inline bool IntersectRects(TRect& dst, const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) {
        dst = TRect{};
        return false;
    }
    dst = r;
    return true;
}

// Each coordinate rounded to the nearest integer, halves to even.
inline TRect RoundRect(const TSingleRect& r) {
    return TRect{static_cast<int32_t>(std::nearbyint(r.Left)), static_cast<int32_t>(std::nearbyint(r.Top)),
                 static_cast<int32_t>(std::nearbyint(r.Right)), static_cast<int32_t>(std::nearbyint(r.Bottom))};
}

}  // namespace velmora
