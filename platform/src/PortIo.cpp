#include "PortIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>

namespace platform::portio {

int openExclusive(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (errno == EBUSY)
            SetLastError(ERROR_ACCESS_DENIED);
        else if (errno == ENXIO || errno == ENODEV || errno == EIO)
            SetLastError(ERROR_FILE_NOT_FOUND);  // a device node with no port behind it
        else
            SetLastErrorFromErrno();
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        SetLastError(err == EWOULDBLOCK ? ERROR_ACCESS_DENIED : FromErrno(err));
        return -1;
    }
    return fd;
}

CancelFd::CancelFd() : m_fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelFd::~CancelFd() {
    if (m_fd >= 0) ::close(m_fd);
}

void CancelFd::signal() {
    m_signalled.store(true, std::memory_order_release);
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
}

bool CancelFd::signalled() const {
    return m_signalled.load(std::memory_order_acquire);
}

int waitFd(int fd, short events, const CancelFd& cancel, const Deadline& deadline) {
    pollfd fds[2] = {{cancel.fd(), POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = events != 0 ? 2 : 1;
    if (PollUntil(fds, count, deadline) < 0) {
        SetLastErrorFromErrno();
        return kWaitFailed;
    }
    if (fds[0].revents & POLLIN) return kWaitCancelled;
    return count == 2 ? fds[1].revents : 0;
}

void setWaitError(int result) {
    if (result == kWaitCancelled) SetLastError(ERROR_OPERATION_ABORTED);
}

bool writeAll(int fd, const void* buffer, DWORD size, DWORD& written, const Deadline& limit,
              const CancelFd& cancel, short waitEvents) {
    written = 0;
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (written < size) {
        if (cancel.signalled()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return false;
        }
        const ssize_t n = ::write(fd, in + written, size - written);
        if (n > 0) {
            written += static_cast<DWORD>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            SetLastErrorFromErrno();
            return false;
        }
        if (limit.Passed()) {
            SetLastError(ERROR_TIMEOUT);
            return true;
        }
        const int r = waitFd(fd, waitEvents, cancel, waitEvents ? limit : Deadline::After(1));
        if (r < 0) {
            setWaitError(r);
            return false;
        }
    }
    return true;
}

}  // namespace platform::portio
