// UTKTools::CCondition: a condition over an auto-reset event. A signal is kept until some
// thread waits, so a Signal with nobody waiting releases the next thread that waits.
// Broadcast repeats the signal until every thread that waited has left its wait.
#pragma once

#include <cstdint>

#include "platform/Event.h"
#include "toolkit/Mutex.h"
#include "toolkit/ToolkitApi.h"
#include "toolkit/WaitResult.h"

namespace UTKTools {

class UTK_API CCondition {
public:
    CCondition();
    CCondition(const CCondition& other);
    CCondition& operator=(const CCondition& other);
    virtual ~CCondition();

    void Wait();
    // Releases the mutex while waiting and takes it again before returning.
    void Wait(CRecursiveMutex& mutex);
    EWAIT_RESULT Wait(std::int32_t timeoutMs);
    EWAIT_RESULT Wait(CRecursiveMutex& mutex, std::int32_t timeoutMs);
    void Signal();
    void Broadcast();

private:
    std::int32_t GetWaiters();
    void IncrementWaiters();
    void DecrementWaiters();
    EWAIT_RESULT WaitEvent(platform::DWORD timeoutMs);

    std::int32_t m_nWaiters = 0;
    CRecursiveMutex m_waitersMutex;
    platform::Event m_event{platform::EventReset::Auto, false};
};

}  // namespace UTKTools
