#pragma once
// Base classes shared by bitmaps, resamplers and layers.
//
// TNotifiablePersistent counts nested change brackets and raises OnChange from NotifyChanged only
// while no bracket is open. EndChanges raises nothing itself: whoever closes the last bracket calls
// NotifyChanged afterwards. TThreadPersistent adds a recursive lock with an atomic depth counter.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "core/scope_exit.h"

namespace velmora {

class TNotifiablePersistent;

using TNotifyEvent = std::function<void(TNotifiablePersistent* sender)>;

class TNotifiablePersistent {
public:
    TNotifiablePersistent() = default;
    virtual ~TNotifiablePersistent();
    TNotifiablePersistent(const TNotifiablePersistent&) = delete;
    TNotifiablePersistent& operator=(const TNotifiablePersistent&) = delete;

    // Raises OnChange with this as sender when no bracket is open and a handler is set.
    virtual void NotifyChanged();
    virtual void BeginChanges();
    virtual void EndChanges();

    // The name the class is known by in registries and error messages.
    virtual const char* ClassName() const { return "TNotifiablePersistent"; }

    int32_t ChangeDepth() const { return FChangeDepth; }

    TNotifyEvent OnChange;

private:
    int32_t FChangeDepth = 0;
};

// Opens a change bracket; on every way out of the scope it is closed and NotifyChanged called.
[[nodiscard]] inline auto ChangeBracket(TNotifiablePersistent& target) {
    target.BeginChanges();
    return TScopeExit([&target] {
        target.EndChanges();
        target.NotifyChanged();
    });
}

class TThreadPersistent : public TNotifiablePersistent {
public:
    TThreadPersistent() = default;
    ~TThreadPersistent() override;

    // The depth counts before entering and after leaving, so it never understates who waits.
    void EnterLock();
    void LeaveLock();

    int32_t LockDepth() const { return FLockDepth.load(); }
    std::recursive_mutex& Guard() { return FGuard; }

private:
    std::recursive_mutex FGuard;
    std::atomic<int32_t> FLockDepth{0};
};

// Holds an object's lock for the scope.
class TLockGuard {
public:
    explicit TLockGuard(TThreadPersistent& target) : FTarget(target) { FTarget.EnterLock(); }
    ~TLockGuard() { FTarget.LeaveLock(); }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    TThreadPersistent& FTarget;
};

}  // namespace velmora
