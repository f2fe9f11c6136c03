#include "toolkit/system_colors.h"

#include <QColor>
#include <QGuiApplication>

#include "raster/color32.h"

namespace velmora {

namespace {

TColor ToWinColor(const QColor& c) { return TColor(c.red() | (c.green() << 8) | (c.blue() << 16)); }

struct TPaletteEntry {
    int Index;
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// System colour index -> palette colour. Entries without a sensible role are left alone.
constexpr TPaletteEntry kPaletteMap[] = {
    {COLOR_SCROLLBAR, QPalette::Active, QPalette::Button},
    {2, QPalette::Active, QPalette::Highlight},            // active caption
    {3, QPalette::Active, QPalette::Mid},                  // inactive caption
    {4, QPalette::Active, QPalette::Window},               // menu
    {COLOR_WINDOW, QPalette::Active, QPalette::Base},
    {COLOR_WINDOWFRAME, QPalette::Active, QPalette::Shadow},
    {7, QPalette::Active, QPalette::WindowText},           // menu text
    {8, QPalette::Active, QPalette::Text},                 // window text
    {9, QPalette::Active, QPalette::HighlightedText},      // caption text
    {10, QPalette::Active, QPalette::Button},              // active border
    {11, QPalette::Active, QPalette::Button},              // inactive border
    {12, QPalette::Active, QPalette::Dark},                // application workspace
    {13, QPalette::Active, QPalette::Highlight},
    {14, QPalette::Active, QPalette::HighlightedText},
    {COLOR_BTNFACE, QPalette::Active, QPalette::Button},
    {COLOR_BTNSHADOW, QPalette::Active, QPalette::Dark},
    {17, QPalette::Disabled, QPalette::Text},              // grey text
    {18, QPalette::Active, QPalette::ButtonText},
    {COLOR_BTNHIGHLIGHT, QPalette::Active, QPalette::Light},
    {21, QPalette::Active, QPalette::Shadow},              // 3D dark shadow
    {22, QPalette::Active, QPalette::Midlight},            // 3D light
    {23, QPalette::Active, QPalette::ToolTipText},
    {24, QPalette::Active, QPalette::ToolTipBase},
    {26, QPalette::Active, QPalette::Link},                // hot-tracked item
    {29, QPalette::Active, QPalette::Highlight},           // menu highlight
    {30, QPalette::Active, QPalette::Window},              // menu bar
};

}  // namespace

void InstallPaletteSystemColors(const QPalette& palette) {
    for (const TPaletteEntry& e : kPaletteMap) SetSystemColor(e.Index, ToWinColor(palette.color(e.Group, e.Role)));
}

void InstallPaletteSystemColors() { InstallPaletteSystemColors(QGuiApplication::palette()); }

}  // namespace velmora
