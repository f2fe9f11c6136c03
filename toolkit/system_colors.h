#pragma once
// The system colour table of the raster core, filled from Qt's palette so that system colours
// (clBtnFace, clScrollBar ...) follow the desktop the program runs on.
#include <QPalette>

namespace velmora {

// Replaces the entries that have a palette role; the others keep their classic values.
void InstallPaletteSystemColors(const QPalette& palette);
// The same with the application's palette. Needs a QGuiApplication.
void InstallPaletteSystemColors();

}  // namespace velmora
