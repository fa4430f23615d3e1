// Runs the test thread's event loop until a condition holds, bounded in real time also when
// a fake clock stands still: a ticker thread wakes the loop every few milliseconds.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/EventLoop.h"

namespace quilsp::test {

class LoopPump : public platform::IMessageTarget {
public:
    explicit LoopPump(platform::EventLoop& loop) : m_loop(loop), m_target(loop.AddTarget(*this)) {}
    ~LoopPump() override { m_loop.RemoveTarget(m_target); }

    platform::LRESULT OnMessage(platform::UINT, platform::WPARAM, platform::LPARAM) override {
        return 0;
    }

    // True when the condition held within the limit.
    bool Until(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::atomic<bool> stop{false};
        std::thread ticker([&] {
            while (!stop) {
                (void)platform::PostMessage(m_target, platform::WM_USER, 0, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        const auto deadline = std::chrono::steady_clock::now() + limit;
        const bool ok = m_loop.PumpUntil(
            [&] { return done() || std::chrono::steady_clock::now() > deadline; }, 0x7FFFFFFF);
        stop = true;
        ticker.join();
        return ok && done();
    }

    // Runs the loop for a little while, for what should not happen.
    void Settle(std::chrono::milliseconds span = std::chrono::milliseconds(50)) {
        (void)Until([] { return false; }, span);
    }

private:
    platform::EventLoop& m_loop;
    platform::HWND m_target;
};

}  // namespace quilsp::test
