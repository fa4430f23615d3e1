// A process-local lock that the thread holding it may take again (and must release as often).
#pragma once

#include <mutex>

namespace platform {

class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Lock() { mutex_.lock(); }
    void Unlock() { mutex_.unlock(); }
    [[nodiscard]] bool TryLock() { return mutex_.try_lock(); }

    // Holds the lock for the lifetime of the guard.
    class Guard {
    public:
        explicit Guard(CriticalSection& cs) : cs_(cs) { cs_.Lock(); }
        ~Guard() { cs_.Unlock(); }
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

    private:
        CriticalSection& cs_;
    };

private:
    std::recursive_mutex mutex_;
};

}  // namespace platform
