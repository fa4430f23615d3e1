#include "toolkit/Semaphore.h"

#include <limits>

#include "platform/Time.h"
#include "platform/Wait.h"
#include "toolkit/SyncException.h"

namespace UTKTools {

CSemaphore::CSemaphore() : m_semaphore(0, std::numeric_limits<std::int32_t>::max()) {}

CSemaphore::CSemaphore(const CSemaphore&) : m_semaphore(0, 1) {
    throw CSyncException(-1, "CSemaphore::CSemaphore(rho)> copy ctr illegal");
}

CSemaphore& CSemaphore::operator=(const CSemaphore&) {
    throw CSyncException(-1, "CSemaphore::operator=> illegal");
}

CSemaphore::~CSemaphore() {
    CGuard writer(m_lifetime.Writer());
    CGuard post(m_postMutex);
}

EWAIT_RESULT CSemaphore::Wait() {
    CGuard reader(m_lifetime.Reader());
    return platform::WaitForSingleObject(m_semaphore, platform::INFINITE) == platform::WAIT_OBJECT_0
               ? EWAIT_SIGNALED
               : EWAIT_FAILED;
}

EWAIT_RESULT CSemaphore::Wait(std::int32_t timeoutMs) {
    CGuard reader(m_lifetime.Reader());
    const platform::DWORD rc =
        platform::WaitForSingleObject(m_semaphore, static_cast<platform::DWORD>(timeoutMs));
    if (rc == platform::WAIT_OBJECT_0) {
        return EWAIT_SIGNALED;
    }
    return rc == platform::WAIT_TIMEOUT ? EWAIT_TIMEOUT : EWAIT_FAILED;
}

void CSemaphore::Post() {
    CGuard post(m_postMutex);
    (void)m_semaphore.Release(1);
}

}  // namespace UTKTools
