#include "raster/notifiable_persistent.h"

namespace velmora {

TNotifiablePersistent::~TNotifiablePersistent() = default;

void TNotifiablePersistent::NotifyChanged() {
    if (FChangeDepth == 0 && OnChange) OnChange(this);
}

void TNotifiablePersistent::BeginChanges() { ++FChangeDepth; }

void TNotifiablePersistent::EndChanges() { --FChangeDepth; }

TThreadPersistent::~TThreadPersistent() = default;

void TThreadPersistent::EnterLock() {
    FLockDepth.fetch_add(1);
    FGuard.lock();
}

void TThreadPersistent::LeaveLock() {
    FGuard.unlock();
    FLockDepth.fetch_sub(1);
}

}  // namespace velmora
