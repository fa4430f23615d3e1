// Idle timers and the idle-time-out thread. A front end with an idle limit owns a CIdleTimer;
// every 20 s the thread finds the timers whose owner has been idle for its limit and calls the
// owners' idle handlers. The handlers run with the list lock released (they end sessions, which
// may take any lock); a timer unlisted meanwhile is skipped, and unlisting waits until the
// handlers of the pass have returned, so an owner is never called after its timer is gone.
#pragma once

#include <cstdint>

namespace quildrv {

class CIdleOwner {
public:
    virtual std::uint32_t IdleLimitMs() = 0;
    virtual void OnIdle() = 0;

protected:
    ~CIdleOwner() = default;
};

class CIdleTimer {
public:
    static constexpr int kCycleMs = 20000;

    explicit CIdleTimer(CIdleOwner* owner) : m_owner(owner) {}
    ~CIdleTimer();
    CIdleTimer(const CIdleTimer&) = delete;
    CIdleTimer& operator=(const CIdleTimer&) = delete;

    void Register();
    void Unregister();
    void Reset();
    bool Listed() const;

private:
    friend class CIdleList;
    CIdleOwner* m_owner;
    int m_slot = -1;            // under the list lock
    std::uint32_t m_start = 0;  // under the list lock
};

[[nodiscard]] bool StartIdleThread();
void StopIdleThread();
bool IdleThreadRunning();
// One pass of the idle thread, for tests that stop the thread and move a fake clock.
void RunIdlePass();

}  // namespace quildrv
