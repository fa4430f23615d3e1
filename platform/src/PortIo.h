// Pieces shared by the serial and the parallel line: a monotonic deadline, the exclusive
// open of a device and a one-shot cancel descriptor that every wait of a line polls.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "Deadline.h"
#include "platform/Win32Error.h"

namespace platform::portio {

using Deadline = IoDeadline;

// Opens a device non-blocking and close-on-exec, then takes an exclusive lock on it;
// -1 with the last error set (ERROR_ACCESS_DENIED when another holder has it).
int openExclusive(const std::string& path, int flags);

// An eventfd that stays readable once signalled. signalled() asks a flag set before the
// eventfd is written, so the look that every read and write makes costs no system call.
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
    std::atomic<bool> m_signalled{false};
};

// What waitFd answers besides the revents of fd (0 on time-out).
inline constexpr int kWaitCancelled = -1;
inline constexpr int kWaitFailed = -2;  // the poll itself failed; the last error says why

// Waits on fd for events (0: only the cancel descriptor) up to the deadline. Returns the
// poll revents of fd, 0 on time-out, kWaitCancelled or kWaitFailed.
int waitFd(int fd, short events, const CancelFd& cancel, const Deadline& deadline);

// Sets the last error of a wait that ended with kWaitCancelled (ERROR_OPERATION_ABORTED);
// kWaitFailed has set it already.
void setWaitError(int result);

// Writes size bytes to a non-blocking fd until all went out, the deadline passed (success
// with the count and ERROR_TIMEOUT as the last error), the cancel descriptor was signalled
// or the device failed (both false). waitEvents is what poll waits for before the next
// try (POLLOUT), or 0 for a device with no readiness to wait for: look again in 1 ms.
bool writeAll(int fd, const void* buffer, DWORD size, DWORD& written, const Deadline& limit,
              const CancelFd& cancel, short waitEvents);

}  // namespace platform::portio
