#include "app/stage_scale.h"

#include <QGuiApplication>
#include <QScreen>
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
int32_t ProbeScale(int argc, char** argv) {
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    int count = argc;
    QGuiApplication probe(count, args.data());
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? StageScale(screen->geometry().size(), screen->devicePixelRatio()) : 1;
}

}  // namespace

TStageScaleEnvironment::TStageScaleEnvironment(int argc, char** argv, int32_t forced) {
    for (TSaved& saved : FSaved) {
        saved.Set = qEnvironmentVariableIsSet(saved.Name);
        saved.Value = qgetenv(saved.Name);
    }
    FScale = forced >= 1 ? StageScale({}, 1, forced) : ProbeScale(argc, argv);
    // The desktop's own ratio is off, so that the stage's scale is exactly N, never N times it.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_SCALE_FACTOR", QByteArray::number(FScale));
}

void TStageScaleEnvironment::Restore() {
    if (FRestored) return;
    FRestored = true;
    for (const TSaved& saved : FSaved) {
        if (saved.Set)
            qputenv(saved.Name, saved.Value);
        else
            qunsetenv(saved.Name);
    }
}

}  // namespace velmora
