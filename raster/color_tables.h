#pragma once
// The merge's lookup tables, 256 x 256 bytes each, rounded to nearest with ties to even and
// computed by the compiler, so no start of the program spends time on them:
//   ProductTable[a][b]  = round(a*b / 255)                      (symmetric)
//   QuotientTable[a][b] = low byte of round(b*255 / a), [0][b] = 0 (fits a byte when b <= a)
#include <cstdint>

namespace velmora {

using TColorTable = uint8_t[256][256];

const TColorTable& ProductTable();
const TColorTable& QuotientTable();

namespace detail {
struct TColorTables {
    TColorTable Product;
    TColorTable Quotient;
};
extern const TColorTables gColorTables;
// What the kernels read.
inline constexpr const TColorTable& gProductTable = gColorTables.Product;
inline constexpr const TColorTable& gQuotientTable = gColorTables.Quotient;
}  // namespace detail

}  // namespace velmora
