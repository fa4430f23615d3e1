// UTKTools::CCond: a condition variable in the manner of POSIX. A waiter releases the
// caller's mutex and sleeps on a semaphore; a Signal with nobody waiting is lost. Broadcast
// wakes every current waiter and returns once the last of them has taken its wake-up; the
// caller holds the mutex meanwhile, so it decides when they can run.
//
// Lock order inside: the reader side of the own read-write lock, then the critical section
// (never held across a wait). Must not be destroyed while a thread waits on it without
// limit: the destructor waits for the writer side, which every waiter holds as a reader.
#pragma once

#include <cstdint>

#include "platform/Event.h"
#include "platform/Semaphore.h"
#include "toolkit/Mutex.h"
#include "toolkit/ReadWriteLock.h"
#include "toolkit/ToolkitApi.h"
#include "toolkit/WaitResult.h"

namespace UTKTools {

class UTK_API CCond {
public:
    CCond();
    CCond(const CCond& other);
    CCond& operator=(const CCond& other);
    ~CCond();

    // The caller holds the mutex (once).
    EWAIT_RESULT Wait(CRecursiveMutex& mutex);
    EWAIT_RESULT Wait(CRecursiveMutex& mutex, std::int32_t timeoutMs);
    void Signal();
    void Broadcast();

private:
    EWAIT_RESULT DoWait(CRecursiveMutex& mutex, platform::DWORD timeoutMs);

    CReadWriteLock m_lifetime;
    std::int32_t m_nWaiters = 0;  // under m_countLock
    CCriticalSection m_countLock;
    platform::Semaphore m_waiters;  // waiters sleep here
    platform::Event m_release{platform::EventReset::Auto, false};
    bool m_bBroadcast = false;  // under m_countLock
};

}  // namespace UTKTools
