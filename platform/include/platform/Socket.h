// Blocking IPv4 TCP sockets: a socket that owns its descriptor, a listener on a local port
// (port 0 takes a free one), and reads and writes with deadlines on any descriptor.
//
// Failures answer false or -1 and leave the socket error in the thread's last error
// (WSAGetLastError). A socket is used by one thread at a time; the exception is the observer
// hook, through which network-event waits (NetworkEvents.h) learn of the calls that re-arm
// their notifications.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/SocketAddress.h"

namespace platform {

// Calls on a socket that a network-event wait must know of, made on the calling thread.
enum class SocketActivity {
    ConnectStarted,  // a non-blocking connect is under way
    Connected,       // a connect completed at once
    Listening,
    Received,     // a receive was tried (re-arms the read notification)
    SendBlocked,  // a send was refused as would-block (re-arms the write notification)
    Accepted,     // an accept was tried (re-arms the accept notification)
    Closing,      // the descriptor is about to be closed
};

class SocketObserver {
public:
    virtual void OnSocketActivity(SocketActivity activity) = 0;

protected:
    ~SocketObserver() = default;
};

enum class ShutdownHow { Receive, Send, Both };

class Socket {
public:
    Socket() = default;
    // Adopts a connected descriptor.
    explicit Socket(int fd) noexcept : m_fd(fd) {}
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // A new IPv4 stream socket (blocking); an open one is closed first.
    [[nodiscard]] bool Create();
    [[nodiscard]] bool Bind(const SocketAddress& local);
    [[nodiscard]] bool Listen(int backlog);
    // Accepts one connection. timeoutMs < 0 waits without limit; expiry gives WSAETIMEDOUT.
    // On a non-blocking socket with nothing waiting: WSAEWOULDBLOCK.
    [[nodiscard]] bool Accept(Socket& client, int timeoutMs = -1, SocketAddress* peer = nullptr);

    // On a blocking socket: connects within timeoutMs (< 0: the system's own limit; expiry
    // gives WSAETIMEDOUT). On a non-blocking socket: starts the connect and answers false
    // with WSAEWOULDBLOCK while it is under way (true when it completed at once).
    [[nodiscard]] bool Connect(const SocketAddress& remote, int timeoutMs = -1);
    // As above after resolving host (a dotted address is used as is).
    [[nodiscard]] bool Connect(std::string_view host, std::uint16_t port, int timeoutMs = -1);

    // One send: the bytes taken, or -1 (WSAEWOULDBLOCK when a non-blocking socket is full).
    [[nodiscard]] int Send(std::span<const std::uint8_t> data);
    // Sends every byte, waiting for room; false on failure or when timeoutMs (< 0: none)
    // passes first (WSAETIMEDOUT).
    [[nodiscard]] bool SendAll(std::span<const std::uint8_t> data, int timeoutMs = -1);
    // One receive: the bytes read, 0 when the peer has closed, -1 on failure. timeoutMs >= 0
    // bounds the wait (WSAETIMEDOUT); a non-blocking socket with nothing gives WSAEWOULDBLOCK.
    [[nodiscard]] int Receive(std::span<std::uint8_t> buffer, int timeoutMs = -1);
    // Reads until the buffer is full or the peer closes: the bytes read (short when the peer
    // closed first), or -1 on failure or when timeoutMs (< 0: none) passes first.
    [[nodiscard]] int ReceiveAll(std::span<std::uint8_t> buffer, int timeoutMs = -1);

    [[nodiscard]] bool Shutdown(ShutdownHow how);
    [[nodiscard]] bool SetNonBlocking(bool on);
    [[nodiscard]] bool SetNoDelay(bool on);
    [[nodiscard]] bool SetKeepAlive(bool on);
    // on = false: close at once in the background; on = true: close waits up to seconds for
    // unsent data (0: close resets the connection).
    [[nodiscard]] bool SetLinger(bool on, int seconds);
    [[nodiscard]] bool SetReuseAddress(bool on);
    [[nodiscard]] bool SetReceiveBufferSize(int bytes);
    [[nodiscard]] bool GetReceiveBufferSize(int& bytes) const;
    [[nodiscard]] bool SetSendBufferSize(int bytes);
    [[nodiscard]] bool GetSendBufferSize(int& bytes) const;
    [[nodiscard]] bool LocalAddress(SocketAddress& out) const;
    [[nodiscard]] bool PeerAddress(SocketAddress& out) const;
    // Bytes that a receive would give at once.
    [[nodiscard]] bool Available(int& bytes) const;
    // Takes (and clears) the socket's pending error as a socket error number.
    [[nodiscard]] int TakePendingError();

    void Close() noexcept;
    // Gives up the descriptor without closing it.
    int Release() noexcept;
    int Fd() const noexcept { return m_fd; }
    bool IsOpen() const noexcept { return m_fd >= 0; }

    void SetObserver(SocketObserver* observer) noexcept { m_observer.store(observer); }
    SocketObserver* Observer() const noexcept { return m_observer.load(); }

private:
    void Notify(SocketActivity activity) const;
    [[nodiscard]] bool SetIntOption(int level, int name, int value);
    [[nodiscard]] bool GetIntOption(int level, int name, int& value) const;

    int m_fd = -1;
    bool m_sendShut = false;
    std::atomic<SocketObserver*> m_observer{nullptr};
};

// A listening socket on a local address; port 0 takes a free port, which Address() reports.
class Listener {
public:
    [[nodiscard]] bool Listen(const SocketAddress& local, int backlog = 16);
    [[nodiscard]] bool Accept(Socket& client, int timeoutMs = -1, SocketAddress* peer = nullptr) {
        return m_socket.Accept(client, timeoutMs, peer);
    }
    const SocketAddress& Address() const noexcept { return m_address; }
    std::uint16_t Port() const noexcept { return m_address.port; }
    Socket& Raw() noexcept { return m_socket; }
    void Close() noexcept { m_socket.Close(); }
    bool IsOpen() const noexcept { return m_socket.IsOpen(); }

private:
    Socket m_socket;
    SocketAddress m_address;
};

// Reads and writes on any descriptor (socket, pipe, pseudo-terminal) with deadlines.
// FdRead: bytes read, 0 at end of stream (a pseudo-terminal whose other side has gone counts
// as ended), -1 on failure or when timeoutMs (< 0: none) passes first (WSAETIMEDOUT).
[[nodiscard]] int FdRead(int fd, std::span<std::uint8_t> buffer, int timeoutMs);
// Writes every byte within timeoutMs (< 0: none).
[[nodiscard]] bool FdWriteAll(int fd, std::span<const std::uint8_t> data, int timeoutMs);

}  // namespace platform
