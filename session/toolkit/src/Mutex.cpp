#include "toolkit/Mutex.h"

#include <system_error>
#include <thread>

#include "platform/Win32Error.h"
#include "toolkit/SyncException.h"

namespace UTKTools {

CLockable::~CLockable() = default;

namespace detail {

void OwnedLock::Lock() {
    const std::thread::id self = std::this_thread::get_id();
    {
        std::lock_guard<std::mutex> state(m_stateMutex);
        if (m_owner == self) {
            ++m_count;
            return;
        }
    }
    m_mutex.lock();
    std::lock_guard<std::mutex> state(m_stateMutex);
    m_owner = self;
    m_count = 1;
}

bool OwnedLock::Unlock() {
    std::lock_guard<std::mutex> state(m_stateMutex);
    if (m_owner != std::this_thread::get_id() || m_count == 0) {
        return false;
    }
    if (--m_count == 0) {
        m_owner = std::thread::id();
        m_mutex.unlock();
    }
    return true;
}

}  // namespace detail

// ---- CMutex ----

CMutex::CMutex(const CMutex& other) : CLockable(other) {
    throw CSyncException(-1, "CMutex::CMutex(rho)> copy ctr illegal");
}

CMutex& CMutex::operator=(const CMutex&) {
    throw CSyncException(-1, "CMutex::operator=> illegal");
}

CMutex::~CMutex() = default;

void CMutex::Lock() {
    try {
        m_lock.Lock();
    } catch (const std::system_error&) {
        // The result of the wait is not examined.
    }
}

void CMutex::Unlock() {
    (void)m_lock.Unlock();
}

// ---- CRecursiveMutex ----

CRecursiveMutex::CRecursiveMutex(const CRecursiveMutex& other) : CLockable(other) {
    throw CSyncException(-1, "CRecursiveMutex::CRecursiveMutex(rho)> copy ctr illegal");
}

CRecursiveMutex& CRecursiveMutex::operator=(const CRecursiveMutex&) {
    throw CSyncException(-1, "CRecursiveMutex::operator=> illegal");
}

CRecursiveMutex::~CRecursiveMutex() = default;

void CRecursiveMutex::Lock() {
    try {
        m_lock.Lock();
    } catch (const std::system_error& e) {
        platform::SetLastError(platform::FromErrno(e.code().value()));
        const auto error = static_cast<std::int32_t>(platform::GetLastError());
        throw CSyncException(error, "CRecursiveMutex::~Lock> WaitForSingleObject failed: %d",
                             error);
    }
}

void CRecursiveMutex::Unlock() {
    (void)m_lock.Unlock();
}

// ---- CCriticalSection ----

CCriticalSection::CCriticalSection(std::int32_t) {}

CCriticalSection::CCriticalSection(const CCriticalSection& other) : CLockable(other) {
    throw CSyncException(-1, "CCriticalSection::CCriticalSection(rho)> copy ctr illegal");
}

CCriticalSection& CCriticalSection::operator=(const CCriticalSection&) {
    throw CSyncException(-1, "CCriticalSection::operator=> illegal");
}

CCriticalSection::~CCriticalSection() = default;

void CCriticalSection::Lock() {
    m_lock.Lock();
}

void CCriticalSection::Unlock() {
    (void)m_lock.Unlock();
}

}  // namespace UTKTools
