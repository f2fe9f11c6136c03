#pragma once
// The merge's lookup tables, 256 x 256 bytes each, filled once at start-up in extended precision
// with ties to even:
//   ProductTable[a][b]  = round(a*b / 255)                      (symmetric)
//   QuotientTable[a][b] = low byte of round(b*255 / a), [0][b] = 0 (fits a byte when b <= a)
#include <cstdint>

namespace velmora {

using TColorTable = uint8_t[256][256];

const TColorTable& ProductTable();
const TColorTable& QuotientTable();

namespace detail {
// Raw storage, valid once FillColorTables has run (the blend start-up does it before any kernel).
extern TColorTable gProductTable;
extern TColorTable gQuotientTable;
void FillColorTables();
}  // namespace detail

}  // namespace velmora
