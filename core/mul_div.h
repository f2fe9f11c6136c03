#pragma once
#include <cstdint>

namespace velmora {

// a * b / c with a 64-bit product, rounded to nearest with halves away from zero; c = 0 gives -1.
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) return -1;
    int64_t p = static_cast<int64_t>(a) * b;
    bool negative = (p < 0) != (c < 0);
    uint64_t up = p < 0 ? static_cast<uint64_t>(-p) : static_cast<uint64_t>(p);
    uint64_t uc = c < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    uint64_t q = (up + uc / 2) / uc;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(q)) : static_cast<int32_t>(q);
}

}  // namespace velmora
