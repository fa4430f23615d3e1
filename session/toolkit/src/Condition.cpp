#include "toolkit/Condition.h"

#include <chrono>
#include <thread>

#include "platform/Time.h"
#include "platform/Wait.h"
#include "toolkit/SyncException.h"

namespace UTKTools {

CCondition::CCondition() = default;

CCondition::CCondition(const CCondition&) {
    throw CSyncException(-1, "CCondition::CCondition(rho)> copy ctr illegal");
}

CCondition& CCondition::operator=(const CCondition&) {
    throw CSyncException(-1, "CCondition::operator=> illegal");
}

CCondition::~CCondition() {
    if (GetWaiters() > 0) {
        Broadcast();
    }
}

std::int32_t CCondition::GetWaiters() {
    CGuard guard(m_waitersMutex);
    return m_nWaiters;
}

void CCondition::IncrementWaiters() {
    CGuard guard(m_waitersMutex);
    ++m_nWaiters;
}

void CCondition::DecrementWaiters() {
    CGuard guard(m_waitersMutex);
    --m_nWaiters;
}

EWAIT_RESULT CCondition::WaitEvent(platform::DWORD timeoutMs) {
    IncrementWaiters();
    const platform::DWORD rc = platform::WaitForSingleObject(m_event, timeoutMs);
    DecrementWaiters();
    if (rc == platform::WAIT_OBJECT_0) {
        return EWAIT_SIGNALED;
    }
    return rc == platform::WAIT_TIMEOUT ? EWAIT_TIMEOUT : EWAIT_FAILED;
}

void CCondition::Wait() {
    (void)WaitEvent(platform::INFINITE);
}

void CCondition::Wait(CRecursiveMutex& mutex) {
    (void)Wait(mutex, -1);
}

EWAIT_RESULT CCondition::Wait(std::int32_t timeoutMs) {
    return WaitEvent(static_cast<platform::DWORD>(timeoutMs));
}

EWAIT_RESULT CCondition::Wait(CRecursiveMutex& mutex, std::int32_t timeoutMs) {
    IncrementWaiters();
    mutex.Unlock();
    const platform::DWORD rc =
        platform::WaitForSingleObject(m_event, static_cast<platform::DWORD>(timeoutMs));
    DecrementWaiters();
    mutex.Lock();
    if (rc == platform::WAIT_OBJECT_0) {
        return EWAIT_SIGNALED;
    }
    return rc == platform::WAIT_TIMEOUT ? EWAIT_TIMEOUT : EWAIT_FAILED;
}

void CCondition::Signal() {
    m_event.Set();
}

void CCondition::Broadcast() {
    while (GetWaiters() >= 1) {
        m_event.Set();
        // A pause for the released waiter to leave, in real time: it measures nothing, so
        // it must not wait for a test's stopped clock.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace UTKTools
