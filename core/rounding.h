#pragma once
#include <cmath>
#include <cstdint>
#include <limits>

namespace velmora {

// Nearest integer, halves to even, held inside the int32 range so that a wild value cannot overflow.
inline int32_t NearestInt(long double v) {
    const long double r = std::nearbyint(v);
    if (!(r >= static_cast<long double>(std::numeric_limits<int32_t>::min()))) return std::numeric_limits<int32_t>::min();
    if (r > static_cast<long double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(r);
}

}  // namespace velmora
