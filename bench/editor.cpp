// The hotspot editor on a generated 4000 x 3000 item, with 10,000 hotspots against one, in process
// under the offscreen platform:
//  - a drag step: a pointer move on a dragged hotspot until the frame is painted (a frame is 16 ms);
//  - undo and redo of a keyboard move, each painted;
//  - entering the item against decoding its picture and reading its hotspot file alone;
//  - a save;
//  - the memory of 1,000 undo steps on the item (counters of its own benchmark);
//  - entering, leaving and saving an item of 100,000 hotspots (counters, in milliseconds).
#include <benchmark/benchmark.h>

#include <malloc.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <chrono>
#include <memory>
#include <string>

#include "app/window_keys.h"
#include "app/main_form.h"
#include "bench/support/ratio_reporter.h"
#include "raster/bitmap32.h"
#include "tests/support/temp_dir.h"
#include "text/mem_ini_file.h"
#include "toolkit/application.h"

namespace velmora {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int PictureWidth = 4000;
constexpr int PictureHeight = 3000;

// A picture with some detail, so that it decodes as a photograph would rather than as flat colour.
void WritePicture(const std::string& path, int width, int height) {
    testing::TempDir::Write(path, "");
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, width, height);
    gradient.setColorAt(0, QColor(40, 90, 160));
    gradient.setColorAt(1, QColor(200, 180, 60));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 400; ++i)
        painter.fillRect((i * 7919) % width, (i * 104729) % height, 60 + i % 90, 40 + i % 70, QColor::fromHsv(i % 360, 160, 220));
    painter.end();
    image.save(QString::fromStdString(path), "JPG", 90);
}

// count hotspots of 25 x 20 in rows 40 pixels apart across and 30 down, the first at 5, 5.
void WriteHotspots(const std::string& path, int count) {
    std::string text = "[info]\r\ncount=";
    text += std::to_string(count);
    text += "\r\n";
    for (int i = 0; i < count; ++i) {
        const int column = i % 100, row = (i / 100) % 100;
        text += "[";
        text += std::to_string(i + 1);
        text += "]\r\nwidth=25\r\nheight=20\r\ntop=";
        text += std::to_string(5 + 30 * row);
        text += "\r\nleft=";
        text += std::to_string(5 + 40 * column);
        text += "\r\nopis=A-";
        text += std::to_string(i % 40);
        text += "\r\n";
    }
    testing::TempDir::Write(path, text);
}

// Page 1 holds the item of 10,000 hotspots, page 2 the same picture with one, page 3 with 100,000.
class TCatalogue {
public:
    TCatalogue() {
        const std::string dane = FDir.Dir() + "dane/";
        testing::TempDir::Write(dane + "info.ini", "[1]\r\nItems=1\r\n[2]\r\nItems=1\r\n[3]\r\nItems=1\r\n");
        for (const char* name : {"p_menu", "p_spis", "p_1", "p_2", "p_3"}) WritePicture(dane + name + ".jpg", 1024, 768);
        WritePicture(dane + "p_1_1.jpg", PictureWidth, PictureHeight);
        for (const char* item : {"p_2_1.jpg", "p_3_1.jpg"}) std::filesystem::copy_file(dane + "p_1_1.jpg", dane + item);
        WriteHotspots(dane + "1_1.ini", 10000);
        WriteHotspots(dane + "2_1.ini", 1);
        WriteHotspots(dane + "3_1.ini", 100000);
    }
    std::string AppDir() const { return FDir.Dir(); }
    std::string Dane() const { return FDir.Dir() + "dane/"; }
    static int PageOf(int64_t hotspots) { return hotspots == 1 ? 2 : hotspots == 10000 ? 1 : 3; }

private:
    testing::TempDir FDir;
};

TCatalogue& Catalogue() {
    static TCatalogue catalogue;
    return catalogue;
}

// The editor on the page holding the item of that many hotspots.
std::unique_ptr<TMainForm> OpenEditor(int64_t hotspots) {
    TMainFormOptions options;
    options.AppDir = Catalogue().AppDir();
    options.EditorMode = true;
    options.ScreenSize = QSize(1024, 768);
    auto form = std::make_unique<TMainForm>(options);
    form->setGeometry(0, 0, 1024, 768);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) return nullptr;
    form->spis_Click(TCatalogue::PageOf(hotspots));
    QCoreApplication::processEvents();
    return form;
}

QPoint InView(TMainForm& form, int x, int y) { return form.sub_image->mapTo(&form, QPoint(x, y)); }

void DragStep(benchmark::State& state) {
    auto form = OpenEditor(state.range(0));
    if (!form) return state.SkipWithError("window not exposed");
    QWindow* window = form->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, InView(*form, 15, 15));
    int i = 0;
    for (auto _ : state) {
        const uint64_t painted = form->sub_image->TransferCount();
        QTest::mouseMove(window, InView(*form, 16 + (++i & 1), 15));
        // The frame the move asked for, painted as the event loop paints it.
        QCoreApplication::processEvents();
        if (form->sub_image->TransferCount() == painted) return state.SkipWithError("no frame was painted");
    }
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, InView(*form, 16, 15));
}
BENCHMARK(DragStep)->Arg(1)->Arg(10000)->Apply([](auto* b) { bench::BestOfRepetitions(b); });

void UndoRedoOfAMove(benchmark::State& state) {
    auto form = OpenEditor(state.range(0));
    if (!form) return state.SkipWithError("window not exposed");
    form->SelectLayer(form->sub_image->LayerCollection().LayerAt(0));
    form->RunKeyAction({TEditorCommand::Move, 1, 0});
    for (auto _ : state) {
        form->EditorUndo();
        QCoreApplication::processEvents();
        form->EditorRedo();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(UndoRedoOfAMove)->Arg(1)->Arg(10000)->Apply([](auto* b) { bench::BestOfRepetitions(b); });

void EnterItem(benchmark::State& state) {
    auto form = OpenEditor(state.range(0));
    if (!form) return state.SkipWithError("window not exposed");
    for (auto _ : state) {
        state.PauseTiming();
        form->ClearLayers();
        state.ResumeTiming();
        form->LoadSubImage(1);
        form->sub_image->repaint();
    }
}
BENCHMARK(EnterItem)->Arg(1)->Arg(10000)->Apply([](auto* b) { bench::BestOfRepetitions(b, 5); });

// What entering costs at the least: the picture decoded, the hotspot file read by the INI store.
void DecodeAndReadIni(benchmark::State& state) {
    const std::string dane = Catalogue().Dane();
    const std::string ini = dane + std::to_string(TCatalogue::PageOf(state.range(0))) + "_1.ini";
    TBitmap32 bitmap;
    for (auto _ : state) {
        bitmap.LoadPictureFile(dane + "p_1_1.jpg");
        TMemIniFile store(ini);
        benchmark::DoNotOptimize(store.GetNumber("info", "count", 0));
    }
}
BENCHMARK(DecodeAndReadIni)->Arg(1)->Arg(10000)->Apply([](auto* b) { bench::BestOfRepetitions(b, 5); });

void Save(benchmark::State& state) {
    auto form = OpenEditor(state.range(0));
    if (!form) return state.SkipWithError("window not exposed");
    for (auto _ : state) form->L_SaveClick(form->L_Save);
}
BENCHMARK(Save)->Arg(1)->Arg(10000)->Apply([](auto* b) { bench::BestOfRepetitions(b, 5); });

// 1,000 keyboard moves that do not merge (left and right by turns): what their history holds.
void UndoMemory(benchmark::State& state) {
    auto form = OpenEditor(10000);
    if (!form) return state.SkipWithError("window not exposed");
    form->SelectLayer(form->sub_image->LayerCollection().LayerAt(0));
    for (auto _ : state) {
        form->ClearLayers();
        form->LoadSubImage(1);
        form->SelectLayer(form->sub_image->LayerCollection().LayerAt(0));
        const size_t heapBefore = mallinfo2().uordblks;
        for (int i = 0; i < 1000; ++i) form->RunKeyAction({TEditorCommand::Move, (i & 1) ? -1 : 1, 0});
        state.counters["steps"] = double(form->UndoHistory().StepCount());
        state.counters["history_kib"] = double(form->UndoHistory().MemoryBytes()) / 1024;
        state.counters["heap_growth_kib"] = double(mallinfo2().uordblks - heapBefore) / 1024;
    }
}
BENCHMARK(UndoMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Entering (picture and hotspots, painted), leaving (the hotspots removed, painted) and saving an
// item of 100,000 hotspots.
void HundredThousand(benchmark::State& state) {
    auto form = OpenEditor(100000);
    if (!form) return state.SkipWithError("window not exposed");
    double enter = 1e9, leave = 1e9, save = 1e9;
    for (auto _ : state) {
        Clock::time_point t0 = Clock::now();
        form->ClearLayers();
        form->sub_image->repaint();
        Clock::time_point t1 = Clock::now();
        form->LoadSubImage(1);
        form->sub_image->repaint();
        Clock::time_point t2 = Clock::now();
        form->L_SaveClick(form->L_Save);
        Clock::time_point t3 = Clock::now();
        leave = std::min(leave, Ms(t1 - t0));
        enter = std::min(enter, Ms(t2 - t1));
        save = std::min(save, Ms(t3 - t2));
    }
    state.counters["hotspots"] = form->sub_image->LayerCollection().LayerCount();
    state.counters["enter_ms"] = enter;
    state.counters["leave_ms"] = leave;
    state.counters["save_ms"] = save;
}
BENCHMARK(HundredThousand)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace velmora

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    velmora::TApplication app(argc, argv);
    app.SetTitle(velmora::ProgramTitle);
    return velmora::bench::RunBenchmarks(
        argc, argv,
        {
            {"drag step, 10,000 hotspots vs 1", "DragStep/10000", "DragStep/1"},
            {"undo and redo of a move, 10,000 hotspots vs 1", "UndoRedoOfAMove/10000", "UndoRedoOfAMove/1"},
            {"entering the item of 10,000 vs decode + INI read", "EnterItem/10000", "DecodeAndReadIni/10000"},
            {"entering the item of 1 vs decode + INI read", "EnterItem/1", "DecodeAndReadIni/1"},
            {"entering the item, 10,000 hotspots vs 1", "EnterItem/10000", "EnterItem/1"},
            {"save, 10,000 hotspots vs 1", "Save/10000", "Save/1"},
        });
}
