// One scroll step of the item view (780 x 651, bars 25 thick) on a 4000 x 3000 picture against the
// same step on a 1000 x 800 picture, measured in the same run: a handle drag by a few pixels that
// moves the picture, with the bar and the view repainted synchronously (render and show). Only the
// visible part is drawn, so the cost must not grow with the picture.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QThread>
#include <QWindow>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/ratio_reporter.h"
#include "display/catalogue_scroll_bars.h"
#include "display/custom_img_view32.h"
#include "raster/bitmap32.h"

namespace velmora {
namespace {

using bench::RatioReporter;

void Best(benchmark::internal::Benchmark* b) { bench::BestOfRepetitions(b); }

// A smooth opaque picture, like a decoded photograph.
void PaintPicture(TBitmap32& b, int w, int h) {
    b.BeginChanges();
    b.SetDimensions(w, h);
    for (int y = 0; y < h; ++y) {
        TColor32* row = b.RowStart(y);
        for (int x = 0; x < w; ++x)
            row[x] = 0xFF000000u | (uint32_t(x * 255 / w) << 16) | (uint32_t(y * 255 / h) << 8) | uint32_t((x ^ y) & 0xFF);
    }
    b.EndChanges();
    b.NotifyChanged();
}

// The main window's item view on a shown host, with the picture loaded.
struct TItemView {
    QWidget host;
    TImgView32* view;

    TItemView(int w, int h) {
        host.resize(1024, 768);
        view = new TImgView32(&host);
        view->SetBounds(244, 78, 780, 651);
        view->SetCentered(false);
        view->SetScaleMode(TScaleMode::smNormal);
        view->SetSizeGrip(TSizeGripStyle::sgNone);
        view->Bitmap().SetResamplerClassName("TNearestResampler");
        StyleItemViewScrollBars(view->ScrollBars());
        host.show();
        // Synchronous repaints reach the window only once it is exposed.
        for (int i = 0; i < 50 && !(host.windowHandle() && host.windowHandle()->isExposed()); ++i) {
            QApplication::processEvents();
            QThread::msleep(2);
        }
        PaintPicture(view->Bitmap(), w, h);
        view->repaint();
    }
};

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void BM_ScrollStep(benchmark::State& state) {
    TItemView item(int(state.range(0)), int(state.range(1)));
    TCustomRangeBar* bar = item.view->HorzBar();
    const TRect h = bar->HandleRect();
    const QPoint grab((h.Left + h.Right) / 2, (h.Top + h.Bottom) / 2);
    SendMouse(bar, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    // The handle goes back and forth by 8 pixels, so every step moves the picture.
    int step = 0;
    auto move = [&] {
        const QPoint to = grab + QPoint((step++ & 1) ? 0 : 8, 0);
        SendMouse(bar, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    };
    for (int i = 0; i < 20; ++i) move();  // warm the buffer, the backing store and the caches
    const uint64_t transfers = item.view->TransferCount();
    for (auto _ : state) {
        move();
        benchmark::ClobberMemory();
    }
    SendMouse(bar, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    if (item.view->TransferCount() - transfers != uint64_t(state.iterations()))
        state.SkipWithError(("a step did not show the view: " + std::to_string(item.view->TransferCount() - transfers) + " transfers, " + std::to_string(state.iterations()) + " steps, pos " + std::to_string(bar->ScrollPos())).c_str());
    QApplication::processEvents();
}

BENCHMARK(BM_ScrollStep)->Args({4000, 3000})->Args({1000, 800})->Apply(Best);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    return velmora::bench::RunBenchmarks(
        argc, argv, {{"scroll step 4000x3000 / 1000x800 picture", "BM_ScrollStep/4000/3000", "BM_ScrollStep/1000/800"}});
}
