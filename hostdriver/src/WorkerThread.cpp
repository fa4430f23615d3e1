#include "hostdriver/WorkerThread.h"

#include <system_error>

namespace quildrv {

namespace {
std::atomic<int> g_failStarts{0};
}

void FailNextThreadStarts(int count) {
    g_failStarts = count;
}

bool CWorkerThread::Start(Function function, void* argument) {
    if (function == nullptr) return false;
    std::lock_guard lock(m_state);
    if (m_running) return function == m_function && argument == m_argument;
    // A thread that has ended is joined before it runs again.
    if (m_thread.joinable()) m_thread.join();
    if (g_failStarts.load() > 0 && g_failStarts.fetch_sub(1) > 0) return false;
    m_function = function;
    m_argument = argument;
    m_running = true;
    try {
        m_thread = std::thread([this, function, argument] {
            m_result = function(argument);
            m_running = false;
        });
    } catch (const std::system_error&) {
        m_running = false;
        m_function = nullptr;
        m_argument = nullptr;
        return false;
    }
    return true;
}

void CWorkerThread::Stop() {
    std::lock_guard lock(m_state);
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) m_thread.join();
    m_function = nullptr;
    m_argument = nullptr;
}

}  // namespace quildrv
