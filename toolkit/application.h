#pragma once
// The application object. An exception never crosses a Qt event handler: notify() catches whatever
// leaves a handler and reports it in an error box titled with the application title, then the event
// loop simply goes on with the next event.
#include <QApplication>
#include <QString>
#include <functional>
#include <string>

#include "core/unhandled_error.h"

namespace velmora {

// The text an error box shows for an exception message: a full stop is appended when the last byte
// sorts after "." (bytes compared unsigned, so every non-ASCII letter gets one); empty stays empty.
std::string ErrorBoxText(const std::string& message);

// An exception message as the box shows it. Messages are UTF-8: paths come in the file system's
// encoding, and data text that goes into one is converted first. Bytes that are no UTF-8 (a file
// name from elsewhere) are read as Windows-1250, so each still shows as a character.
QString ErrorMessageText(const std::string& message);

class TApplication : public QApplication {
public:
    // Shows one error: title and text are already in their final form. Replaceable so that tests can
    // record the box instead of running a modal loop.
    using TErrorBoxFunc = std::function<void(const QString& title, const QString& text)>;

    // Installs the palette into the system colour table before any control paints.
    TApplication(int& argc, char** argv);
    ~TApplication() override;

    static TApplication* Instance();

    // Windows-1250 bytes, like every text of the catalogue.
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& title) { FTitle = title; }

    bool notify(QObject* receiver, QEvent* event) override;

protected:
    // Keeps the system colours in step with a palette that changes while the program runs.
    bool event(QEvent* event) override;

public:

    // Reports one exception message the way notify() does.
    void ShowException(const std::string& message);

    // The box behind ShowException; the default opens a modal QMessageBox (error icon, one OK button).
    TErrorBoxFunc ErrorBox;

    static void ShowErrorMessageBox(const QString& title, const QString& text);

private:
    std::string FTitle;
    TUnhandledErrorReporter FPreviousReporter;
};

}  // namespace velmora
