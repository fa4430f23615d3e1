// The termination and interrupt signals (SIGTERM, SIGINT) as events of the user-interface
// thread's loop instead of asynchronous handlers: they are blocked in every thread and read
// from a descriptor that the loop watches, so whatever a stop does runs on that thread.
//
// Block() must run first thing in main, before any thread starts: threads inherit the mask
// of their creator, and a thread that does not block the signals would take them (and die of
// them). Programs this process starts get the signals back unblocked.
//
// Threads: Watch and Stop on the loop's thread.
#pragma once

#include <functional>

#include "platform/EventLoop.h"

namespace platform {

class TerminationSignal {
public:
    using Callback = std::function<void(int signal)>;

    // Blocks SIGTERM and SIGINT in the calling thread (and so in the threads it starts
    // afterwards). False with the last error when the system refuses.
    [[nodiscard]] static bool Block() noexcept;

    TerminationSignal() = default;
    ~TerminationSignal();
    TerminationSignal(const TerminationSignal&) = delete;
    TerminationSignal& operator=(const TerminationSignal&) = delete;

    // Calls onSignal with the signal's number, on the loop's thread, for every SIGTERM or
    // SIGINT that reaches the process from now on (and one that was pending already). Blocks
    // the signals in the calling thread too. False with the last error when the descriptor
    // cannot be made or watched, or when it watches already.
    [[nodiscard]] bool Watch(EventLoop& loop, Callback onSignal);
    // Ends the watch; the signals stay blocked (pending ones wait for the next Watch).
    void Stop() noexcept;
    [[nodiscard]] bool Watching() const noexcept { return m_fd >= 0; }

private:
    void Drain();

    EventLoop* m_loop = nullptr;
    Callback m_callback;
    int m_fd = -1;
};

}  // namespace platform
