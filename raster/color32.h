#pragma once
// TColor32: 0xAARRGGBB in a uint32_t, bytes B, G, R, A in memory, straight (not premultiplied) alpha.
// TColor: the window system's colour value, 0x00BBGGRR, or a system colour when negative
// (its low byte is the index into the system colour table).
#include <cstdint>
#include <vector>

namespace velmora {

using TColor32 = uint32_t;
using TColor = int32_t;
using TArrayOfColor32 = std::vector<TColor32>;
using TArrayOfInteger = std::vector<int32_t>;

constexpr TColor32 Color32(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    return (TColor32(a) << 24) | (TColor32(r) << 16) | (TColor32(g) << 8) | TColor32(b);
}
constexpr uint8_t AlphaOf(TColor32 c) { return uint8_t(c >> 24); }
constexpr uint8_t RedOf(TColor32 c) { return uint8_t(c >> 16); }
constexpr uint8_t GreenOf(TColor32 c) { return uint8_t(c >> 8); }
constexpr uint8_t BlueOf(TColor32 c) { return uint8_t(c); }

// System colour indexes used by the controls.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int SystemColorCount = 31;

// System colours as TColor values (high bit set, index in the low byte).
constexpr TColor SystemColor(int index) { return static_cast<TColor>(0x80000000u | uint32_t(index)); }
constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);

// The system colour of an index as 0x00BBGGRR; indexes outside the table give black.
TColor GetSystemColor(int index);
// Replaces one entry of the table (the toolkit installs its palette at start-up).
void SetSystemColor(int index, TColor value);
// Restores the classic desktop defaults.
void ResetSystemColors();

// Resolves a system colour (negative value) to its current 0x00BBGGRR value; others pass through.
TColor ColorToRGB(TColor c);

// The bytes of c reversed into a TColor32, alpha forced to 255; system colours are resolved first.
TColor32 WinColorToColor32(TColor c);

}  // namespace velmora
