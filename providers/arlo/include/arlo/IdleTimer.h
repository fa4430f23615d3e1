// The idle time-out service of the ARLO library: one thread that, once a second, ends every
// registered timer whose interval has passed since it was last restarted, by calling its
// owner's OnDisconnect(0) (the owner posts the close to its own thread). A timer fires once
// and stays inactive until it is activated again.
//
// Lock order: the service's table lock, then whatever the owner's OnDisconnect takes (it
// only posts). The owner's OnDisconnect is called with the table lock held, so a timer that
// unregisters (or is destroyed) never has its owner called afterwards.
#pragma once

#include <cstdint>

namespace arlo {

inline constexpr std::uint32_t kIdleShortInterval = 10000;
inline constexpr std::uint32_t kIdleLongInterval = 60000;

class IIdleOwner {
public:
    virtual void OnDisconnect(int reason) = 0;

protected:
    ~IIdleOwner() = default;
};

class CIdleTimer {
public:
    explicit CIdleTimer(IIdleOwner& owner) : m_owner(owner) {}
    ~CIdleTimer();
    CIdleTimer(const CIdleTimer&) = delete;
    CIdleTimer& operator=(const CIdleTimer&) = delete;

    bool RegisterTimer();
    bool UnregisterTimer();
    // Starts the interval anew from now.
    void RestartTimer();
    void SetTimerActive(bool active);
    // 10,000 ms (true) or 60,000 ms (false).
    void SetShortInterval(bool shortInterval);

private:
    friend struct IdleService;
    IIdleOwner& m_owner;
    int m_slot = -1;
    std::uint32_t m_start = 0;
    bool m_active = true;
    std::uint32_t m_interval = kIdleLongInterval;
};

// The service's thread: started by the first connection, stopped at library exit.
bool StartTimerThread();
void StopTimerThread();
// A connection's hold on the thread: the thread also stops when the last connection that
// started it is gone, so that no thread waits on behalf of a library nobody uses.
bool AcquireTimerThread();
void ReleaseTimerThread();
// One pass of the thread at tick `now` (exposed for tests).
void CheckIdleTimers(std::uint32_t now);

}  // namespace arlo
