// Keep-alive timers and the keep-alive thread. Every host session that wants keep-alive owns a
// CKeepAliveTimer listed here. Every 10 s the thread looks at the listed timers: a session quiet
// for 50 s is sent a keep-alive (a printer session on 30051 that carries traffic sends a status
// request instead); one whose keep-alive got no answer within 20 s is logged and timed anew, so
// the next keep-alive follows 50 s after that.
// Every other 10 s, timers still unanswered go inactive when their session has no front end,
// or when its printer front end agrees.
//
// The thread holds the list lock while it sends, so a timer is never unlisted (and its session
// never freed) under a send; the session's header lock is taken inside.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace quildrv {

class CHostSession;

class CKeepAliveTimer {
public:
    static constexpr std::uint32_t kIntervalMs = 50000;
    static constexpr std::uint32_t kAnswerMs = 20000;
    static constexpr int kHalfCycleMs = 10000;

    explicit CKeepAliveTimer(CHostSession* session) : m_session(session) {}
    ~CKeepAliveTimer();
    CKeepAliveTimer(const CKeepAliveTimer&) = delete;
    CKeepAliveTimer& operator=(const CKeepAliveTimer&) = delete;

    void Register();
    void Unregister();
    void SetActive(bool active);
    // Start = now, no answer awaited.
    void Reset();

    bool Listed() const;
    bool Active() const;
    bool Awaiting() const;
    CHostSession* Session() const noexcept { return m_session; }

private:
    friend class CKeepAliveList;
    CHostSession* m_session;
    int m_slot = -1;            // under the list lock
    std::uint32_t m_start = 0;  // under the list lock
    std::uint32_t m_sent = 0;   // under the list lock: when the awaited keep-alive went out
    bool m_active = true;       // under the list lock
    bool m_awaiting = false;    // under the list lock
};

[[nodiscard]] bool StartKeepAliveThread();
// Runs one half of the thread's cycle at once (the first half sends, the second lets unanswered
// timers go inactive), for tests that stopped the thread and move a fake clock themselves.
void RunKeepAliveHalf(bool firstHalf);
void StopKeepAliveThread();
bool KeepAliveThreadRunning();

}  // namespace quildrv
