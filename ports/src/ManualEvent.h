// A manual-reset event: stays signalled until reset; wait returns at once while signalled.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace lineserv {

class ManualEvent {
public:
    void set() {
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_signalled = true;
        }
        m_changed.notify_all();
    }
    void reset() {
        std::lock_guard<std::mutex> hold(m_lock);
        m_signalled = false;
    }
    // True when signalled within timeoutMs (0xFFFFFFFF: no limit).
    bool wait(std::uint32_t timeoutMs) {
        std::unique_lock<std::mutex> hold(m_lock);
        if (timeoutMs == 0xFFFFFFFFu) {
            m_changed.wait(hold, [this] { return m_signalled; });
            return true;
        }
        return m_changed.wait_for(hold, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_signalled; });
    }
    bool isSet() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_signalled;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    bool m_signalled = false;
};

}  // namespace lineserv
