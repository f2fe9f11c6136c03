#include "toolkit/shell.h"

#include <QDesktopServices>
#include <QUrl>
#include <utility>

namespace velmora {
namespace {

TShellOpenHook& Hook() {
    static TShellOpenHook hook;
    return hook;
}

}  // namespace

bool ShellOpen(const QString& url) {
    if (Hook()) {
        const TShellOpenHook hook = Hook();
        return hook(url);
    }
    const QUrl target(url, QUrl::StrictMode);
    if (!target.isValid() || target.scheme().isEmpty()) return false;
    return QDesktopServices::openUrl(target);
}

TShellOpenHook SetShellOpenHook(TShellOpenHook hook) { return std::exchange(Hook(), std::move(hook)); }

}  // namespace velmora
