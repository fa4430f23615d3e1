// A thread that runs an event loop of its own until it is stopped. The loop is made on the
// thread itself; Start returns once it exists, so other threads may add watches to it.
#pragma once

#include <functional>
#include <string>

#include "platform/EventLoop.h"
#include "platform/Thread.h"

namespace platform {

class LoopThread {
public:
    explicit LoopThread(std::string name) : m_thread(std::move(name)) {}
    ~LoopThread() { Stop(); }
    LoopThread(const LoopThread&) = delete;
    LoopThread& operator=(const LoopThread&) = delete;

    // Makes the loop on the new thread, runs setup there, then the loop. False when the
    // thread or its loop could not be made (the last error says why).
    [[nodiscard]] bool Start(std::function<void(EventLoop&)> setup);
    // Ends the loop and joins the thread; nothing when it never started.
    void Stop();
    // Valid from a successful Start until Stop.
    EventLoop& Loop() { return *m_loop; }

private:
    Thread m_thread;
    Event m_ready{EventReset::Manual};
    EventLoop* m_loop = nullptr;  // written before m_ready is set
    bool m_valid = false;
    DWORD m_error = 0;
};

}  // namespace platform
