#include "toolkit/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <utility>

namespace velmora {
namespace {

TMessageBoxHook& Hook() {
    static TMessageBoxHook hook;
    return hook;
}

void Show(TMessageKind kind, const QString& title, const QString& text) {
    if (Hook()) {
        const TMessageBoxHook hook = Hook();
        hook(kind, title, text);
        return;
    }
    // Owned by the active window so that it stays above a window that is always on top.
    QMessageBox box(kind == TMessageKind::mkWarning ? QMessageBox::Warning : QMessageBox::Critical, title, text,
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);  // data text is never markup
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

}  // namespace

void ShowWarning(const QString& text) { Show(TMessageKind::mkWarning, QStringLiteral("Warning"), text); }

void ShowError(const QString& title, const QString& text) { Show(TMessageKind::mkError, title, text); }

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace velmora
