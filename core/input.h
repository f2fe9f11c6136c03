#pragma once
// Mouse input types shared by the layers and the display controls.
#include <cstdint>

namespace velmora {

enum class TMouseButton : uint8_t { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// Modifier keys and held buttons at the time of an input event.
using TShiftState = uint16_t;
constexpr TShiftState ssShift = 0x01;
constexpr TShiftState ssAlt = 0x02;
constexpr TShiftState ssCtrl = 0x04;
constexpr TShiftState ssLeft = 0x08;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;
constexpr TShiftState ssDouble = 0x40;

// Cursor ids of the screen cursor; crDefault lets every control show its own.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crHandPoint = -21;

}  // namespace velmora
