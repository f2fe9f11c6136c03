#pragma once
// The stage at a whole-number scale: a block of 32-bit pixels copied with each pixel enlarged to an
// n x n block, straight into the painter's raster memory. Qt's own scaled drawImage walks the target
// one pixel at a time; this writes whole rows (duplicated pixels, then copied rows) and costs a
// fraction of that.
#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>
#include <cstddef>
#include <cstdint>

namespace velmora {

// dst (dstStride pixels per row) receives width x height pixels of src, each as an n x n block,
// with orMask or-ed in (0xFF000000 makes them opaque).
void ZoomPixels(const uint32_t* src, ptrdiff_t srcStride, int32_t width, int32_t height, uint32_t* dst,
                ptrdiff_t dstStride, int32_t n, uint32_t orMask);

// Draws the part source of a 32-bit opaque image at the painter's point at, as drawImage under
// CompositionMode_Source would, when the painter maps to raster memory by a whole-number scale of
// at least 2 and a whole-pixel shift; false, having drawn nothing, in every other case.
bool DrawZoomedImage(QPainter& painter, QPoint at, const QImage& image, const QRect& source);

}  // namespace velmora
