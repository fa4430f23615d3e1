// UTKTools::CSemaphore: a counting semaphore that starts at 0. Each Post lets one wait
// through, now or later. Must not be destroyed while a thread waits on it without limit:
// the destructor waits for the writer side of its read-write lock, which every waiter holds
// as a reader.
#pragma once

#include <cstdint>

#include "platform/Semaphore.h"
#include "toolkit/Mutex.h"
#include "toolkit/ReadWriteLock.h"
#include "toolkit/ToolkitApi.h"
#include "toolkit/WaitResult.h"

namespace UTKTools {

class UTK_API CSemaphore {
public:
    CSemaphore();
    CSemaphore(const CSemaphore& other);
    CSemaphore& operator=(const CSemaphore& other);
    virtual ~CSemaphore();

    // EWAIT_SIGNALED or EWAIT_FAILED.
    EWAIT_RESULT Wait();
    EWAIT_RESULT Wait(std::int32_t timeoutMs);
    void Post();

private:
    CReadWriteLock m_lifetime;
    CRecursiveMutex m_postMutex;
    platform::Semaphore m_semaphore;
};

}  // namespace UTKTools
