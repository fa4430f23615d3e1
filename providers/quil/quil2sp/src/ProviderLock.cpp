#include "quil2sp/ProviderLock.h"

#include <chrono>

namespace quilsp {

namespace {

std::recursive_timed_mutex& Mutex() {
    static std::recursive_timed_mutex mutex;
    return mutex;
}

// How often a waiting worker looks at its stop flag.
constexpr std::chrono::milliseconds kStopLook{5};

}  // namespace

void ProviderLock::Lock() {
    Mutex().lock();
}

void ProviderLock::Unlock() {
    Mutex().unlock();
}

bool ProviderLock::LockUnless(const std::atomic<bool>& stop) {
    while (!stop.load()) {
        if (Mutex().try_lock_for(kStopLook)) return true;
    }
    return false;
}

}  // namespace quilsp
