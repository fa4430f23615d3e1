#include "platform/AsyncSocket.h"

#include <poll.h>

#include <atomic>

#include "SocketEventState.h"
#include "platform/WinsockError.h"

namespace platform {

namespace {

// The socket notification message, carrying the socket's identity and an error code.
constexpr UINT kSocketNotify = 0x0373;

std::atomic<std::uint64_t> g_nextSocketId{1};

unsigned LoopEventsOf(short interest) {
    unsigned events = 0;
    if (interest & (POLLIN | POLLRDHUP)) events |= EventLoop::Readable;
    if (interest & POLLOUT) events |= EventLoop::Writable;
    return events;
}

short PollEventsOf(unsigned loopEvents) {
    short events = 0;
    if (loopEvents & EventLoop::Readable) events |= POLLIN;
    if (loopEvents & EventLoop::Writable) events |= POLLOUT;
    if (loopEvents & EventLoop::Error) events |= POLLERR;
    if (loopEvents & EventLoop::HangUp) events |= POLLHUP;
    return events;
}

}  // namespace

class AsyncSocket::NoticeTarget final : public IMessageTarget {
public:
    explicit NoticeTarget(AsyncSocket& owner) : m_owner(owner) {}
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == kSocketNotify) m_owner.OnNotice(wParam, static_cast<int>(lParam));
        return 0;
    }

private:
    AsyncSocket& m_owner;
};

AsyncSocket::AsyncSocket(EventLoop* loop)
    : m_loop(loop),
      m_state(std::make_unique<SocketEventState>()),
      m_target(std::make_unique<NoticeTarget>(*this)) {
    if (m_loop != nullptr) m_window = m_loop->AddTarget(*m_target);
}

AsyncSocket::~AsyncSocket() {
    *m_alive = false;
    Close();
    if (m_loop != nullptr && m_window != 0) m_loop->RemoveTarget(m_window);
}

void AsyncSocket::OnAccept(int) {}
void AsyncSocket::OnConnect(int) {}
void AsyncSocket::OnReceive(int) {}
void AsyncSocket::OnSend(int) {}
void AsyncSocket::OnClose(int) {}

bool AsyncSocket::Open(long events) {
    if (m_loop == nullptr) {
        m_socket.Close();
        WSASetLastError(WSANOTINITIALISED);
        return false;
    }
    if (!m_socket.SetNonBlocking(true)) {
        const int error = WSAGetLastError();
        m_socket.Close();
        WSASetLastError(error);
        return false;
    }
    m_id = g_nextSocketId.fetch_add(1);
    m_socket.SetObserver(this);
    m_state->Select(m_socket.Fd(), events & FD_ALL_EVENTS);
    UpdateWatch();
    return true;
}

bool AsyncSocket::Create(std::uint16_t localPort, long events, std::string_view localAddress) {
    Close();
    SocketAddress local = SocketAddress::Any(localPort);
    if (!localAddress.empty()) {
        const auto ip = InetAddr(localAddress);
        if (!ip) {
            WSASetLastError(WSAEINVAL);
            return false;
        }
        local.ip = *ip;
    }
    if (!m_socket.Create()) return false;
    // A fixed local port is taken again at once when a connection on it has just ended.
    if ((localPort != 0 && !m_socket.SetReuseAddress(true)) || !m_socket.Bind(local)) {
        const int error = WSAGetLastError();
        m_socket.Close();
        WSASetLastError(error);
        return false;
    }
    return Open(events);
}

void AsyncSocket::Attach(Socket&& socket, long events) {
    Close();
    m_socket = std::move(socket);
    (void)Open(events);
}

bool AsyncSocket::AsyncSelect(long events) {
    if (!m_socket.IsOpen()) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    m_state->Select(m_socket.Fd(), events & FD_ALL_EVENTS);
    UpdateWatch();
    return true;
}

bool AsyncSocket::Connect(std::string_view host, std::uint16_t port) {
    SocketAddress remote;
    if (ResolveAddress(host, port, remote) != 0) return false;
    return Connect(remote);
}

bool AsyncSocket::Connect(const SocketAddress& remote) {
    if (m_socket.Connect(remote)) {
        // Done at once (it happens on loopback): report it as any other connect, through
        // OnConnect and then OnSend.
        m_state->OnActivity(SocketActivity::ConnectStarted);
        UpdateWatch();
        WSASetLastError(WSAEWOULDBLOCK);
    }
    return false;
}

bool AsyncSocket::Listen(int backlog) {
    return m_socket.Listen(backlog);
}

bool AsyncSocket::Accept(AsyncSocket& connected, SocketAddress* peer) {
    Socket client;
    if (!m_socket.Accept(client, -1, peer)) return false;
    connected.Attach(std::move(client), m_state->Selected());
    return connected.IsOpen();
}

int AsyncSocket::Send(std::span<const std::uint8_t> data) {
    return m_socket.Send(data);
}

int AsyncSocket::Receive(std::span<std::uint8_t> buffer) {
    return m_socket.Receive(buffer);
}

bool AsyncSocket::ShutDown(ShutdownHow how) {
    return m_socket.Shutdown(how);
}

void AsyncSocket::Close() {
    m_socket.Close();  // the observer hook ends the watch before the descriptor goes
    m_socket.SetObserver(nullptr);
    m_id = 0;
}

void AsyncSocket::OnSocketActivity(SocketActivity activity) {
    m_state->OnActivity(activity);
    UpdateWatch();
}

void AsyncSocket::UpdateWatch() {
    const int fd = m_socket.Fd();
    const unsigned wanted = fd >= 0 ? LoopEventsOf(m_state->Interest()) : 0;
    if (m_watchedFd >= 0 && (wanted == 0 || m_watchedFd != fd)) {
        // Error and hang-up would come back on every turn of a paused watch: end it instead.
        m_loop->RemoveWatch(m_watchedFd);
        m_watchedFd = -1;
        m_watchedEvents = 0;
    }
    if (wanted == 0) return;
    if (m_watchedFd < 0) {
        if (m_loop->AddWatch(fd, wanted, [this](unsigned events) { OnReady(events); })) {
            m_watchedFd = fd;
            m_watchedEvents = wanted;
        }
    } else if (wanted != m_watchedEvents && m_loop->SetWatchEvents(fd, wanted)) {
        m_watchedEvents = wanted;
    }
}

void AsyncSocket::OnReady(unsigned loopEvents) {
    if (!m_socket.IsOpen()) return;
    NetworkEventRecord record;
    m_state->Process(m_socket.Fd(), PollEventsOf(loopEvents), record);
    UpdateWatch();
    Dispatch(record);
}

void AsyncSocket::Dispatch(const NetworkEventRecord& record) {
    struct Step {
        long bit;
        void (AsyncSocket::*handler)(int);
    };
    static constexpr Step kOrder[] = {
        {FD_ACCEPT, &AsyncSocket::OnAccept}, {FD_CONNECT, &AsyncSocket::OnConnect},
        {FD_READ, &AsyncSocket::OnReceive},  {FD_WRITE, &AsyncSocket::OnSend},
        {FD_CLOSE, &AsyncSocket::OnClose},
    };
    const std::shared_ptr<bool> alive = m_alive;
    const std::uint64_t id = m_id;
    for (const Step& step : kOrder) {
        if (!record.Has(step.bit)) continue;
        // A handler may have closed the socket, made it anew, or destroyed this object.
        if (!*alive || m_id != id || id == 0) return;
        (this->*step.handler)(record.ErrorOf(step.bit));
    }
}

void AsyncSocket::OnNotice(std::uint64_t socketId, int error) {
    if (socketId == 0 || socketId != m_id) return;
    NetworkEventRecord record;
    record.Add(FD_CLOSE, error);
    Dispatch(record);
}

bool AsyncSocket::PostClose(const CloseNotice& notice, int error) {
    return PostMessage(notice.window, kSocketNotify, static_cast<WPARAM>(notice.socketId),
                       static_cast<LPARAM>(error));
}

}  // namespace platform
