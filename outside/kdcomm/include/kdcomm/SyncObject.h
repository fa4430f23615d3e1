// Lock objects: a common base with lock and unlock, and a re-entrant critical section.
#pragma once

#include <mutex>

namespace kdcomm {

class SyncObjectBase {
public:
    virtual ~SyncObjectBase() = default;
    virtual void lock() = 0;
    virtual void unlock() = 0;
};

// Re-entrant: the owning thread may enter again and must leave as often as it entered.
class CriticalSection : public SyncObjectBase {
public:
    void lock() override { m_mutex.lock(); }
    void unlock() override { m_mutex.unlock(); }
    bool tryLock() { return m_mutex.try_lock(); }

private:
    std::recursive_mutex m_mutex;
};

// Holds a sync object for the lifetime of a scope.
class Guard {
public:
    explicit Guard(SyncObjectBase& object) : m_object(object) { m_object.lock(); }
    ~Guard() { m_object.unlock(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    SyncObjectBase& m_object;
};

}  // namespace kdcomm
