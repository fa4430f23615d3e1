// An asynchronous TCP socket that reports to the event loop of its owner's thread: connect,
// accept, read, write and close notifications arrive as virtual calls on that thread, in the
// order sockets have always given them.
//
// - A connect is always pending: Connect answers false with WSAEWOULDBLOCK and the outcome
//   comes as OnConnect(error); a successful connect is followed by OnSend(0).
// - OnReceive is given once and again only after the owner has called Receive (and there is
//   still, or again, data waiting). OnClose comes once, after every byte that came before the
//   close has been read: 0 for an orderly close, the socket error of a reset.
// - OnSend comes once the socket is connected (or accepted) and again only after a Send was
//   refused with WSAEWOULDBLOCK and the socket can take data once more.
// - After Close (or destruction) no notification is given for the socket.
//
// Every call but PostClose is made on the owner's thread (the loop's). Locks: none; the one
// piece of state shared with other threads is the loop's message queue.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "platform/EventLoop.h"
#include "platform/NetworkEvents.h"
#include "platform/Socket.h"

namespace platform {

class SocketEventState;

class AsyncSocket : private SocketObserver {
public:
    // Where a close notice for a socket goes: its loop target and the socket's identity,
    // which a socket made anew does not share.
    struct CloseNotice {
        HWND window = 0;
        std::uint64_t socketId = 0;
    };

    // The socket reports on loop (by default, the calling thread's).
    explicit AsyncSocket(EventLoop* loop = EventLoop::Current());
    virtual ~AsyncSocket();
    AsyncSocket(const AsyncSocket&) = delete;
    AsyncSocket& operator=(const AsyncSocket&) = delete;

    // A new stream socket bound to the local port (0: any) and address (empty: any), reporting
    // the events selected. A socket already open is closed first.
    [[nodiscard]] bool Create(std::uint16_t localPort = 0, long events = FD_ALL_EVENTS,
                              std::string_view localAddress = {});
    // Changes the events reported.
    [[nodiscard]] bool AsyncSelect(long events = FD_ALL_EVENTS);

    // Starts a connect; the host is a dotted address or a name resolved here (a name that
    // cannot be resolved fails at once with its socket error). Answers false with
    // WSAEWOULDBLOCK when the connect is under way; any other error means it did not start.
    [[nodiscard]] bool Connect(std::string_view host, std::uint16_t port);
    [[nodiscard]] bool Connect(const SocketAddress& remote);

    [[nodiscard]] bool Listen(int backlog = 5);
    // Takes a waiting connection into connected (which reports on its own loop with the
    // events this socket selected). False with WSAEWOULDBLOCK when none waits.
    [[nodiscard]] bool Accept(AsyncSocket& connected, SocketAddress* peer = nullptr);

    // The bytes taken (maybe fewer than given), or -1: WSAEWOULDBLOCK when the socket is full.
    [[nodiscard]] int Send(std::span<const std::uint8_t> data);
    // The bytes read, 0 when the peer has closed, -1: WSAEWOULDBLOCK when nothing waits.
    [[nodiscard]] int Receive(std::span<std::uint8_t> buffer);
    [[nodiscard]] bool ShutDown(ShutdownHow how = ShutdownHow::Send);
    void Close();

    [[nodiscard]] bool GetSockName(SocketAddress& out) const { return m_socket.LocalAddress(out); }
    [[nodiscard]] bool GetPeerName(SocketAddress& out) const { return m_socket.PeerAddress(out); }
    // The socket itself, for options (buffer sizes, no-delay, keep-alive, linger).
    Socket& Handle() { return m_socket; }
    bool IsOpen() const { return m_socket.IsOpen(); }

    // Where to send a close notice for this socket (taken on the owner's thread).
    CloseNotice Notice() const { return CloseNotice{m_window, m_id}; }
    // Any thread: has the owner's loop call OnClose(error) on the socket named, as a close by
    // the peer would, unless it has been closed or made anew by then. False when its loop
    // target is gone.
    static bool PostClose(const CloseNotice& notice, int error);

protected:
    virtual void OnAccept(int error);
    virtual void OnConnect(int error);
    virtual void OnReceive(int error);
    virtual void OnSend(int error);
    virtual void OnClose(int error);

private:
    class NoticeTarget;

    void OnSocketActivity(SocketActivity activity) override;
    void Attach(Socket&& socket, long events);
    bool Open(long events);
    void UpdateWatch();
    void OnReady(unsigned loopEvents);
    void Dispatch(const NetworkEventRecord& record);
    void OnNotice(std::uint64_t socketId, int error);

    EventLoop* m_loop;
    Socket m_socket;
    std::unique_ptr<SocketEventState> m_state;
    std::unique_ptr<NoticeTarget> m_target;
    HWND m_window = 0;
    std::uint64_t m_id = 0;  // 0 while closed
    int m_watchedFd = -1;
    unsigned m_watchedEvents = 0;
    // Cleared by the destructor, so that a notification whose handler destroyed the object
    // goes no further.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

}  // namespace platform
