#include "raster/color_tables.h"

#include <cmath>

#include "raster/blend.h"

namespace velmora {

namespace detail {

TColorTable gProductTable;
TColorTable gQuotientTable;

void FillColorTables() {
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            long double product = std::nearbyint(static_cast<long double>(a) * b / 255.0L);
            gProductTable[a][b] = static_cast<uint8_t>(product);
            if (a == 0) {
                gQuotientTable[a][b] = 0;
            } else {
                // Entries with b > a exceed a byte; only their low 8 bits are kept.
                long long quotient = static_cast<long long>(std::nearbyint(static_cast<long double>(b) * 255.0L / a));
                gQuotientTable[a][b] = static_cast<uint8_t>(quotient & 0xFF);
            }
        }
    }
}

}  // namespace detail

const TColorTable& ProductTable() {
    ActiveBlendOps();  // the start-up fills the tables
    return detail::gProductTable;
}

const TColorTable& QuotientTable() {
    ActiveBlendOps();
    return detail::gQuotientTable;
}

}  // namespace velmora
