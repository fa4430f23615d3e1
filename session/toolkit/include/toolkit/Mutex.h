// The toolkit's mutual-exclusion locks. All three may be taken again by the thread that
// holds them and must be released as often; a release by a thread that does not hold the
// lock is refused and changes nothing. None of them can be copied: the copy constructor
// and the assignment throw CSyncException with code -1.
#pragma once

#include <cstdint>
#include <mutex>
#include <thread>

#include "toolkit/Lockable.h"
#include "toolkit/ToolkitApi.h"

namespace UTKTools {

namespace detail {
// A lock with an owner: taken again by its owner, released only by its owner.
class OwnedLock {
public:
    void Lock();
    // False (nothing changes) when the calling thread does not hold the lock.
    bool Unlock();

private:
    std::mutex m_mutex;
    std::mutex m_stateMutex;
    std::thread::id m_owner;  // under m_stateMutex
    std::uint32_t m_count = 0;
};
}  // namespace detail

class UTK_API CMutex : public CLockable {
public:
    CMutex() = default;
    CMutex(const CMutex& other);
    CMutex& operator=(const CMutex& other);
    ~CMutex() override;
    void Lock() override;
    void Unlock() override;

private:
    detail::OwnedLock m_lock;
};

class UTK_API CRecursiveMutex : public CLockable {
public:
    CRecursiveMutex() = default;
    CRecursiveMutex(const CRecursiveMutex& other);
    CRecursiveMutex& operator=(const CRecursiveMutex& other);
    ~CRecursiveMutex() override;
    void Lock() override;
    void Unlock() override;

private:
    detail::OwnedLock m_lock;
};

class UTK_API CCriticalSection : public CLockable {
public:
    // The value has no effect.
    explicit CCriticalSection(std::int32_t spinCount = 0);
    CCriticalSection(const CCriticalSection& other);
    CCriticalSection& operator=(const CCriticalSection& other);
    ~CCriticalSection() override;
    void Lock() override;
    void Unlock() override;

private:
    detail::OwnedLock m_lock;
};

}  // namespace UTKTools
