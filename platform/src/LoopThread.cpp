#include "platform/LoopThread.h"

namespace platform {

bool LoopThread::Start(std::function<void(EventLoop&)> setup) {
    const bool started = m_thread.Start([this, setup = std::move(setup)] {
        EventLoop loop;
        m_valid = loop.IsValid();
        m_error = GetLastError();
        m_loop = &loop;
        m_ready.Set();
        if (!m_valid) return;
        setup(loop);
        (void)loop.Run();
    });
    if (!started) return false;
    (void)WaitForSingleObject(m_ready, INFINITE);
    if (!m_valid) {
        m_thread.Join();
        m_loop = nullptr;
        SetLastError(m_error);
        return false;
    }
    return true;
}

void LoopThread::Stop() {
    if (m_loop != nullptr) {
        m_loop->Quit();
        m_thread.Join();
        m_loop = nullptr;
    }
}

}  // namespace platform
