// The program: the application object, the main window and the event loop.
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QObject>
#include <QPixmap>
#include <QWidget>
#include <QTimer>
#include <string>
#include <thread>
#include <utility>

#ifdef VELMORA_HAVE_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

#include "app/main_form.h"
#include "toolkit/application.h"

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
// a second core does it while the application object and the menu picture are being made. The
// configuration's set-up is thread-safe: should the window need it first, it loads its own and this
// copy is dropped.
class TFontConfigWarmUp {
public:
    TFontConfigWarmUp() {
#ifdef VELMORA_HAVE_FONTCONFIG
        try {
            FThread = std::jthread([] { FcInit(); });
        } catch (...) {
            // No thread to be had: the window loads the configuration when it needs it.
        }
#endif
    }
    void Finish() {
        if (FThread.joinable()) FThread.join();
    }

private:
    std::jthread FThread;
};

}  // namespace

int main(int argc, char** argv) {
    TFontConfigWarmUp fonts;
    // Read before Qt takes its own options out of the arguments.
    const bool editorMode = velmora::IsEditorModeArgument(argc, argv);

    velmora::TApplication app(argc, argv);
    app.SetTitle("Velmora - Holvenor");
    // The stage's intended face, where the system has it without a fontconfig entry.
    const QString tahoma = QStringLiteral("/usr/share/wine/fonts/tahoma.ttf");
    if (QFile::exists(tahoma)) QFontDatabase::addApplicationFont(tahoma);

    velmora::TMainFormOptions options;
    options.EditorMode = editorMode;
    velmora::TMainForm form(options);
    fonts.Finish();

    TQuitAfterFirstPaint quitter(&form, qEnvironmentVariable("VELMORA_QUIT_AFTER_FIRST_PAINT"));
    if (!qEnvironmentVariableIsEmpty("VELMORA_QUIT_AFTER_FIRST_PAINT")) form.MainImage->installEventFilter(&quitter);

    form.ShowMaximised();
    return app.exec();
}
