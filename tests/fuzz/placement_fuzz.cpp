// Placement and scrolling from hostile numbers: arbitrary bytes become a sequence of calls of the
// image control's and the image view's public setters (scales, offsets, modes, bitmap and widget
// sizes, margins, scroll positions), each followed by the placement and scroll-range arithmetic,
// then a paint of both controls.
#include <QApplication>
#include <QPixmap>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>

#include "core/exception.h"
#include "display/custom_image32.h"
#include "display/custom_img_view32.h"
#include "tests/fuzz/fuzz_targets.h"

namespace velmora::fuzz {

namespace {

constexpr float HostileFloats[] = {std::numeric_limits<float>::quiet_NaN(),
                                   std::numeric_limits<float>::infinity(),
                                   -std::numeric_limits<float>::infinity(),
                                   0.0f, -0.0f, 1e-45f, 0.001f, 0.5f, 1.0f, -1.0f, 3.0f,
                                   FLT_MAX, -FLT_MAX, 2147483648.0f, -2147483648.0f, 1e10f};
constexpr int32_t HostileInts[] = {INT32_MIN, INT32_MAX, INT32_MIN + 1, INT32_MAX - 1, 0, 1, -1, 2,
                                   65535, 65536, -65536, 1 << 30, 16777216, 100, -100, 1000};

// Reads the operands of one call: a small first byte picks a hostile value, otherwise four raw bytes.
class TOperands {
public:
    TOperands(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    bool More() const { return FPos < FSize; }
    uint8_t Byte() { return FPos < FSize ? FData[FPos++] : 0; }
    uint32_t Raw() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    float Float() {
        const uint8_t pick = Byte();
        if (pick < 0x80) return HostileFloats[pick % std::size(HostileFloats)];
        const uint32_t bits = Raw();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    int32_t Int() {
        const uint8_t pick = Byte();
        if (pick < 0x80) return HostileInts[pick % std::size(HostileInts)];
        return static_cast<int32_t>(Raw());
    }
    // A size a screen can have: 0 .. 2047.
    int32_t Extent() { return static_cast<int32_t>(((Byte() << 8) | Byte()) % 2048); }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPos = 0;
};

void Apply(TCustomImage32& image, TCustomImgView32* view, uint8_t op, TOperands& in) {
    switch (op % 18) {
        case 0: image.SetScale(in.Float()); break;
        case 1: image.SetBitmapOffsetX(in.Float()); break;
        case 2: image.SetBitmapOffsetY(in.Float()); break;
        case 3: image.SetScaleMode(static_cast<TScaleMode>(in.Byte() % 6)); break;
        case 4: image.SetBitmapAlign(static_cast<TBitmapAlign>(in.Byte() % 4)); break;
        case 5: {
            const int32_t w = in.Extent(), h = in.Extent();
            image.Bitmap().SetDimensions(w, h);
            break;
        }
        case 6: {
            const int32_t w = in.Int(), h = in.Int();
            image.Bitmap().SetDimensions(w, h);  // refused beyond the pixel limit
            break;
        }
        case 7: {
            const int32_t w = in.Extent(), h = in.Extent();
            image.resize(w, h);
            break;
        }
        case 8: image.RefreshPlacement(); break;
        case 9: image.PlacementRect(); break;
        default:
            if (view == nullptr) break;
            switch (op % 18) {
                case 10: view->SetOverSize(in.Int()); break;
                case 11: {
                    const int32_t x = in.Int(), y = in.Int();
                    view->CenterOn(x, y);
                    break;
                }
                case 12: view->ScrollBars().SetSize(in.Int()); break;
                case 13: view->ScrollBars().SetIncrement(in.Int()); break;
                case 14: view->HorzBar()->SetScrollPos(in.Float()); break;
                case 15: view->VertBar()->SetScrollPos(in.Float()); break;
                case 16: view->SetCentered(in.Byte() & 1); break;
                case 17:
                    view->ScrollBars().SetVisibility(static_cast<TScrollBarVisibility>(in.Byte() % 3));
                    break;
            }
            view->UpdateScrollRanges();
            view->ApplyScrollOffsets();
    }
}

void Paint(QWidget& widget) {
    if (int64_t(widget.width()) * widget.height() <= 1024 * 1024) widget.grab();
}

}  // namespace

void FuzzPlacement(const uint8_t* data, size_t size) {
    TImage32 image;
    TImgView32 view;
    image.resize(200, 150);
    view.resize(200, 150);
    image.Bitmap().SetDimensions(64, 48);
    view.Bitmap().SetDimensions(64, 48);
    TOperands in(data, size);
    int calls = 0;
    while (in.More() && calls++ < 256) {
        const uint8_t op = in.Byte();
        // Refusals with the library's own messages (a bitmap too large) are answers, not findings.
        try {
            Apply(op & 0x80 ? static_cast<TCustomImage32&>(view) : image, op & 0x80 ? &view : nullptr, op, in);
        } catch (const Exception&) {
        }
    }
    try {
        image.RefreshPlacement();
        view.RefreshPlacement();
        Paint(image);
        Paint(view);
    } catch (const Exception&) {
    }
}

}  // namespace velmora::fuzz
