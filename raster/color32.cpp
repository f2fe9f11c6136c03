#include "raster/color32.h"

#include <array>
#include <cstddef>

namespace velmora {

namespace {

constexpr TColor Rgb(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }

// The classic desktop scheme.
constexpr std::array<TColor, SystemColorCount> kDefaultSystemColors = {
    Rgb(212, 208, 200),  // 0 scroll bar
    Rgb(58, 110, 165),   // 1 desktop
    Rgb(10, 36, 106),    // 2 active caption
    Rgb(128, 128, 128),  // 3 inactive caption
    Rgb(212, 208, 200),  // 4 menu
    Rgb(255, 255, 255),  // 5 window
    Rgb(0, 0, 0),        // 6 window frame
    Rgb(0, 0, 0),        // 7 menu text
    Rgb(0, 0, 0),        // 8 window text
    Rgb(255, 255, 255),  // 9 caption text
    Rgb(212, 208, 200),  // 10 active border
    Rgb(212, 208, 200),  // 11 inactive border
    Rgb(128, 128, 128),  // 12 application workspace
    Rgb(10, 36, 106),    // 13 highlight
    Rgb(255, 255, 255),  // 14 highlight text
    Rgb(212, 208, 200),  // 15 button face
    Rgb(128, 128, 128),  // 16 button shadow
    Rgb(128, 128, 128),  // 17 grey text
    Rgb(0, 0, 0),        // 18 button text
    Rgb(212, 208, 200),  // 19 inactive caption text
    Rgb(255, 255, 255),  // 20 button highlight
    Rgb(64, 64, 64),     // 21 3D dark shadow
    Rgb(212, 208, 200),  // 22 3D light
    Rgb(0, 0, 0),        // 23 tooltip text
    Rgb(255, 255, 225),  // 24 tooltip background
    Rgb(181, 181, 181),  // 25 (unused)
    Rgb(0, 0, 128),      // 26 hot-tracked item
    Rgb(166, 202, 240),  // 27 active caption gradient
    Rgb(192, 192, 192),  // 28 inactive caption gradient
    Rgb(49, 106, 197),   // 29 menu highlight
    Rgb(236, 233, 216),  // 30 menu bar
};

std::array<TColor, SystemColorCount> gSystemColors = kDefaultSystemColors;

}  // namespace

TColor GetSystemColor(int index) {
    if (index < 0 || index >= SystemColorCount) return 0;
    return gSystemColors[std::size_t(index)];
}

void SetSystemColor(int index, TColor value) {
    if (index >= 0 && index < SystemColorCount) gSystemColors[std::size_t(index)] = value & 0x00FFFFFF;
}

void ResetSystemColors() { gSystemColors = kDefaultSystemColors; }

TColor ColorToRGB(TColor c) { return c < 0 ? GetSystemColor(c & 0xFF) : c; }

TColor32 WinColorToColor32(TColor c) {
    uint32_t v = uint32_t(ColorToRGB(c));
    return 0xFF000000u | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

}  // namespace velmora
