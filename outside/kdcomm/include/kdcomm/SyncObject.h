// Lock objects: a common base with lock and unlock, and a re-entrant critical section.
#pragma once

#include "platform/CriticalSection.h"

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
    // The common base is not annotated, so its users are not checked; nor is this wrapper.
    void lock() override TREVO_NO_THREAD_SAFETY_ANALYSIS { m_section.Lock(); }
    void unlock() override TREVO_NO_THREAD_SAFETY_ANALYSIS { m_section.Unlock(); }
    bool tryLock() TREVO_NO_THREAD_SAFETY_ANALYSIS { return m_section.TryLock(); }

private:
    platform::CriticalSection m_section;
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
