#include "app/stage_scale.h"

#include <QGuiApplication>
#include <QScreen>
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "app/command_line.h"
#include "app/main_form.h"

namespace velmora {

int32_t StageScale(QSize logical, qreal devicePixelRatio, int32_t forced) {
    if (forced >= 1 && forced <= MaxStageScale) return forced;
    if (!(devicePixelRatio > 0) || !std::isfinite(devicePixelRatio)) devicePixelRatio = 1;
    const double width = std::floor(logical.width() * devicePixelRatio + 0.5);
    const double height = std::floor(logical.height() * devicePixelRatio + 0.5);
    const double fits = std::min(width / TMainForm::StageWidth, height / TMainForm::StageHeight);
    if (!(fits >= 2)) return 1;
    return static_cast<int32_t>(std::min<double>(std::floor(fits), MaxStageScale));
}

namespace {

// The primary screen as the platform has it: a throw-away application, on a copy of the arguments,
// since Qt takes its own options out of them.
struct TScreenScale {
    int32_t Scale = 1;
    qreal DevicePixelRatio = 1;
};

TScreenScale ProbeScale(int argc, char** argv, TDisplayHold& hold) {
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    int count = argc;
    QGuiApplication probe(count, args.data());
    if (QGuiApplication::platformName() == QLatin1String("xcb")) hold.Open();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    return {StageScale(screen->geometry().size(), screen->devicePixelRatio()), screen->devicePixelRatio()};
}

}  // namespace

void TDisplayHold::Open() {
    // Looked up at run time: the X library is there wherever Qt's X platform runs, and nothing else
    // of the program needs it.
    FLibrary = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (FLibrary == nullptr) return;
    using TConnect = void* (*)(const char*, int*);
    auto connect = reinterpret_cast<TConnect>(dlsym(FLibrary, "xcb_connect"));
    FDisconnect = reinterpret_cast<TDisconnect>(dlsym(FLibrary, "xcb_disconnect"));
    if (connect == nullptr || FDisconnect == nullptr) return Release();
    // A failed connection is still an object that must be disconnected; it holds nothing open.
    FConnection = connect(nullptr, nullptr);
}

void TDisplayHold::Release() {
    if (FConnection != nullptr && FDisconnect != nullptr) FDisconnect(FConnection);
    FConnection = nullptr;
    if (FLibrary != nullptr) dlclose(FLibrary);
    FLibrary = nullptr;
}

TStageScaleEnvironment::TStageScaleEnvironment(int argc, char** argv, int32_t forced) {
    bool anySet = false;
    for (TSaved& saved : FSaved) {
        saved.Set = qEnvironmentVariableIsSet(saved.Name);
        saved.Value = qgetenv(saved.Name);
        anySet = anySet || saved.Set;
    }
    if (forced >= 1) {
        FScale = StageScale({}, 1, forced);
        return;
    }
    const TScreenScale screen = ProbeScale(argc, argv, FDisplay);
    FScale = screen.Scale;
    FNeedsChange = anySet || FScale != 1 || screen.DevicePixelRatio != 1;
}

void TStageScaleEnvironment::Apply() {
    if (FApplied) return;
    FApplied = true;
    // The desktop's own ratio is off, so that the stage's scale is exactly N, never N times it.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(FScale));
}

void TStageScaleEnvironment::Restore() {
    if (!FApplied) return;
    FApplied = false;
    for (const TSaved& saved : FSaved) {
        if (saved.Set)
            qputenv(saved.Name, saved.Value);
        else
            qunsetenv(saved.Name);
    }
}

}  // namespace velmora
