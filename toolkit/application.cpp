#include "toolkit/application.h"

#include <exception>

#include "toolkit/code_page.h"
#include "toolkit/message_box.h"
#include "toolkit/system_colors.h"

namespace velmora {

std::string ErrorBoxText(const std::string& message) {
    if (!message.empty() && static_cast<unsigned char>(message.back()) > static_cast<unsigned char>('.'))
        return message + ".";
    return message;
}

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv), ErrorBox(ShowErrorMessageBox) {
    InstallPaletteSystemColors();
}

TApplication::~TApplication() = default;

TApplication* TApplication::Instance() { return dynamic_cast<TApplication*>(QCoreApplication::instance()); }

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        ShowException(e.what());
    } catch (...) {
        ShowException("Unknown error");
    }
    // The event counts as handled: nothing else should see it half processed.
    return true;
}

bool TApplication::event(QEvent* event) {
    if (event->type() == QEvent::ApplicationPaletteChange) InstallPaletteSystemColors();
    return QApplication::event(event);
}

void TApplication::ShowException(const std::string& message) {
    // The box runs a nested event loop; a handler that throws again in there is reported in turn.
    TErrorBoxFunc box = ErrorBox;
    if (box) box(FromWin1250(FTitle), FromWin1250(ErrorBoxText(message)));
}

void TApplication::ShowErrorMessageBox(const QString& title, const QString& text) { ShowError(title, text); }

}  // namespace velmora
