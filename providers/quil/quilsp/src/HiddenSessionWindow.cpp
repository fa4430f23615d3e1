// Built into both QUIL providers, each with its own session (ModuleSession.h).
#include "quilsp/HiddenSessionWindow.h"

#include "ModuleSession.h"

namespace quilsp {

CHiddenSessionWindow::~CHiddenSessionWindow() {
    if (m_hwnd != 0) platform::RemoveTarget(m_hwnd);
}

bool CHiddenSessionWindow::Create() {
    platform::EventLoop* loop = platform::EventLoop::Current();
    if (loop == nullptr) return false;
    m_hwnd = loop->AddTarget(*this);
    return m_hwnd != 0;
}

platform::LRESULT CHiddenSessionWindow::OnMessage(platform::UINT msg, platform::WPARAM wParam,
                                                  platform::LPARAM /*lParam*/) {
    if (msg == kMsgDisconnected) {
        m_session->OnDisconnectDone();
        return 0;
    }
    if (msg != platform::WM_TIMER) return 0;
    switch (wParam) {
        case kTimerKeepAliveIdle:
            m_session->OnKeepAliveIdle();
            break;
        case kTimerKeepAliveResponse:
            m_session->OnKeepAliveOverdue();
            break;
        case kTimerBeginErrorPooled:
            m_session->StopTimer(kTimerBeginErrorPooled);
            m_session->ReportConnectFailure();
            break;
        case kTimerBeginError:
        case kTimerMaintainError:
            m_session->StopTimer(static_cast<unsigned>(wParam));
            m_session->ReportSessionLost();
            break;
        default:
            break;
    }
    return 0;
}

}  // namespace quilsp
