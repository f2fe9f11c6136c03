#pragma once
// The one guard for "undo this on every way out of a scope": it runs its action when the scope ends,
// also when an exception passes, unless dismissed. A named guard class is kept only where one folder
// hands a guard to another (a bitmap's change bracket, a layer collection's changes).
#include <utility>

namespace velmora {

template <class Action>
class [[nodiscard]] TScopeExit {
public:
    explicit TScopeExit(Action action) : FAction(std::move(action)) {}
    ~TScopeExit() {
        if (FActive) FAction();
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

    // The action will not run.
    void Dismiss() { FActive = false; }

private:
    Action FAction;
    bool FActive = true;
};

}  // namespace velmora
