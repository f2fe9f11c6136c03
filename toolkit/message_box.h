#pragma once
// Modal message boxes with one "OK" button. Data text in Windows-1250 is converted with
// toolkit/code_page.h before it gets here.
#include <QString>
#include <functional>

namespace velmora {

enum class TMessageKind : uint8_t { mkWarning, mkError };

// Title "Warning", warning icon.
void ShowWarning(const QString& text);
// Error icon, the given title.
void ShowError(const QString& title, const QString& text);

// Replaces the modal box, e.g. so that a test records what would be shown instead of running a modal
// loop. An empty hook restores the real box; the previous hook is returned.
using TMessageBoxHook = std::function<void(TMessageKind kind, const QString& title, const QString& text)>;
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);

}  // namespace velmora
