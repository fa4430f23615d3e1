#include "quil2sp/ProviderLock.h"

#include <chrono>
#include <condition_variable>
#include <thread>

namespace quilsp {

namespace {

// A recursive lock made of a plain mutex and a condition variable, so that every wait in it
// is one the thread checkers understand (a timed try-lock of a recursive mutex is not).
struct State {
    std::mutex mutex;
    std::condition_variable freed;
    std::thread::id owner;
    unsigned depth = 0;
};

State& Shared() {
    static State state;
    return state;
}

// How often a waiting worker looks at its stop flag.
constexpr std::chrono::milliseconds kStopLook{5};

// Takes the lock for this thread when it is free or already this thread's.
bool TakeLocked(State& s) {
    const std::thread::id self = std::this_thread::get_id();
    if (s.depth > 0 && s.owner != self) return false;
    s.owner = self;
    ++s.depth;
    return true;
}

}  // namespace

void ProviderLock::Lock() {
    State& s = Shared();
    std::unique_lock guard(s.mutex);
    s.freed.wait(guard, [&] { return TakeLocked(s); });
}

void ProviderLock::Unlock() {
    State& s = Shared();
    std::lock_guard guard(s.mutex);
    if (s.depth == 0 || s.owner != std::this_thread::get_id()) return;
    if (--s.depth > 0) return;
    s.owner = {};
    // Every waiter looks: one that gives up (its stop flag) must not swallow the wake-up.
    s.freed.notify_all();
}

bool ProviderLock::LockUnless(const std::atomic<bool>& stop) {
    State& s = Shared();
    std::unique_lock guard(s.mutex);
    while (!stop.load()) {
        if (TakeLocked(s)) return true;
        s.freed.wait_for(guard, kStopLook);
    }
    return false;
}

}  // namespace quilsp
