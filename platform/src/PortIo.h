// Pieces shared by the serial and the parallel line: a monotonic deadline, the exclusive
// open of a device and a one-shot cancel descriptor that every wait of a line polls.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/Win32Error.h"

namespace platform::portio {

using Clock = std::chrono::steady_clock;

// A deadline some milliseconds away, or none.
struct Deadline {
    bool infinite = true;
    Clock::time_point at{};

    // Anything beyond decades is no deadline at all (and cannot overflow the clock).
    static Deadline after(std::uint64_t ms) {
        if (ms >= (std::uint64_t{1} << 40)) return never();
        return Deadline{false,
                        Clock::now() + std::chrono::milliseconds(static_cast<std::int64_t>(ms))};
    }
    static Deadline never() { return Deadline{}; }
    // Milliseconds left for poll(): -1 for none, 0 when passed.
    int pollTimeout() const;
    bool passed() const { return !infinite && Clock::now() >= at; }
};

// Opens a device non-blocking and close-on-exec, then takes an exclusive lock on it;
// -1 with the last error set (ERROR_ACCESS_DENIED when another holder has it).
int openExclusive(const std::string& path, int flags);

// An eventfd that stays readable once signalled.
class CancelFd {
public:
    CancelFd();
    ~CancelFd();
    CancelFd(const CancelFd&) = delete;
    CancelFd& operator=(const CancelFd&) = delete;
    bool valid() const { return m_fd >= 0; }
    int fd() const { return m_fd; }
    void signal();
    bool signalled() const;

private:
    int m_fd = -1;
};

// Waits on fd for events (0: only the cancel descriptor) up to the deadline. Returns the
// poll revents of fd, 0 on time-out, -1 when cancelled.
int waitFd(int fd, short events, const CancelFd& cancel, int timeoutMs);

}  // namespace platform::portio
