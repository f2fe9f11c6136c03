#pragma once
// The shell's "open": hands a URL to the desktop, which opens it in the default browser.
#include <QString>
#include <functional>

#include "core/publisher.h"

namespace velmora {

// Opens url with the desktop's handler; false when the URL is not valid or nothing could open it.
bool ShellOpen(const QString& url);

// Replaces the desktop call (tests must never start a browser). An empty hook restores the real one;
// the previous hook is returned.
using TShellOpenHook = std::function<bool(const QString& url)>;
TShellOpenHook SetShellOpenHook(TShellOpenHook hook);

}  // namespace velmora
