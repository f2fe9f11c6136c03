// The image control on screen against a plain widget that draws a QImage of the same size in its
// paintEvent, measured in the same run on the offscreen platform: a full render and show of a
// 1024 x 768 control holding an opaque 1024 x 768 bitmap, and a repaint without a change, which
// must cost only one transfer. Such a picture is shown straight from the bitmap; the same control
// made to render through its back buffer, and a stage-like one whose bitmap is custom-drawn without
// a combine handler, show what the buffered path costs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "display/custom_image32.h"
#include "raster/bitmap32.h"

namespace velmora {
namespace {

using bench::RatioReporter;

void Best(benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b); }

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

// A smooth picture with some noise, opaque like a decoded photograph.
void PaintPicture(uint32_t* bits, int w, int h) {
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t n = rng() & 0x0F0F0F;
            bits[size_t(y) * w + x] =
                0xFF000000u | (((uint32_t(x * 255 / w) << 16) + (uint32_t(y * 255 / h) << 8) + uint32_t((x ^ y) & 0x7F)) + n);
        }
}

class TPlainImageWidget : public QWidget {
public:
    explicit TPlainImageWidget(QImage::Format format) : Picture(kWidth, kHeight, format) {
        PaintPicture(reinterpret_cast<uint32_t*>(Picture.bits()), kWidth, kHeight);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        resize(kWidth, kHeight);
    }
    QImage Picture;
    uint64_t Paints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawImage(QPoint(0, 0), Picture);
        ++Paints;
    }
};

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "benchmark set-up failed: %s\n", what);
        std::exit(1);
    }
}

// The rendering on its own, to split a full repaint into rendering and transfer.
class TBenchImage : public TImage32 {
public:
    using TImage32::RenderBuffer;
    using TImage32::SetDirectShowAllowed;
    using TImage32::ShowsBitmapDirectly;
};

std::unique_ptr<TBenchImage> MakeImage(TDrawMode mode, bool direct) {
    auto image = std::make_unique<TBenchImage>();
    image->resize(kWidth, kHeight);
    image->Bitmap().SetDimensions(kWidth, kHeight);
    PaintPicture(image->Bitmap().PixelData(), kWidth, kHeight);
    image->Bitmap().SetDrawMode(mode);
    image->Bitmap().NotifyChanged();
    image->SetDirectShowAllowed(direct);
    return image;
}

struct TScene {
    std::unique_ptr<TBenchImage> Image;
    std::unique_ptr<TBenchImage> Buffered;
    std::unique_ptr<TBenchImage> BufferedCustom;
    std::unique_ptr<TPlainImageWidget> PlainRgb;
    std::unique_ptr<TPlainImageWidget> PlainArgb;

    TScene() {
        Image = MakeImage(TDrawMode::dmOpaque, true);
        Buffered = MakeImage(TDrawMode::dmOpaque, false);
        BufferedCustom = MakeImage(TDrawMode::dmCustom, false);
        PlainRgb = std::make_unique<TPlainImageWidget>(QImage::Format_RGB32);
        PlainArgb = std::make_unique<TPlainImageWidget>(QImage::Format_ARGB32);
        for (QWidget* w : {static_cast<QWidget*>(Image.get()), static_cast<QWidget*>(Buffered.get()),
                           static_cast<QWidget*>(BufferedCustom.get()), static_cast<QWidget*>(PlainRgb.get()),
                           static_cast<QWidget*>(PlainArgb.get())}) {
            w->show();
            // Warm the back buffer, the backing store and the caches before anything is timed.
            for (int i = 0; i < 5; ++i) {
                if (auto* image = dynamic_cast<TImage32*>(w)) image->Invalidate();
                w->repaint();
            }
        }
        QApplication::processEvents();
        Check(Image->ShowsBitmapDirectly(), "the opaque picture is not shown from the bitmap");
        Check(!Buffered->ShowsBitmapDirectly() && !BufferedCustom->ShowsBitmapDirectly(),
              "a buffered control showed the bitmap");
    }
};

// Created by main once the application object exists, and gone before it goes.
TScene* gScene = nullptr;

TScene& Scene() { return *gScene; }

void FullRender(benchmark::State& state, TImage32& image) {
    const uint64_t before = image.TransferCount();
    for (auto _ : state) {
        image.Invalidate();
        image.repaint();
    }
    Check(image.TransferCount() - before == uint64_t(state.iterations()), "the image control did not paint");
}

void BM_ImageFullRender(benchmark::State& state) { FullRender(state, *Scene().Image); }
void BM_BufferedFullRender(benchmark::State& state) { FullRender(state, *Scene().Buffered); }
void BM_BufferedCustomFullRender(benchmark::State& state) { FullRender(state, *Scene().BufferedCustom); }

// Rendering through the back buffer alone: the copy of the bitmap into it.
void BM_ImageRenderOnly(benchmark::State& state) {
    TBenchImage& image = *Scene().Buffered;
    for (auto _ : state) image.RenderBuffer();
    Check(image.BufferValid(), "the buffer was not rendered");
}

// One copy of the picture's bytes: what the plain widget's paint does at the least.
void BM_Memcpy(benchmark::State& state) {
    std::vector<uint32_t> a(size_t(kWidth) * kHeight, 0xFF102030u), b(a.size(), 0);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * sizeof(uint32_t));
        benchmark::DoNotOptimize(b.data());
        benchmark::ClobberMemory();
    }
}

void BM_ImageRepaintUnchanged(benchmark::State& state) {
    TImage32& image = *Scene().Image;
    image.Invalidate();
    image.repaint();
    const uint64_t before = image.TransferCount();
    for (auto _ : state) image.repaint();
    Check(image.TransferCount() - before == uint64_t(state.iterations()), "the image control did not paint");
    Check(image.BufferValid(), "the buffer went stale");
}

void RepaintPlain(benchmark::State& state, TPlainImageWidget& w) {
    const uint64_t before = w.Paints;
    for (auto _ : state) w.repaint();
    Check(w.Paints - before == uint64_t(state.iterations()), "the plain widget did not paint");
}

void BM_PlainWidgetRgb32(benchmark::State& state) { RepaintPlain(state, *Scene().PlainRgb); }
void BM_PlainWidgetArgb32(benchmark::State& state) { RepaintPlain(state, *Scene().PlainArgb); }

BENCHMARK(BM_ImageFullRender)->Apply(Best);
BENCHMARK(BM_ImageRepaintUnchanged)->Apply(Best);
BENCHMARK(BM_BufferedFullRender)->Apply(Best);
BENCHMARK(BM_BufferedCustomFullRender)->Apply(Best);
BENCHMARK(BM_ImageRenderOnly)->Apply(Best);
BENCHMARK(BM_Memcpy)->Apply(Best);
BENCHMARK(BM_PlainWidgetRgb32)->Apply(Best);
BENCHMARK(BM_PlainWidgetArgb32)->Apply(Best);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    auto scene = std::make_unique<velmora::TScene>();
    velmora::gScene = scene.get();
    const int result = velmora::bench::RunBenchmarks(
        argc, argv,
        {{"image control full render+show / plain RGB32 widget", "BM_ImageFullRender", "BM_PlainWidgetRgb32"},
         {"image control repaint unchanged / full render", "BM_ImageRepaintUnchanged", "BM_ImageFullRender"},
         {"image control repaint unchanged / plain RGB32 widget", "BM_ImageRepaintUnchanged", "BM_PlainWidgetRgb32"},
         {"through the back buffer: full render+show / plain RGB32", "BM_BufferedFullRender", "BM_PlainWidgetRgb32"},
         {"custom-drawn bitmap / opaque bitmap, through the buffer", "BM_BufferedCustomFullRender",
          "BM_BufferedFullRender"},
         {"rendering into the buffer alone / memcpy of the picture", "BM_ImageRenderOnly", "BM_Memcpy"},
         {"plain ARGB32 widget / plain RGB32 widget", "BM_PlainWidgetArgb32", "BM_PlainWidgetRgb32"}});
    velmora::gScene = nullptr;
    return result;
}
