// A process-local lock that is not re-entrant, with its guard; both carry the thread-safety
// annotations (platform/ThreadSafety.h), so members marked TREVO_GUARDED_BY(lock) are checked
// by clang. The guard may let the lock go before its scope ends and take it again, and waits
// on a condition variable with the lock let go while waiting.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/ThreadSafety.h"

namespace platform {

class TREVO_CAPABILITY("mutex") Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void Lock() TREVO_ACQUIRE() { m_mutex.lock(); }
    void Unlock() TREVO_RELEASE() { m_mutex.unlock(); }
    [[nodiscard]] bool TryLock() TREVO_TRY_ACQUIRE(true) { return m_mutex.try_lock(); }

    class TREVO_SCOPED_CAPABILITY Guard {
    public:
        explicit Guard(Mutex& mutex) TREVO_ACQUIRE(mutex) : m_lock(mutex.m_mutex) {}
        ~Guard() TREVO_RELEASE() {}
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

        void Unlock() TREVO_RELEASE() { m_lock.unlock(); }
        void Lock() TREVO_ACQUIRE() { m_lock.lock(); }

        // Waits until done() holds or timeoutMs passed; done is called with the lock held
        // (mark it TREVO_REQUIRES(the lock) so that clang checks what it reads). True when
        // done() holds.
        template <class Predicate>
        bool WaitFor(std::condition_variable& cv, int timeoutMs,
                     Predicate done) TREVO_NO_THREAD_SAFETY_ANALYSIS {
            return cv.wait_for(m_lock, std::chrono::milliseconds(timeoutMs), done);
        }

    private:
        std::unique_lock<std::mutex> m_lock;
    };

private:
    std::mutex m_mutex;
};

}  // namespace platform
