// Deadlines of real I/O time and the one poll that waits for them.
//
// Which waits follow which clock: waits on our own sync objects (events, semaphores, wait
// functions, Sleep, timers of the event loops) follow the injected IClock, so the device
// rules' seconds pass at once in tests. Waits on descriptors (sockets, pipes, ports,
// pseudo-terminals, child processes, file locks held by other processes) are real I/O
// time on the monotonic clock: a kernel that no test clock moves answers them.
#pragma once

#include <poll.h>

#include <chrono>
#include <cstdint>

namespace platform {

class IoDeadline {
public:
    using Clock = std::chrono::steady_clock;

    // ms from now; anything beyond decades is no deadline at all (nor overflows the clock).
    static IoDeadline After(std::uint64_t ms);
    // From a time-out in milliseconds where a negative one never expires.
    static IoDeadline FromTimeout(int timeoutMs) {
        return timeoutMs < 0 ? Never() : After(static_cast<std::uint64_t>(timeoutMs));
    }
    static IoDeadline Never() { return IoDeadline{}; }

    bool Infinite() const { return m_infinite; }
    Clock::time_point At() const { return m_at; }
    bool Passed() const { return !m_infinite && Clock::now() >= m_at; }
    // Milliseconds left for poll(): -1 for none, 0 when passed, rounded up so that a wait
    // never ends a fraction of a millisecond early.
    int PollTimeout() const;
    // The earlier of the two.
    IoDeadline EarlierOf(const IoDeadline& other) const;

private:
    bool m_infinite = true;
    Clock::time_point m_at{};
};

// poll() until something is ready or the deadline passes, retrying on EINTR with the time
// left: poll's count (0 on time-out), or -1 with errno set when the poll itself failed.
int PollUntil(pollfd* fds, nfds_t count, const IoDeadline& deadline);

}  // namespace platform
