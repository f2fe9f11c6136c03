#include "toolkit/application.h"

#include <QByteArrayView>
#include <QStringDecoder>
#include <exception>
#include <utility>

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
    // Raised where nothing could take it (a layer's destructor): shown once the current event is over,
    // when whatever was being taken apart is gone.
    FPreviousReporter = SetUnhandledErrorReporter([this](const std::string& message) {
        QMetaObject::invokeMethod(this, [this, message] { ShowException(message); }, Qt::QueuedConnection);
    });
}

TApplication::~TApplication() { SetUnhandledErrorReporter(std::move(FPreviousReporter)); }

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

QString ErrorMessageText(const std::string& message) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(QByteArrayView(message.data(), static_cast<qsizetype>(message.size())));
    // A path the file system keeps in another encoding still shows every byte.
    return utf8.hasError() ? FromWin1250(message) : text;
}

void TApplication::ShowException(const std::string& message) {
    // The box runs a nested event loop; a handler that throws again in there is reported in turn.
    TErrorBoxFunc box = ErrorBox;
    if (box) box(FromWin1250(FTitle), ErrorMessageText(ErrorBoxText(message)));
}

void TApplication::ShowErrorMessageBox(const QString& title, const QString& text) { ShowError(title, text); }

}  // namespace velmora
