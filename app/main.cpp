// The program: the application object, the main window and the event loop.
#include <QEvent>
#include <QFile>
#include <QFontDatabase>
#include <QObject>
#include <QTimer>
#include <string>

#include "app/main_form.h"
#include "toolkit/application.h"

namespace {

// Ends the event loop once the watched control has painted for the first time. Start-up timing
// (VELMORA_QUIT_AFTER_FIRST_PAINT) uses it; nothing else does.
class TQuitAfterFirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !FQueued) {
            FQueued = true;
            // Queued, so the paint that is starting now finishes first.
            QTimer::singleShot(0, qApp, [] { QCoreApplication::quit(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool FQueued = false;
};

}  // namespace

int main(int argc, char** argv) {
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

    TQuitAfterFirstPaint quitter;
    if (!qEnvironmentVariableIsEmpty("VELMORA_QUIT_AFTER_FIRST_PAINT")) form.MainImage->installEventFilter(&quitter);

    form.ShowMaximised();
    return app.exec();
}
