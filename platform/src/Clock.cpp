#include "platform/Clock.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <vector>

#include "ClockWatch.h"

namespace platform {

namespace {

RealClock g_realClock;
std::atomic<IClock*> g_clock{nullptr};

// The watch lock and its registered watchers; never destroyed, so that threads still waiting
// at exit find them.
struct Watches {
    std::mutex mutex;
    std::vector<detail::ClockWatcher*> watchers;
    std::size_t timedWaiters = 0;
    std::uint64_t timedWaitsBegun = 0;
};

Watches& TheWatches() {
    static auto* watches = new Watches;
    return *watches;
}

// Runs fn (which moves the time) under the watch lock, then wakes every watcher.
template <typename Fn>
void MoveClock(Fn&& fn) {
    Watches& w = TheWatches();
    std::lock_guard<std::mutex> lock(w.mutex);
    fn();
    for (detail::ClockWatcher* watcher : w.watchers) watcher->OnClockMoved();
}

// A blocked thread's condition as a watcher.
class ConditionWatcher final : public detail::ClockWatcher {
public:
    explicit ConditionWatcher(std::condition_variable_any& cv) : cv_(cv) {}
    void OnClockMoved() noexcept override { cv_.notify_all(); }

private:
    std::condition_variable_any& cv_;
};

// Holds a waiter's own lock and the watch lock together, so that a condition variable
// releases both in one step and no move of the clock falls between the waiter's look at the
// clock and its sleep.
class BothLocks {
public:
    BothLocks(std::unique_lock<std::mutex>& own, std::mutex& watch) : own_(own), watch_(watch) {}
    void lock() {
        own_.lock();
        watch_.lock();
    }
    void unlock() {
        watch_.unlock();
        own_.unlock();
    }

private:
    std::unique_lock<std::mutex>& own_;
    std::mutex& watch_;
};

}  // namespace

SystemTime IClock::LocalTime() const {
    const std::int64_t wall = WallMs();
    std::int64_t seconds = wall / 1000;
    std::int64_t ms = wall % 1000;
    if (ms < 0) {
        ms += 1000;
        --seconds;
    }
    const time_t t = static_cast<time_t>(seconds);
    struct tm parts {};
    localtime_r(&t, &parts);
    SystemTime st;
    st.wYear = static_cast<std::uint16_t>(parts.tm_year + 1900);
    st.wMonth = static_cast<std::uint16_t>(parts.tm_mon + 1);
    st.wDayOfWeek = static_cast<std::uint16_t>(parts.tm_wday);
    st.wDay = static_cast<std::uint16_t>(parts.tm_mday);
    st.wHour = static_cast<std::uint16_t>(parts.tm_hour);
    st.wMinute = static_cast<std::uint16_t>(parts.tm_min);
    st.wSecond = static_cast<std::uint16_t>(std::min(parts.tm_sec, 59));
    st.wMilliseconds = static_cast<std::uint16_t>(ms);
    return st;
}

std::uint64_t RealClock::NowMs() const {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::int64_t RealClock::WallMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

void FakeClock::Advance(std::uint64_t ms) {
    MoveClock([&] {
        now_.fetch_add(ms);
        wall_.fetch_add(static_cast<std::int64_t>(ms));
    });
}

std::size_t FakeClock::TimedWaiters() {
    Watches& w = TheWatches();
    std::lock_guard<std::mutex> lock(w.mutex);
    return w.timedWaiters;
}

std::uint64_t FakeClock::TimedWaitsBegun() {
    Watches& w = TheWatches();
    std::lock_guard<std::mutex> lock(w.mutex);
    return w.timedWaitsBegun;
}

IClock& CurrentClock() noexcept {
    IClock* clock = g_clock.load(std::memory_order_acquire);
    return clock != nullptr ? *clock : g_realClock;
}

void SetClock(IClock* clock) noexcept {
    // Waiters and loops look at the clock again: their next deadline is on the new one.
    MoveClock([&] { g_clock.store(clock, std::memory_order_release); });
}

void ResetClock() noexcept {
    SetClock(nullptr);
}

namespace detail {

void AddClockWatcher(ClockWatcher* watcher) {
    Watches& w = TheWatches();
    std::lock_guard<std::mutex> lock(w.mutex);
    w.watchers.push_back(watcher);
}

void RemoveClockWatcher(ClockWatcher* watcher) {
    Watches& w = TheWatches();
    std::lock_guard<std::mutex> lock(w.mutex);
    std::erase(w.watchers, watcher);
}

std::uint64_t TimeAfter(const IClock& clock, std::uint64_t now, std::uint64_t ms) noexcept {
    return now + ms + (clock.IsManual() ? 0 : 1);
}

std::uint64_t DeadlineAfter(DWORD ms) noexcept {
    if (ms == INFINITE) return kNoDeadline;
    const IClock& clock = CurrentClock();
    return TimeAfter(clock, clock.NowMs(), ms);
}

bool WaitOnClock(std::condition_variable_any& cv, std::unique_lock<std::mutex>& lock,
                 std::uint64_t deadline) {
    if (deadline == kNoDeadline) {
        cv.wait(lock);
        return true;
    }
    IClock& clock = CurrentClock();
    if (!clock.IsManual()) {
        const std::uint64_t now = clock.NowMs();
        if (now >= deadline) return false;
        cv.wait_for(lock, std::chrono::milliseconds(deadline - now));
        return true;
    }
    Watches& w = TheWatches();
    std::unique_lock<std::mutex> watchLock(w.mutex);
    if (CurrentClock().NowMs() >= deadline) return false;
    ConditionWatcher watcher(cv);
    w.watchers.push_back(&watcher);
    ++w.timedWaiters;
    ++w.timedWaitsBegun;
    watchLock.release();  // BothLocks owns it from here
    BothLocks both(lock, w.mutex);
    cv.wait(both);
    --w.timedWaiters;
    std::erase(w.watchers, static_cast<ClockWatcher*>(&watcher));
    w.mutex.unlock();
    return true;
}

}  // namespace detail

}  // namespace platform
