#include "app/stage_scale.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
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

double StageFactor(int32_t scale, double platformRatio) {
    double factor = scale / platformRatio;
    for (int i = 0; i < 8; ++i) {
        if (factor * platformRatio == scale) return factor;
        factor = std::nextafter(factor, factor * platformRatio < scale ? INFINITY : 0.0);
    }
    return 0;
}

namespace {

// The primary screen as the platform has it: a throw-away application, on a copy of the arguments,
// since Qt takes its own options out of them.
struct TScreenScale {
    int32_t Scale = 1;
    qreal DevicePixelRatio = 1;
};

TScreenScale ProbeScale(int argc, char** argv, TDisplayConnection& hold) {
    std::vector<char*> args(argv, argv + argc);
    args.push_back(nullptr);
    int count = argc;
    QGuiApplication probe(count, args.data());
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !hold.IsOpen()) hold.Open();
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return {};
    return {StageScale(screen->geometry().size(), screen->devicePixelRatio()), screen->devicePixelRatio()};
}

// Qt's variables that change a screen's size or ratio; with any of them set, only Qt can tell.
constexpr const char* ScalingVariables[] = {
    "QT_SCALE_FACTOR",     "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING",     "QT_USE_PHYSICAL_DPI",
    "QT_FONT_DPI",         "QT_DEVICE_PIXEL_RATIO",   "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_AUTO_SCREEN_SCALE_FACTOR"};

// The platform Qt will take, where that is plain: empty where the arguments or the environment leave
// it to Qt's own choice or give it options.
std::string PlainPlatform(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        // Qt's own platform and display options: the answer is Qt's then.
        if (arg == "-platform" || arg == "--platform" || arg == "-display" || arg == "--display" ||
            arg.rfind("-platform=", 0) == 0 || arg.rfind("--platform=", 0) == 0)
            return {};
    }
    const std::string named = qEnvironmentVariable("QT_QPA_PLATFORM").toStdString();
    if (!named.empty()) return named == "offscreen" || named == "xcb" ? named : std::string();
    // Left to Qt, a session of the other window system may take the other platform.
    if (qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland"))
        return {};
    return qEnvironmentVariableIsEmpty("DISPLAY") ? std::string() : std::string("xcb");
}

// A screen at 1 : 1 that needs nothing changed, where that is certain without asking Qt.
bool PlainScreenWithoutQt(int argc, char** argv, TDisplayConnection& display) {
    for (const char* name : ScalingVariables)
        if (qEnvironmentVariableIsSet(name)) return false;
    const std::string platform = PlainPlatform(argc, argv);
    // Qt's offscreen screen is 800 x 600 at a ratio of 1 unless options say otherwise.
    if (platform == "offscreen") return true;
    if (platform != "xcb" || !display.Open()) return false;
    // The root window holds every monitor: smaller than twice the stage, no monitor is larger.
    const TDisplayConnection::TSize root = display.RootSize();
    if (root.Width <= 0 || root.Height <= 0 || root.Width >= 2 * TMainForm::StageWidth ||
        root.Height >= 2 * TMainForm::StageHeight)
        return false;
    // Qt's ratio on X is the desktop's font resolution over 96 dpi.
    const std::optional<TDisplayConnection::TResolutions> resolutions = display.FontResolutions();
    if (!resolutions) return false;
    for (const std::optional<double>& dpi : {resolutions->Resources, resolutions->Settings})
        if (dpi && *dpi != 96) return false;
    return true;
}

}  // namespace

TStageScaleEnvironment::TStageScaleEnvironment(int argc, char** argv, int32_t forced) {
    for (TSaved& saved : FSaved) {
        saved.Set = qEnvironmentVariableIsSet(saved.Name);
        saved.Value = qgetenv(saved.Name);
    }
    if (forced >= 1) {
        FScale = StageScale({}, 1, forced);
        FFactor = FScale;
        FRatioOff = true;
        return;
    }
    // The variables saved are among Qt's scaling ones: set, they send the answer to the probe.
    if (PlainScreenWithoutQt(argc, argv, FDisplay)) {
        FNeedsChange = false;
        return;
    }
    FArgc = argc;
    FArgv = argv;
    FProbeNeeded = true;
}

void TStageScaleEnvironment::Probe() {
    if (!FProbeNeeded) return;
    FProbeNeeded = false;
    const TScreenScale screen = ProbeScale(FArgc, FArgv, FDisplay);
    FScale = screen.Scale;
    // Qt's ratio stays on, so that text keeps its 96 dpi in stage pixels; only the factor Qt puts on
    // top of the platform's ratio changes, to make the whole exactly the stage's scale.
    bool valid = false;
    double given = qEnvironmentVariable("QT_SCALE_FACTOR").toDouble(&valid);
    if (!valid || !(given > 0) || !std::isfinite(given)) given = 1;
    const double platform = screen.DevicePixelRatio > 0 ? screen.DevicePixelRatio / given : 1;
    FFactor = StageFactor(FScale, platform);
    if (FFactor == 0) {
        // No factor makes it exact (about one ratio in twenty): the desktop's ratio is set aside,
        // and text keeps the desktop's font resolution.
        FFactor = FScale;
        FRatioOff = true;
    }
    FNeedsChange = screen.DevicePixelRatio != FScale;
}

void TStageScaleEnvironment::Apply() {
    Probe();
    if (FApplied) return;
    FApplied = true;
    qputenv("QT_SCALE_FACTOR", QByteArray::number(FFactor, 'g', 17));
    if (!FRatioOff) return;
    // The scale is then exactly N, never N times the desktop's ratio; text is laid out for the stage's
    // 96 dpi, or the desktop's font resolution would enlarge it a second time. (Qt reads that once a
    // process: after a probe it is too late, before a forced scale nothing has asked yet.)
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    qputenv("QT_FONT_DPI", "96");
}

void TStageScaleEnvironment::Restore() {
    if (!FApplied) return;
    FApplied = false;
    // Qt reads the font resolution when a screen's is first asked for: asked now, before it goes.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr && QGuiApplication::primaryScreen() != nullptr)
        (void)QGuiApplication::primaryScreen()->logicalDotsPerInchY();
    for (const TSaved& saved : FSaved) {
        if (saved.Set)
            qputenv(saved.Name, saved.Value);
        else
            qunsetenv(saved.Name);
    }
}

}  // namespace velmora
