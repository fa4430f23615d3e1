#include "SocketEventState.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "platform/WinsockError.h"

namespace platform {

namespace {

SocketEventState::Phase PhaseOf(int fd) {
    int listening = 0;
    socklen_t length = sizeof listening;
    if (::getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &length) == 0 && listening) {
        return SocketEventState::Phase::Listening;
    }
    sockaddr_storage peer{};
    length = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
        return SocketEventState::Phase::Connected;
    }
    tcp_info info{};
    length = sizeof info;
    if (::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &length) == 0 &&
        info.tcpi_state == TCP_SYN_SENT) {
        return SocketEventState::Phase::Connecting;
    }
    return SocketEventState::Phase::Idle;
}

int PendingError(int fd) {
    int err = 0;
    socklen_t length = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &length) != 0) err = errno;
    return WinsockErrorFromErrno(err);
}

}  // namespace

void SocketEventState::Select(int fd, long events) {
    m_phase = PhaseOf(fd);
    m_events = events;
    m_readArmed = m_writeArmed = m_acceptArmed = true;
    m_endOfStream = false;
    m_parked = false;
}

void SocketEventState::Clear() {
    m_phase = Phase::Idle;
    m_events = 0;
    m_parked = false;
}

void SocketEventState::OnActivity(SocketActivity activity) {
    switch (activity) {
        case SocketActivity::ConnectStarted:
            m_phase = Phase::Connecting;
            break;
        case SocketActivity::Connected:
            m_phase = Phase::Connected;
            m_readArmed = m_writeArmed = true;
            m_endOfStream = false;
            break;
        case SocketActivity::Listening:
            m_phase = Phase::Listening;
            m_acceptArmed = true;
            break;
        case SocketActivity::Received:
            m_readArmed = true;
            break;
        case SocketActivity::SendBlocked:
            m_writeArmed = true;
            break;
        case SocketActivity::Accepted:
            m_acceptArmed = true;
            break;
        case SocketActivity::Closing:
            Clear();
            return;
    }
    m_parked = false;
}

short SocketEventState::Interest() const {
    if (m_parked || m_events == 0) return 0;
    switch (m_phase) {
        case Phase::Connecting:
            return POLLOUT;
        case Phase::Listening:
            return m_acceptArmed && Wants(FD_ACCEPT) ? POLLIN : 0;
        case Phase::Connected: {
            short bits = 0;
            if (!m_endOfStream) {
                if (Wants(FD_READ)) {
                    if (m_readArmed) bits |= POLLIN | POLLRDHUP;
                } else if (Wants(FD_CLOSE)) {
                    bits |= POLLRDHUP;
                }
            }
            if (m_writeArmed && Wants(FD_WRITE)) bits |= POLLOUT;
            return bits;
        }
        case Phase::Idle:
        case Phase::Closed:
            return 0;
    }
    return 0;
}

void SocketEventState::Report(NetworkEventRecord& out, long eventBit, int error) {
    if (Wants(eventBit)) out.Add(eventBit, error);
}

void SocketEventState::Process(int fd, short revents, NetworkEventRecord& out) {
    if (revents == 0) return;
    const long before = out.events;
    switch (m_phase) {
        case Phase::Connecting: {
            if ((revents & (POLLOUT | POLLERR | POLLHUP)) == 0) break;
            int error = PendingError(fd);
            if (error == 0 && (revents & POLLOUT) == 0) error = WSAECONNREFUSED;
            Report(out, FD_CONNECT, error);
            if (error != 0) {
                m_phase = Phase::Closed;
                break;
            }
            // A connected socket can send at once: the write event follows the connect.
            m_phase = Phase::Connected;
            m_readArmed = true;
            m_writeArmed = false;
            m_endOfStream = false;
            Report(out, FD_WRITE, 0);
            break;
        }
        case Phase::Listening:
            if ((revents & POLLIN) && m_acceptArmed && Wants(FD_ACCEPT)) {
                m_acceptArmed = false;
                Report(out, FD_ACCEPT, 0);
            }
            break;
        case Phase::Connected:
            ProcessConnected(fd, revents, out);
            break;
        case Phase::Idle:
        case Phase::Closed:
            break;
    }
    // Error and hang-up come back on every poll whatever was asked; with nothing to report
    // the descriptor rests until a call on the socket re-arms an event.
    if (out.events == before && (revents & (POLLERR | POLLHUP | POLLNVAL))) m_parked = true;
}

void SocketEventState::ProcessConnected(int fd, short revents, NetworkEventRecord& out) {
    if (revents & POLLERR) {
        int error = PendingError(fd);
        if (error == 0) error = WSAECONNRESET;
        m_phase = Phase::Closed;
        Report(out, FD_CLOSE, error);
        return;
    }
    if (!m_endOfStream && (revents & (POLLIN | POLLRDHUP | POLLHUP))) {
        unsigned char byte;
        const ssize_t peeked = ::recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        if (peeked > 0) {
            if (Wants(FD_READ)) {
                if (m_readArmed) {
                    m_readArmed = false;
                    Report(out, FD_READ, 0);
                }
            } else if (revents & (POLLRDHUP | POLLHUP)) {
                // Nobody reads here, so the close need not wait for the data.
                m_endOfStream = true;
                Report(out, FD_CLOSE, 0);
            }
        } else if (peeked == 0) {
            m_endOfStream = true;
            Report(out, FD_CLOSE, 0);
        } else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            m_phase = Phase::Closed;
            Report(out, FD_CLOSE, WinsockErrorFromErrno(errno));
            return;
        }
    }
    if ((revents & POLLOUT) && m_writeArmed && Wants(FD_WRITE)) {
        m_writeArmed = false;
        Report(out, FD_WRITE, 0);
    }
}

}  // namespace platform
