#include "platform/Event.h"

#include <mutex>

#include "WaitLock.h"

namespace platform {

void Event::Set() {
    std::lock_guard<std::mutex> lock(detail::WaitLock());
    signalled_ = true;
    WakeWaitersLocked();
}

void Event::Reset() {
    std::lock_guard<std::mutex> lock(detail::WaitLock());
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard<std::mutex> lock(detail::WaitLock());
    return signalled_;
}

void Event::AcquireLocked() {
    if (!manual_) signalled_ = false;
}

}  // namespace platform
