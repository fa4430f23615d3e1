#include "platform/Socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "Deadline.h"
#include "platform/WinsockError.h"

namespace platform {

namespace {

int Fail(int code) {
    WSASetLastError(code);
    return code;
}

bool FailFromErrno() {
    SetWinsockErrorFromErrno();
    return false;
}

// Waits until fd is ready for events. 1 ready (also on error or hang-up, which the next call
// reports), 0 time-out, -1 failure; the last error is set for the last two.
int WaitFor(int fd, short events, const IoDeadline& deadline) {
    pollfd entry{fd, events, 0};
    const int rc = PollUntil(&entry, 1, deadline);
    if (rc > 0) {
        if (entry.revents & POLLNVAL) {
            Fail(WSAENOTSOCK);
            return -1;
        }
        return 1;
    }
    if (rc == 0) {
        Fail(WSAETIMEDOUT);
        return 0;
    }
    SetWinsockErrorFromErrno();
    return -1;
}

sockaddr_in ToSockaddr(const SocketAddress& address) {
    sockaddr_in in{};
    in.sin_family = AF_INET;
    in.sin_port = htons(address.port);
    in.sin_addr.s_addr = htonl(address.ip);
    return in;
}

SocketAddress FromSockaddr(const sockaddr_in& in) {
    return SocketAddress{ntohl(in.sin_addr.s_addr), ntohs(in.sin_port)};
}

bool IsNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0;
}

bool SetFlag(int fd, bool on) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) return false;
    const int wanted = on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return wanted == flags || ::fcntl(fd, F_SETFL, wanted) == 0;
}

}  // namespace

Socket::~Socket() {
    Close();
}

Socket::Socket(Socket&& other) noexcept : m_fd(other.m_fd), m_sendShut(other.m_sendShut) {
    // A selection for network events belongs to the socket object it was made on.
    other.Notify(SocketActivity::Closing);
    other.m_observer.store(nullptr);
    other.m_fd = -1;
    other.m_sendShut = false;
}

Socket& Socket::operator=(Socket&& other) noexcept {
    if (this != &other) {
        Close();
        other.Notify(SocketActivity::Closing);
        other.m_observer.store(nullptr);
        m_fd = other.m_fd;
        m_sendShut = other.m_sendShut;
        other.m_fd = -1;
        other.m_sendShut = false;
    }
    return *this;
}

void Socket::Notify(SocketActivity activity) const {
    if (SocketObserver* observer = m_observer.load()) observer->OnSocketActivity(activity);
}

bool Socket::Create() {
    Close();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) return FailFromErrno();
    m_fd = fd;
    m_sendShut = false;
    return true;
}

bool Socket::Bind(const SocketAddress& local) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    const sockaddr_in in = ToSockaddr(local);
    if (::bind(m_fd, reinterpret_cast<const sockaddr*>(&in), sizeof in) != 0) {
        return FailFromErrno();
    }
    return true;
}

bool Socket::Listen(int backlog) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    if (::listen(m_fd, backlog) != 0) return FailFromErrno();
    Notify(SocketActivity::Listening);
    return true;
}

bool Socket::Accept(Socket& client, int timeoutMs, SocketAddress* peer) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    if (timeoutMs >= 0 && WaitFor(m_fd, POLLIN, deadline) <= 0) return false;
    sockaddr_in in{};
    socklen_t length = sizeof in;
    int fd;
    do {
        fd = ::accept4(m_fd, reinterpret_cast<sockaddr*>(&in), &length, SOCK_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    const int err = errno;
    Notify(SocketActivity::Accepted);
    if (fd < 0) {
        errno = err;
        return FailFromErrno();
    }
    client = Socket(fd);
    if (peer != nullptr) *peer = FromSockaddr(in);
    return true;
}

bool Socket::Connect(const SocketAddress& remote, int timeoutMs) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    const bool nonBlocking = IsNonBlocking(m_fd);
    if (!nonBlocking && !SetFlag(m_fd, true)) return FailFromErrno();
    const sockaddr_in in = ToSockaddr(remote);
    int rc;
    do {
        rc = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&in), sizeof in);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        if (!nonBlocking) (void)SetFlag(m_fd, false);
        Notify(SocketActivity::Connected);
        return true;
    }
    if (errno != EINPROGRESS) {
        const int err = errno;
        if (!nonBlocking) (void)SetFlag(m_fd, false);
        errno = err;
        return FailFromErrno();
    }
    if (nonBlocking) {
        Notify(SocketActivity::ConnectStarted);
        return Fail(WSAEWOULDBLOCK), false;
    }
    const int ready = WaitFor(m_fd, POLLOUT, IoDeadline::FromTimeout(timeoutMs));
    (void)SetFlag(m_fd, false);
    if (ready <= 0) return false;
    const int pending = TakePendingError();
    if (pending != 0) return Fail(pending), false;
    Notify(SocketActivity::Connected);
    return true;
}

bool Socket::Connect(std::string_view host, std::uint16_t port, int timeoutMs) {
    SocketAddress remote;
    if (ResolveAddress(host, port, remote) != 0) return false;
    return Connect(remote, timeoutMs);
}

int Socket::Send(std::span<const std::uint8_t> data) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), -1;
    if (m_sendShut) return Fail(WSAESHUTDOWN), -1;
    ssize_t sent;
    do {
        sent = ::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent >= 0) return static_cast<int>(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
        Notify(SocketActivity::SendBlocked);
        return Fail(WSAEWOULDBLOCK), -1;
    }
    SetWinsockErrorFromErrno();
    return -1;
}

bool Socket::SendAll(std::span<const std::uint8_t> data, int timeoutMs) {
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    std::size_t done = 0;
    while (done < data.size()) {
        const int sent = Send(data.subspan(done));
        if (sent > 0) {
            done += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && WSAGetLastError() != WSAEWOULDBLOCK) return false;
        if (WaitFor(m_fd, POLLOUT, deadline) <= 0) return false;
    }
    return true;
}

int Socket::Receive(std::span<std::uint8_t> buffer, int timeoutMs) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), -1;
    if (timeoutMs >= 0 && WaitFor(m_fd, POLLIN, IoDeadline::FromTimeout(timeoutMs)) <= 0) return -1;
    ssize_t got;
    do {
        got = ::recv(m_fd, buffer.data(), buffer.size(), 0);
    } while (got < 0 && errno == EINTR);
    const int err = errno;
    Notify(SocketActivity::Received);
    if (got >= 0) return static_cast<int>(got);
    return Fail(err == EAGAIN || err == EWOULDBLOCK ? WSAEWOULDBLOCK : WinsockErrorFromErrno(err)),
           -1;
}

int Socket::ReceiveAll(std::span<std::uint8_t> buffer, int timeoutMs) {
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    std::size_t done = 0;
    while (done < buffer.size()) {
        const int got = Receive(buffer.subspan(done), deadline.PollTimeout());
        if (got == 0) break;
        if (got < 0) {
            if (WSAGetLastError() != WSAEWOULDBLOCK) return -1;
            if (WaitFor(m_fd, POLLIN, deadline) <= 0) return -1;
            continue;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<int>(done);
}

bool Socket::Shutdown(ShutdownHow how) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    const int mode = how == ShutdownHow::Receive ? SHUT_RD
                     : how == ShutdownHow::Send  ? SHUT_WR
                                                 : SHUT_RDWR;
    if (::shutdown(m_fd, mode) != 0) return FailFromErrno();
    if (how != ShutdownHow::Receive) m_sendShut = true;
    return true;
}

bool Socket::SetNonBlocking(bool on) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    return SetFlag(m_fd, on) || FailFromErrno();
}

bool Socket::SetIntOption(int level, int name, int value) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    if (::setsockopt(m_fd, level, name, &value, sizeof value) != 0) return FailFromErrno();
    return true;
}

bool Socket::GetIntOption(int level, int name, int& value) const {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    socklen_t length = sizeof value;
    if (::getsockopt(m_fd, level, name, &value, &length) != 0) return FailFromErrno();
    return true;
}

bool Socket::SetNoDelay(bool on) {
    return SetIntOption(IPPROTO_TCP, TCP_NODELAY, on ? 1 : 0);
}

bool Socket::SetKeepAlive(bool on) {
    return SetIntOption(SOL_SOCKET, SO_KEEPALIVE, on ? 1 : 0);
}

bool Socket::SetLinger(bool on, int seconds) {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    if (seconds < 0) return Fail(WSAEINVAL), false;
    linger value{on ? 1 : 0, seconds};
    if (::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &value, sizeof value) != 0) {
        return FailFromErrno();
    }
    return true;
}

bool Socket::SetReuseAddress(bool on) {
    return SetIntOption(SOL_SOCKET, SO_REUSEADDR, on ? 1 : 0);
}

bool Socket::SetReceiveBufferSize(int bytes) {
    return SetIntOption(SOL_SOCKET, SO_RCVBUF, bytes);
}

bool Socket::GetReceiveBufferSize(int& bytes) const {
    return GetIntOption(SOL_SOCKET, SO_RCVBUF, bytes);
}

bool Socket::SetSendBufferSize(int bytes) {
    return SetIntOption(SOL_SOCKET, SO_SNDBUF, bytes);
}

bool Socket::GetSendBufferSize(int& bytes) const {
    return GetIntOption(SOL_SOCKET, SO_SNDBUF, bytes);
}

bool Socket::LocalAddress(SocketAddress& out) const {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    sockaddr_in in{};
    socklen_t length = sizeof in;
    if (::getsockname(m_fd, reinterpret_cast<sockaddr*>(&in), &length) != 0) {
        return FailFromErrno();
    }
    out = FromSockaddr(in);
    return true;
}

bool Socket::PeerAddress(SocketAddress& out) const {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    sockaddr_in in{};
    socklen_t length = sizeof in;
    if (::getpeername(m_fd, reinterpret_cast<sockaddr*>(&in), &length) != 0) {
        return FailFromErrno();
    }
    out = FromSockaddr(in);
    return true;
}

bool Socket::Available(int& bytes) const {
    if (m_fd < 0) return Fail(WSAENOTSOCK), false;
    if (::ioctl(m_fd, FIONREAD, &bytes) != 0) return FailFromErrno();
    return true;
}

int Socket::TakePendingError() {
    int err = 0;
    if (!GetIntOption(SOL_SOCKET, SO_ERROR, err)) return WSAGetLastError();
    return WinsockErrorFromErrno(err);
}

void Socket::Close() noexcept {
    if (m_fd < 0) return;
    Notify(SocketActivity::Closing);
    ::close(m_fd);
    m_fd = -1;
    m_sendShut = false;
}

int Socket::Release() noexcept {
    if (m_fd >= 0) Notify(SocketActivity::Closing);
    const int fd = m_fd;
    m_fd = -1;
    m_sendShut = false;
    return fd;
}

bool Listener::Listen(const SocketAddress& local, int backlog) {
    Close();
    if (!m_socket.Create()) return false;
    if (!m_socket.SetReuseAddress(true) || !m_socket.Bind(local) || !m_socket.Listen(backlog) ||
        !m_socket.LocalAddress(m_address)) {
        const int err = WSAGetLastError();
        m_socket.Close();
        WSASetLastError(err);
        return false;
    }
    return true;
}

int FdRead(int fd, std::span<std::uint8_t> buffer, int timeoutMs) {
    if (fd < 0) return Fail(WSAENOTSOCK), -1;
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    for (;;) {
        if (WaitFor(fd, POLLIN, deadline) <= 0) return -1;
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got >= 0) return static_cast<int>(got);
        // The controlling side of a pseudo-terminal reads EIO once the other side has closed.
        if (errno == EIO) return 0;
        if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            SetWinsockErrorFromErrno();
            return -1;
        }
    }
}

bool FdWriteAll(int fd, std::span<const std::uint8_t> data, int timeoutMs) {
    if (fd < 0) return Fail(WSAENOTSOCK), false;
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    std::size_t done = 0;
    while (done < data.size()) {
        if (WaitFor(fd, POLLOUT, deadline) <= 0) return false;
        // A socket whose peer has gone must fail the write, not raise SIGPIPE.
        ssize_t wrote = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (wrote < 0 && errno == ENOTSOCK) {
            wrote = ::write(fd, data.data() + done, data.size() - done);
        }
        if (wrote > 0) {
            done += static_cast<std::size_t>(wrote);
        } else if (wrote < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            return FailFromErrno();
        }
    }
    return true;
}

}  // namespace platform
