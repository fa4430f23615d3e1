// The one lock of the QUIL2SP module's provider objects and sessions. The sessions' worker
// threads drive the sessions and provider objects while the creators call them on their
// own threads: each side holds this lock while it works, so the objects see one caller at
// a time. It may be taken again by the thread holding it (a creator's callback that calls
// back in). A worker asks for it with a way out, so that a thread that holds it may end
// the worker's session and wait for the worker.
//
// Lock order: this lock first; every other lock of the module is taken after it.
#pragma once

#include <atomic>
#include <mutex>

namespace quilsp {

class ProviderLock {
public:
    static void Lock();
    static void Unlock();
    // Takes the lock unless `stop` is set first; false when it was not taken.
    [[nodiscard]] static bool LockUnless(const std::atomic<bool>& stop);

    // Holds the lock for its lifetime.
    class Guard {
    public:
        Guard() { Lock(); }
        ~Guard() { Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;
    };
};

}  // namespace quilsp
