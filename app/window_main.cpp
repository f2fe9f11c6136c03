// The window's module: the application object, the main window and the event loop, entered from
// the program once its command line asks for the window.
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QObject>
#include <QPixmap>
#include <QWidget>
#include <QTimer>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>

#ifdef VELMORA_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include "app/data_set.h"
#include "app/main_form.h"
#include "app/stage_scale.h"
#include "app/window_module.h"
#include "core/thread_placement.h"
#include "toolkit/application.h"
#include "toolkit/files.h"

namespace {

// Ends the event loop once the watched control has painted for the first time. Start-up timing and
// the whole-program tests (VELMORA_QUIT_AFTER_FIRST_PAINT) use it; nothing else does. A value ending
// in ".png" names a file that receives a picture of the window first.
class TQuitAfterFirstPaint : public QObject {
public:
    TQuitAfterFirstPaint(QWidget* window, QString shotPath) : FWindow(window), FShotPath(std::move(shotPath)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !FQueued) {
            FQueued = true;
            // Queued, so the paint that is starting now finishes first.
            QTimer::singleShot(0, qApp, [this] {
                if (FShotPath.endsWith(QStringLiteral(".png"))) FWindow->grab().save(FShotPath);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* FWindow;
    QString FShotPath;
    bool FQueued = false;
};

// Loading the font configuration is milliseconds of parsing that the window's first text waits for;
// another core does it meanwhile. Finish is called before Qt first asks for fonts, so the
// configuration loads once.
class TFontConfigWarmUp {
public:
    TFontConfigWarmUp() {
#ifdef VELMORA_HAVE_FONTCONFIG
        velmora::TCoreSet others;
        if (!velmora::OtherCores(others)) return;
        try {
            FThread = std::jthread([] { FcInit(); });
        } catch (...) {
            // No thread to be had: the window loads the configuration when it needs it.
            return;
        }
        velmora::PlaceThread(FThread, others);
#endif
    }
    void Finish() {
        if (FThread.joinable()) FThread.join();
    }

private:
    std::jthread FThread;
};

}  // namespace

// Exported by name: everything else of the module stays hidden inside it.
extern "C" __attribute__((visibility("default"))) int VelmoraWindowMain(int argc, char** argv, const char* dataDirGiven,
                                                                         int editorMode, int scaleGiven) {
    static_assert(std::is_same_v<decltype(&VelmoraWindowMain), velmora::TWindowMain>);
    const std::string dataDir = dataDirGiven != nullptr ? dataDirGiven : "";
    // While the font configuration loads on another core, this one decodes the menu picture (which
    // needs nothing of Qt); where the screen must be asked of the platform, a worker decodes it and
    // this thread asks. The window takes the picture when it shows the menu.
    TFontConfigWarmUp fonts;
    velmora::TStageScaleEnvironment scale(argc, argv, scaleGiven);
    velmora::TPictureFetch menuPicture;
    // Only a regular file is worth opening: a device may act on being opened.
    if (const std::string path = velmora::StagePicturePath(dataDir, "menu"); !dataDir.empty() && velmora::FileExists(path)) {
        if (scale.ProbeNeeded())
            menuPicture.Start(path);
        else
            menuPicture.Load(path);
    }
    scale.Probe();

    // The stage's scale is Qt's, so it is set before the application object reads it; a change of
    // the environment races with the threads reading it (fontconfig, libjpeg), so they end first.
    if (scale.NeedsChange()) {
        fonts.Finish();
        menuPicture.Wait();
        scale.Apply();
    }
    velmora::TApplication app(argc, argv);
    scale.ReleaseDisplay();
    app.SetTitle(velmora::ProgramTitle);
    fonts.Finish();
    // The stage's intended face, where the system has it without a fontconfig entry.
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(tahoma)) QFontDatabase::addApplicationFont(tahoma);

    velmora::TMainFormOptions options;
    options.EditorMode = editorMode != 0;
    options.DataDir = dataDir;  // empty: the window's own default beside the executable
    options.MenuPicture = &menuPicture;
    velmora::TMainForm form(options);
    // The warm-up has been joined and the menu picture taken, so no other thread reads the
    // environment now; the browser that a link may start must not inherit the scale.
    scale.Restore();

    TQuitAfterFirstPaint quitter(&form, qEnvironmentVariable("VELMORA_QUIT_AFTER_FIRST_PAINT"));
    if (!qEnvironmentVariableIsEmpty("VELMORA_QUIT_AFTER_FIRST_PAINT")) form.MainImage->installEventFilter(&quitter);

    form.ShowMaximised();
    return app.exec();
}
