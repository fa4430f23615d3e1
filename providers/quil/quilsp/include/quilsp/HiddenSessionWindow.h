// The loop target that carries a session's timers (and its posted reports) on the thread
// that made the session.
#pragma once

#include "platform/EventLoop.h"

namespace quilsp {

class CSession;

// Timer ids of a session.
inline constexpr unsigned kTimerConnect = 1;
inline constexpr unsigned kTimerKeepAliveIdle = 3;
inline constexpr unsigned kTimerKeepAliveResponse = 4;
inline constexpr unsigned kTimerBeginErrorPooled = 5;
inline constexpr unsigned kTimerBeginError = 6;
inline constexpr unsigned kTimerMaintainError = 7;

// Posted when a session's disconnect is complete.
inline constexpr platform::UINT kMsgDisconnected = platform::WM_USER + 1;

class CHiddenSessionWindow : public platform::IMessageTarget {
public:
    explicit CHiddenSessionWindow(CSession* session) : m_session(session) {}
    ~CHiddenSessionWindow() override;
    CHiddenSessionWindow(const CHiddenSessionWindow&) = delete;
    CHiddenSessionWindow& operator=(const CHiddenSessionWindow&) = delete;

    // Registers with the calling thread's loop; false when there is none.
    [[nodiscard]] bool Create();
    platform::HWND Handle() const noexcept { return m_hwnd; }

    platform::LRESULT OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                platform::LPARAM lParam) override;

private:
    CSession* m_session;
    platform::HWND m_hwnd = 0;
};

}  // namespace quilsp
