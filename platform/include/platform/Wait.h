// Objects a thread can wait on (events, semaphores, threads) and the waits themselves, with
// the results the rest of the system expects of them.
//
// All waitable objects share one process-wide lock. A waiter that cannot be satisfied at once
// queues itself on every object it waits for and sleeps on its own condition; an object that
// becomes signalled hands itself to its queued waiters in the order they came. A wait for all
// objects takes them all in one step, or none of them.
//
// Lock order: the wait lock, then the clock's watch lock (a wait with a time-out on a manual
// clock); no other lock is taken under the wait lock.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <span>
#include <vector>

#include "platform/Time.h"
#include "platform/Win32Error.h"

namespace platform {

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
inline constexpr std::size_t MAXIMUM_WAIT_OBJECTS = 64;
// WAIT_TIMEOUT (258) is in platform/Win32Error.h.

namespace detail {
struct WaitBlock;
}

class Waitable {
public:
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;
    // Nobody may wait on an object while it is destroyed.
    virtual ~Waitable();

protected:
    Waitable() = default;

    // Called with the process-wide wait lock held.
    [[nodiscard]] virtual bool IsSignalledLocked() const = 0;
    // Takes the object for a satisfied waiter (an auto-reset event resets, a semaphore
    // counts down); called with the lock held and only when it is signalled.
    virtual void AcquireLocked() = 0;

    // After the state became signalled (wait lock held): hands the object to its queued
    // waiters, oldest first, for as long as it stays signalled.
    void WakeWaitersLocked();

private:
    friend struct detail::WaitBlock;
    friend DWORD WaitForMultipleObjects(std::span<Waitable* const>, bool, DWORD);

    std::vector<detail::WaitBlock*> waiters_;  // under the wait lock, oldest first
};

// WAIT_OBJECT_0 when the object was signalled (and taken), WAIT_TIMEOUT when `ms` of the
// current clock passed first.
[[nodiscard]] DWORD WaitForSingleObject(Waitable& object, DWORD ms);

// Wait for any: WAIT_OBJECT_0 + i for the lowest index i that is signalled (only that object is
// taken). Wait for all: WAIT_OBJECT_0 once every object is signalled at the same moment, and
// then all of them are taken together. WAIT_TIMEOUT when `ms` passed first. WAIT_FAILED with
// ERROR_INVALID_PARAMETER for no objects, more than MAXIMUM_WAIT_OBJECTS, a null entry, or the
// same object twice in a wait for all.
[[nodiscard]] DWORD WaitForMultipleObjects(std::span<Waitable* const> objects, bool waitAll,
                                           DWORD ms);
[[nodiscard]] DWORD WaitForMultipleObjects(std::initializer_list<Waitable*> objects, bool waitAll,
                                           DWORD ms);

}  // namespace platform
