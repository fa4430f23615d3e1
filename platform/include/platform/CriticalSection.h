// A process-local lock that the thread holding it may take again (and must release as often).
// It and its guard carry the thread-safety annotations (platform/ThreadSafety.h), so members
// marked TREVO_GUARDED_BY(lock) are checked by clang; the check does not follow re-entry,
// which it reports when one function takes the lock twice.
#pragma once

#include <mutex>

#include "platform/ThreadSafety.h"

namespace platform {

class TREVO_CAPABILITY("critical section") CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Lock() TREVO_ACQUIRE() { m_mutex.lock(); }
    void Unlock() TREVO_RELEASE() { m_mutex.unlock(); }
    [[nodiscard]] bool TryLock() TREVO_TRY_ACQUIRE(true) { return m_mutex.try_lock(); }

    // Holds the lock for the lifetime of the guard, unless Unlock() let it go early.
    class TREVO_SCOPED_CAPABILITY Guard {
    public:
        explicit Guard(CriticalSection& cs) TREVO_ACQUIRE(cs) : m_cs(cs) { m_cs.Lock(); }
        ~Guard() TREVO_RELEASE() {
            if (m_bHeld) m_cs.Unlock();
        }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

        void Unlock() TREVO_RELEASE() {
            m_cs.Unlock();
            m_bHeld = false;
        }

    private:
        CriticalSection& m_cs;
        bool m_bHeld = true;
    };

private:
    std::recursive_mutex m_mutex;
};

}  // namespace platform
