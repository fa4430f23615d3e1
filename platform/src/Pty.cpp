#include "platform/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <utility>

#include "Deadline.h"
#include "platform/Win32Error.h"

namespace platform {

namespace {

IoDeadline DeadlineOf(int timeoutMs) {
    return IoDeadline::After(static_cast<std::uint64_t>(std::max(timeoutMs, 0)));
}

bool SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

}  // namespace

Pty::~Pty() {
    Close();
}

Pty::Pty(Pty&& other) noexcept
    : m_master(std::exchange(other.m_master, -1)),
      m_slave(std::exchange(other.m_slave, -1)),
      m_slaveName(std::move(other.m_slaveName)) {}

Pty& Pty::operator=(Pty&& other) noexcept {
    if (this != &other) {
        Close();
        m_master = std::exchange(other.m_master, -1);
        m_slave = std::exchange(other.m_slave, -1);
        m_slaveName = std::move(other.m_slaveName);
    }
    return *this;
}

bool Pty::Open() {
    Close();
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    bool ok = m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0 &&
              ::ptsname_r(m_master, name, sizeof name) == 0;
    if (ok) {
        m_slaveName = name;
        m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        ok = m_slave >= 0;
    }
    if (ok) {
        termios raw{};
        ok = ::tcgetattr(m_slave, &raw) == 0;
        if (ok) {
            ::cfmakeraw(&raw);
            raw.c_cc[VMIN] = 1;
            raw.c_cc[VTIME] = 0;
            ok = ::tcsetattr(m_slave, TCSANOW, &raw) == 0;
        }
    }
    ok = ok && SetNonBlocking(m_master) && SetNonBlocking(m_slave);
    if (!ok) {
        SetLastErrorFromErrno();
        Close();
    }
    return ok;
}

void Pty::CloseSlave() noexcept {
    if (m_slave >= 0) ::close(m_slave);
    m_slave = -1;
}

void Pty::Close() noexcept {
    CloseSlave();
    if (m_master >= 0) ::close(m_master);
    m_master = -1;
    m_slaveName.clear();
}

bool Pty::Write(Side side, std::span<const std::uint8_t> bytes, int timeoutMs) {
    const int fd = Fd(side);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const IoDeadline deadline = DeadlineOf(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            SetLastErrorFromErrno();
            return false;
        }
        pollfd p{fd, POLLOUT, 0};
        const int rc = deadline.Passed() ? 0 : PollUntil(&p, 1, deadline);
        if (rc < 0) {
            SetLastErrorFromErrno();
            return false;
        }
        if (rc == 0) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
    }
    return true;
}

long Pty::Read(Side side, std::span<std::uint8_t> out, int timeoutMs) {
    const int fd = Fd(side);
    if (fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return -1;
    }
    if (out.empty()) return 0;
    const IoDeadline deadline = DeadlineOf(timeoutMs);
    for (;;) {
        const ssize_t n = ::read(fd, out.data(), out.size());
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        // EIO on the master: no one has the line open at the moment; nothing to read.
        if (errno != EAGAIN && !(errno == EIO && side == Side::Master)) {
            SetLastErrorFromErrno();
            return -1;
        }
        if (deadline.Passed()) return 0;
        pollfd p{fd, POLLIN, 0};
        const int rc = PollUntil(&p, 1, deadline);
        if (rc < 0) {
            SetLastErrorFromErrno();
            return -1;
        }
        if (rc == 0) return 0;
        // With no one on the line the master reports a hang-up at once; wait out the
        // deadline in small steps rather than spinning.
        if ((p.revents & POLLHUP) && !(p.revents & POLLIN))
            ::poll(nullptr, 0, std::min(deadline.PollTimeout(), 10));
    }
}

}  // namespace platform
