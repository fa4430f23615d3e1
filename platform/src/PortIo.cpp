#include "PortIo.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>

namespace platform::portio {

int Deadline::pollTimeout() const {
    if (infinite) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(at - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

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
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_fd, &one, sizeof one);
}

bool CancelFd::signalled() const {
    pollfd p{m_fd, POLLIN, 0};
    return ::poll(&p, 1, 0) == 1;
}

int waitFd(int fd, short events, const CancelFd& cancel, int timeoutMs) {
    pollfd fds[2] = {{cancel.fd(), POLLIN, 0}, {fd, events, 0}};
    const nfds_t count = events != 0 ? 2 : 1;
    for (;;) {
        const int n = ::poll(fds, count, timeoutMs);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return 0;
        if (fds[0].revents & POLLIN) return -1;
        return count == 2 ? fds[1].revents : 0;
    }
}

}  // namespace platform::portio
