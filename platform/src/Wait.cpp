#include "platform/Wait.h"

#include <algorithm>
#include <cassert>
#include <condition_variable>
#include <mutex>

#include "ClockWatch.h"
#include "WaitLock.h"

namespace platform {

namespace detail {

std::mutex& WaitLock() noexcept {
    static auto* lock = new std::mutex;  // never destroyed: threads may wait during exit
    return *lock;
}

// One blocked wait: the objects it waits for and, once satisfied, its result.
struct WaitBlock {
    std::span<Waitable* const> objects;
    bool all = false;
    bool satisfied = false;
    DWORD result = WAIT_TIMEOUT;
    std::condition_variable_any wake;

    // Takes what the wait asks for when it can have it now; wait lock held.
    bool TrySatisfyLocked() {
        if (all) {
            for (Waitable* object : objects) {
                if (!object->IsSignalledLocked()) return false;
            }
            for (Waitable* object : objects) object->AcquireLocked();
            result = WAIT_OBJECT_0;
        } else {
            std::size_t i = 0;
            while (i < objects.size() && !objects[i]->IsSignalledLocked()) ++i;
            if (i == objects.size()) return false;
            objects[i]->AcquireLocked();
            result = WAIT_OBJECT_0 + static_cast<DWORD>(i);
        }
        satisfied = true;
        return true;
    }

    void EnqueueLocked() {
        for (Waitable* object : objects) {
            auto& queue = object->waiters_;
            if (std::find(queue.begin(), queue.end(), this) == queue.end()) queue.push_back(this);
        }
    }

    void DequeueLocked() {
        for (Waitable* object : objects) std::erase(object->waiters_, this);
    }
};

}  // namespace detail

Waitable::~Waitable() {
    std::lock_guard<std::mutex> lock(detail::WaitLock());
    assert(waiters_.empty() && "a waitable object destroyed while a thread waits on it");
}

void Waitable::WakeWaitersLocked() {
    std::size_t i = 0;
    while (i < waiters_.size() && IsSignalledLocked()) {
        detail::WaitBlock* waiter = waiters_[i];
        if (waiter->TrySatisfyLocked()) {
            waiter->DequeueLocked();  // also takes it out of waiters_ at i
            waiter->wake.notify_one();
        } else {
            ++i;
        }
    }
}

DWORD WaitForSingleObject(Waitable& object, DWORD ms) {
    Waitable* objects[] = {&object};
    return WaitForMultipleObjects(std::span<Waitable* const>(objects), false, ms);
}

DWORD WaitForMultipleObjects(std::initializer_list<Waitable*> objects, bool waitAll, DWORD ms) {
    return WaitForMultipleObjects(std::span<Waitable* const>(objects.begin(), objects.size()),
                                  waitAll, ms);
}

DWORD WaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll, DWORD ms) {
    bool valid = !objects.empty() && objects.size() <= MAXIMUM_WAIT_OBJECTS;
    for (std::size_t i = 0; valid && i < objects.size(); ++i) {
        valid = objects[i] != nullptr &&
                !(waitAll && std::find(objects.begin(), objects.begin() + static_cast<long>(i),
                                       objects[i]) != objects.begin() + static_cast<long>(i));
    }
    if (!valid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }

    const std::uint64_t deadline = detail::DeadlineAfter(ms);
    std::unique_lock<std::mutex> lock(detail::WaitLock());
    detail::WaitBlock waiter;
    waiter.objects = objects;
    waiter.all = waitAll;
    if (waiter.TrySatisfyLocked()) return waiter.result;
    if (ms == 0) return WAIT_TIMEOUT;

    waiter.EnqueueLocked();
    while (!waiter.satisfied) {
        if (!detail::WaitOnClock(waiter.wake, lock, deadline)) break;
    }
    if (!waiter.satisfied) {
        waiter.DequeueLocked();
        return WAIT_TIMEOUT;
    }
    return waiter.result;
}

}  // namespace platform
