#include "display/pixel_zoom.h"

#include <emmintrin.h>

#include <QPaintEngine>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace velmora {

namespace {

// One row with every pixel doubled.
void DoubleRow(const uint32_t* src, int32_t width, uint32_t* dst, uint32_t orMask) {
    const __m128i mask = _mm_set1_epi32(static_cast<int32_t>(orMask));
    int32_t x = 0;
    for (; x + 4 <= width; x += 4) {
        const __m128i p = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + x)), mask);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x), _mm_unpacklo_epi32(p, p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x + 4), _mm_unpackhi_epi32(p, p));
    }
    for (; x < width; ++x) dst[2 * x] = dst[2 * x + 1] = src[x] | orMask;
}

}  // namespace

void ZoomPixels(const uint32_t* src, ptrdiff_t srcStride, int32_t width, int32_t height, uint32_t* dst,
                ptrdiff_t dstStride, int32_t n, uint32_t orMask) {
    if (width <= 0 || height <= 0 || n <= 0) return;
    const size_t rowBytes = sizeof(uint32_t) * size_t(width) * size_t(n);
    for (int32_t y = 0; y < height; ++y, src += srcStride) {
        uint32_t* first = dst + ptrdiff_t(y) * n * dstStride;
        if (n == 2) {
            DoubleRow(src, width, first, orMask);
        } else {
            for (int32_t x = 0; x < width; ++x) std::fill_n(first + ptrdiff_t(x) * n, n, src[x] | orMask);
        }
        for (int32_t k = 1; k < n; ++k) std::memcpy(first + k * dstStride, first, rowBytes);
    }
}

bool DrawZoomedImage(QPainter& painter, QPoint at, const QImage& image, const QRect& source) {
    const QImage::Format format = image.format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32) return false;
    QPaintEngine* engine = painter.paintEngine();
    if (engine == nullptr || engine->type() != QPaintEngine::Raster) return false;
    QPaintDevice* device = engine->paintDevice();
    if (device == nullptr || device->devType() != QInternal::Image) return false;
    auto* target = static_cast<QImage*>(device);
    const QImage::Format targetFormat = target->format();
    if (targetFormat != QImage::Format_RGB32 && targetFormat != QImage::Format_ARGB32_Premultiplied &&
        targetFormat != QImage::Format_ARGB32)
        return false;
    // Only a plain whole-number zoom and shift; anything else is Qt's to draw.
    const QTransform m = painter.deviceTransform();
    const qreal scale = m.m11();
    if (m.type() > QTransform::TxScale || scale != m.m22() || scale < 2 || scale > 16 || scale != std::floor(scale) ||
        m.dx() != std::floor(m.dx()) || m.dy() != std::floor(m.dy()))
        return false;
    const int n = static_cast<int>(scale);
    const QRect part = source & image.rect();
    if (part.isEmpty()) return true;
    const QPoint origin = m.map(at + (part.topLeft() - source.topLeft()));
    // Everything must land inside the target; a clipped edge is left to Qt.
    if (origin.x() < 0 || origin.y() < 0 || origin.x() + part.width() * n > target->width() ||
        origin.y() + part.height() * n > target->height())
        return false;
    // bits() would copy shared pixels, and the painter would go on drawing into the old ones.
    if (!target->isDetached()) return false;
    const auto* src = reinterpret_cast<const uint32_t*>(image.constScanLine(part.top())) + part.left();
    auto* dst = reinterpret_cast<uint32_t*>(target->scanLine(origin.y())) + origin.x();
    ZoomPixels(src, image.bytesPerLine() / 4, part.width(), part.height(), dst, target->bytesPerLine() / 4, n,
               0xFF000000u);
    return true;
}

}  // namespace velmora
