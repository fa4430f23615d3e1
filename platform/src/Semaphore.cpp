#include "platform/Semaphore.h"

#include <algorithm>
#include <mutex>

#include "WaitLock.h"

namespace platform {

Semaphore::Semaphore(long initial, long maximum)
    : maximum_(std::max(maximum, 1L)), count_(std::clamp(initial, 0L, maximum_)) {}

bool Semaphore::Release(long count, long* previous) {
    if (count < 1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::lock_guard<std::mutex> lock(detail::WaitLock());
    if (count > maximum_ - count_) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return false;
    }
    if (previous != nullptr) *previous = count_;
    count_ += count;
    WakeWaitersLocked();
    return true;
}

}  // namespace platform
