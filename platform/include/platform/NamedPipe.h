// Named pipes as the program names them ("\\.\PIPE\name"): a message pipe between one
// server and one client at a time. A pipe is a Unix-domain SOCK_SEQPACKET socket at
// MapPath(name) (<root>/run/pipe/name), so one write is one message and the reader gets it
// whole.
//
// Server: Create makes the instance and listens; a client may connect at any time, and the
// server takes it when it next looks (Connect, IsConnected, Write, Peek, Read,
// WaitForInput). Clients that connected before the server took one wait their turn in
// order; one that hung up before its turn is passed over, and a write whose client went
// goes to the next that waits. While a client is connected no new one can open the pipe
// (ERROR_PIPE_BUSY); Disconnect drops the client and takes the next or listens again. A
// client that hangs up is dropped the same way when the server next looks. One server holds a name
// at a time (a lock beside the socket); another gets ERROR_PIPE_BUSY from Create.
//
// Threads: one thread may write (Write, Flush) while another reads (Peek, Read,
// WaitForInput) and a third drops the client or cancels. Every wait is bounded, and Cancel
// ends every wait of the server at once and from then on, so its owner can stop the threads
// that use it.
//
// Failures answer false with the last error set: ERROR_PIPE_LISTENING (no client),
// ERROR_NO_DATA / ERROR_BROKEN_PIPE (the client went), ERROR_TIMEOUT, ERROR_OPERATION_ABORTED
// (cancelled), ERROR_MORE_DATA (a message longer than the buffer; the rest of it is dropped).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/Mutex.h"
#include "platform/Win32Error.h"

namespace platform {

namespace detail {
struct PipeFd;
}

class NamedPipeServer {
public:
    NamedPipeServer();
    ~NamedPipeServer();
    NamedPipeServer(const NamedPipeServer&) = delete;
    NamedPipeServer& operator=(const NamedPipeServer&) = delete;

    // Makes the pipe's instance and listens for a client; an instance this server had is
    // closed first (a new instance of the same name keeps the clients waiting their turn).
    // bufferSize sizes the pipe's buffers each way.
    [[nodiscard]] bool Create(std::string_view pipeName, DWORD bufferSize);
    [[nodiscard]] bool IsCreated() const;
    // Waits up to timeoutMs (< 0: without limit, but for Cancel) for a client; true when one
    // is connected.
    [[nodiscard]] bool Connect(int timeoutMs);
    // Takes a client that is waiting, without waiting: true when one is connected.
    [[nodiscard]] bool IsConnected();
    // Drops the connected client (if any) and listens for the next one.
    [[nodiscard]] bool Disconnect();

    // Writes one message (at most the room the socket has for one message) within
    // timeoutMs; written is the count taken.
    [[nodiscard]] bool Write(std::span<const std::uint8_t> message, DWORD& written, int timeoutMs);
    // Waits up to timeoutMs until the client has read everything written to it.
    [[nodiscard]] bool Flush(int timeoutMs);
    // Copies up to out.size() bytes of the next message without taking it; read is 0 when
    // no message waits.
    [[nodiscard]] bool Peek(std::span<std::uint8_t> out, DWORD& read);
    // Takes the next message, waiting up to timeoutMs for one.
    [[nodiscard]] bool Read(std::span<std::uint8_t> out, DWORD& read, int timeoutMs);
    // Waits up to timeoutMs until a client connects or sends, or the client goes: true when
    // the server should look (Peek), false on time-out or cancel.
    [[nodiscard]] bool WaitForInput(int timeoutMs);

    // Ends every wait of this server now and from now on.
    void Cancel();
    // Drops the client, stops listening and removes the pipe's name.
    void Close();

private:
    // The most clients taken from the listener's queue at one look.
    static constexpr std::size_t kMaxPendingClients = 16;

    std::shared_ptr<detail::PipeFd> TakeClient() TREVO_EXCLUDES(m_lock);
    bool TakeClientLocked() TREVO_REQUIRES(m_lock);
    bool AcceptPendingLocked() TREVO_REQUIRES(m_lock);
    bool ListenLocked() TREVO_REQUIRES(m_lock);
    // Takes the name's lock file: its descriptor, or -1 (last error set; ERROR_PIPE_BUSY
    // when another server holds the name).
    static int LockName(const std::filesystem::path& path);
    void DropClient(const std::shared_ptr<detail::PipeFd>& client) TREVO_EXCLUDES(m_lock);
    void DropClientLocked() TREVO_REQUIRES(m_lock);
    void CloseLocked() TREVO_REQUIRES(m_lock);
    // Polls fd for events (and the cancel descriptor) up to timeoutMs: the events seen, 0 on
    // time-out, -1 when cancelled or failed (last error set).
    int PollWithCancel(int fd, short events, int timeoutMs) const;

    mutable Mutex m_lock;  // guards the descriptors below (never held across a wait)
    std::filesystem::path m_path TREVO_GUARDED_BY(m_lock);
    DWORD m_bufferSize TREVO_GUARDED_BY(m_lock) = 0;
    int m_nameLockFd TREVO_GUARDED_BY(m_lock) = -1;
    std::shared_ptr<detail::PipeFd> m_listener TREVO_GUARDED_BY(m_lock);
    std::shared_ptr<detail::PipeFd> m_client TREVO_GUARDED_BY(m_lock);
    // Connected, waiting their turn.
    std::deque<std::shared_ptr<detail::PipeFd>> m_pending TREVO_GUARDED_BY(m_lock);
    int m_cancelFd = -1;  // made with the server, closed with it
};

class NamedPipeClient {
public:
    NamedPipeClient() = default;
    ~NamedPipeClient();
    NamedPipeClient(const NamedPipeClient&) = delete;
    NamedPipeClient& operator=(const NamedPipeClient&) = delete;

    // Opens the pipe, waiting up to timeoutMs while it does not exist yet
    // (ERROR_FILE_NOT_FOUND) or its instance is busy with another client (ERROR_PIPE_BUSY).
    [[nodiscard]] bool Open(std::string_view pipeName, int timeoutMs = 0);
    // Writes one message.
    [[nodiscard]] bool Write(std::span<const std::uint8_t> message, int timeoutMs = 5000);
    // Reads one message whole, waiting up to timeoutMs; a message longer than maxSize is
    // dropped with ERROR_MORE_DATA before anything is allocated for it.
    [[nodiscard]] bool ReadMessage(std::vector<std::uint8_t>& out, int timeoutMs,
                                   std::size_t maxSize = 1u << 20);
    void Close() noexcept;
    [[nodiscard]] bool IsOpen() const noexcept { return m_fd >= 0; }

private:
    int m_fd = -1;
};

}  // namespace platform
