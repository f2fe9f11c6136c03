#pragma once
// TShape: a rectangle drawn with a one-pixel pen over a solid fill, the plain framing lines and colour
// bands of a window. A shape one pixel thick shows only its pen: a line.
#include <QWidget>

#include "raster/color32.h"

namespace velmora {

class TShape : public QWidget {
public:
    explicit TShape(QWidget* parent = nullptr);

    TColor PenColor() const { return FPenColor; }
    void SetPenColor(TColor color);
    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TColor FPenColor = 0;           // black
    TColor FBrushColor = 0xFFFFFF;  // white
};

}  // namespace velmora
