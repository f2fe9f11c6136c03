#pragma once
// Drawing of the road signs themselves, at any size, with Qt's painter.
#include <QRect>
#include <QString>
#include <QSize>
#include <string_view>

class QColor;
class QFont;
class QPainter;

namespace velmora::demo {

// Width over height of the sign's outline.
double SignAspect(std::string_view name);

// The largest rectangle of the sign's aspect that fits into box, centred in it, in whole pixels.
QRect FitSign(std::string_view name, const QRect& box);

// Draws the sign so that it fills rect, which should have the sign's aspect.
void PaintSign(QPainter& painter, std::string_view name, const QRectF& rect);

// Draws text as filled outlines, line by line, placed in box by the alignment flags. Outlines come
// out the same whatever the painter's glyph caches hold, which keeps every picture reproducible.
void PaintText(QPainter& painter, const QRectF& box, const QString& text, QFont font, const QColor& color,
               int alignment = Qt::AlignCenter);

// Size of the sign's own picture: most fit the preview, a few are larger so that they are shrunk.
QSize SignPictureSize(std::string_view name);

}  // namespace velmora::demo
