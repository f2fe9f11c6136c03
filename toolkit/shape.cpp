#include "toolkit/shape.h"

#include <QPainter>

namespace velmora {

namespace {

QColor ToQColor(TColor color) { return QColor::fromRgb(WinColorToColor32(color) | 0xFF000000u); }

}  // namespace

TShape::TShape(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }

void TShape::SetPenColor(TColor color) {
    if (color == FPenColor) return;
    FPenColor = color;
    update();
}

void TShape::SetBrushColor(TColor color) {
    if (color == FBrushColor) return;
    FBrushColor = color;
    update();
}

void TShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int w = width();
    const int h = height();
    // Pen on the outermost pixels, fill inside; a shape of width or height 1 or 2 is all pen.
    painter.fillRect(0, 0, w, h, ToQColor(FPenColor));
    if (w > 2 && h > 2) painter.fillRect(1, 1, w - 2, h - 2, ToQColor(FBrushColor));
}

}  // namespace velmora
