// How blocked threads and event loops learn that a manual clock moved.
//
// One process-wide lock (the watch lock) orders every move of a manual clock against the
// threads that wait on it: a waiter reads the clock and registers under the lock, and stays
// registered until its wait has ended; a move changes the time and wakes the registered
// watchers under the same lock. Lock order: a waiter's own lock, then the watch lock.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/Clock.h"

namespace platform::detail {

inline constexpr std::uint64_t kNoDeadline = UINT64_MAX;

class ClockWatcher {
public:
    // Called with the watch lock held: must not block and must take no other lock of ours.
    virtual void OnClockMoved() noexcept = 0;

protected:
    ~ClockWatcher() = default;
};

void AddClockWatcher(ClockWatcher* watcher);
void RemoveClockWatcher(ClockWatcher* watcher);

// The clock's time ms after now. On a clock that moves with real time one millisecond more:
// its readings are whole milliseconds, cut down, so a deadline of now + ms could pass up to a
// millisecond before ms have really gone by; this one never passes early.
[[nodiscard]] std::uint64_t TimeAfter(const IClock& clock, std::uint64_t now,
                                      std::uint64_t ms) noexcept;
// The deadline ms from now on the current clock (kNoDeadline for INFINITE).
[[nodiscard]] std::uint64_t DeadlineAfter(DWORD ms) noexcept;

// Blocks on cv with `lock` (held on entry and on return) released meanwhile, until cv is
// notified or the current clock reaches deadline. False, without blocking, once the deadline
// has been reached; true otherwise (the caller looks at its condition again; wake-ups may be
// spurious).
[[nodiscard]] bool WaitOnClock(std::condition_variable_any& cv, std::unique_lock<std::mutex>& lock,
                               std::uint64_t deadline);

}  // namespace platform::detail
