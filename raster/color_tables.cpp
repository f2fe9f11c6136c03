#include "raster/color_tables.h"

namespace velmora {

namespace detail {

namespace {

// n / d rounded to nearest with ties to even, in integers: the exact value of the extended-precision
// division rounded by nearbyint.
constexpr uint32_t DivideNearestEven(uint32_t n, uint32_t d) {
    uint32_t q = n / d;
    uint32_t twiceRest = 2 * (n % d);
    if (twiceRest > d || (twiceRest == d && (q & 1) != 0)) ++q;
    return q;
}

constexpr TColorTables BuildColorTables() {
    TColorTables tables{};
    for (uint32_t a = 0; a < 256; ++a) {
        for (uint32_t b = 0; b < 256; ++b) {
            tables.Product[a][b] = static_cast<uint8_t>(DivideNearestEven(a * b, 255));
            // Entries with b > a exceed a byte; only their low 8 bits are kept.
            tables.Quotient[a][b] = a == 0 ? 0 : static_cast<uint8_t>(DivideNearestEven(b * 255, a) & 0xFF);
        }
    }
    return tables;
}

}  // namespace

constinit const TColorTables gColorTables = BuildColorTables();

}  // namespace detail

const TColorTable& ProductTable() { return detail::gProductTable; }

const TColorTable& QuotientTable() { return detail::gQuotientTable; }

}  // namespace velmora
