#include "toolkit/Cond.h"

#include <cstdint>
#include <limits>

#include "platform/Time.h"
#include "platform/Wait.h"
#include "toolkit/SyncException.h"

namespace UTKTools {

CCond::CCond() : m_waiters(0, std::numeric_limits<std::int32_t>::max()) {}

CCond::CCond(const CCond&) : m_waiters(0, 1) {
    throw CSyncException(-1, "CCond::CCond(rho)> copy ctr illegal");
}

CCond& CCond::operator=(const CCond&) {
    throw CSyncException(-1, "CCond::operator=> illegal");
}

CCond::~CCond() {
    Broadcast();
    CGuard writer(m_lifetime.Writer());
    CGuard count(m_countLock);
    m_nWaiters = 0;
    m_bBroadcast = false;
}

EWAIT_RESULT CCond::Wait(CRecursiveMutex& mutex) {
    return DoWait(mutex, platform::INFINITE);
}

EWAIT_RESULT CCond::Wait(CRecursiveMutex& mutex, std::int32_t timeoutMs) {
    return DoWait(mutex, static_cast<platform::DWORD>(timeoutMs));
}

EWAIT_RESULT CCond::DoWait(CRecursiveMutex& mutex, platform::DWORD timeoutMs) {
    CGuard reader(m_lifetime.Reader());
    {
        CGuard count(m_countLock);
        ++m_nWaiters;
    }
    // The semaphore keeps every release, so nothing is lost between the two steps.
    mutex.Unlock();
    const platform::DWORD rc = platform::WaitForSingleObject(m_waiters, timeoutMs);
    EWAIT_RESULT result = EWAIT_FAILED;
    if (rc == platform::WAIT_OBJECT_0) {
        result = EWAIT_SIGNALED;
    } else if (rc == platform::WAIT_TIMEOUT && timeoutMs != platform::INFINITE) {
        result = EWAIT_TIMEOUT;
    }
    bool lastOfBroadcast = false;
    {
        CGuard count(m_countLock);
        --m_nWaiters;
        lastOfBroadcast = m_bBroadcast && m_nWaiters == 0;
    }
    if (lastOfBroadcast) {
        m_release.Set();
    }
    mutex.Lock();
    return result;
}

void CCond::Signal() {
    CGuard count(m_countLock);
    if (m_nWaiters > 0) {
        (void)m_waiters.Release(1);
    }
}

void CCond::Broadcast() {
    {
        CGuard count(m_countLock);
        if (m_nWaiters < 1) {
            return;
        }
        m_bBroadcast = true;
        (void)m_waiters.Release(m_nWaiters);
    }
    (void)platform::WaitForSingleObject(m_release, platform::INFINITE);
    CGuard count(m_countLock);
    m_bBroadcast = false;
}

}  // namespace UTKTools
