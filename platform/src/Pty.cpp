#include "platform/Pty.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <utility>

#include "platform/Win32Error.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
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
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
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
        const int wait = RemainingMs(deadline);
        pollfd p{fd, POLLOUT, 0};
        if (wait == 0 || ::poll(&p, 1, wait) == 0) {
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
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const ssize_t n = ::read(fd, out.data(), out.size());
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        // EIO on the master: no one has the line open at the moment; nothing to read.
        if (errno != EAGAIN && !(errno == EIO && side == Side::Master)) {
            SetLastErrorFromErrno();
            return -1;
        }
        const int wait = RemainingMs(deadline);
        if (wait == 0) return 0;
        pollfd p{fd, POLLIN, 0};
        const int rc = ::poll(&p, 1, wait);
        if (rc == 0) return 0;
        // With no one on the line the master reports a hang-up at once; wait out the
        // deadline in small steps rather than spinning.
        if (rc > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN))
            ::poll(nullptr, 0, std::min(wait, 10));
    }
}

}  // namespace platform
