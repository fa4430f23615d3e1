#include "platform/NamedPipe.h"

#include <fcntl.h>
#include <linux/sockios.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <string>
#include <thread>

#include "Deadline.h"
#include "UnixAddress.h"
#include "platform/FileOps.h"
#include "platform/Path.h"

namespace platform {

namespace detail {

// A descriptor kept open for as long as any thread still uses it, so that a thread that
// drops the client never closes a descriptor another thread is waiting on.
struct PipeFd {
    explicit PipeFd(int f) noexcept : fd(f) {}
    ~PipeFd() {
        if (fd >= 0) ::close(fd);
    }
    PipeFd(const PipeFd&) = delete;
    PipeFd& operator=(const PipeFd&) = delete;
    const int fd;
};

}  // namespace detail

namespace {

// Room for one message on a connection at the least (the system may give more).
constexpr int kMinimumSocketBuffer = 256 * 1024;

// The events of fd before the deadline: 0 on time-out, -1 on failure.
int PollOne(int fd, short events, const IoDeadline& deadline) {
    pollfd p{fd, events, 0};
    const int rc = PollUntil(&p, 1, deadline);
    if (rc < 0) {
        SetLastErrorFromErrno();
        return -1;
    }
    return rc == 0 ? 0 : p.revents;
}

bool HungUp(int fd) {
    const int events = PollOne(fd, POLLIN, IoDeadline::After(0));
    return events > 0 && (events & (POLLHUP | POLLERR)) != 0;
}

void SetBuffers(int fd, DWORD bufferSize) {
    const int size = std::max(kMinimumSocketBuffer,
                              static_cast<int>(std::min<DWORD>(bufferSize, 64u * 1024 * 1024)));
    (void)::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &size, sizeof(size));
    (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof(size));
}

}  // namespace

// --- Server --------------------------------------------------------------------------

NamedPipeServer::NamedPipeServer() : m_cancelFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

NamedPipeServer::~NamedPipeServer() {
    Close();
    if (m_cancelFd >= 0) ::close(m_cancelFd);
}

bool NamedPipeServer::Create(std::string_view pipeName, DWORD bufferSize) {
    const std::filesystem::path path = MapPath(pipeName);
    if (path.empty()) return false;
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeUnixAddress(path, addr, length)) return false;

    Mutex::Guard guard(m_lock);
    // A new instance of the same name keeps the clients that connected to the old one and
    // wait their turn (those still in the listener's queue too).
    std::deque<std::shared_ptr<detail::PipeFd>> waiting;
    if (m_nameLockFd >= 0 && m_path == path) {
        (void)AcceptPendingLocked();
        waiting.swap(m_pending);
    }
    CloseLocked();
    if (!CreateDirectories(path.parent_path())) return false;
    const int lockFd = LockName(path);
    if (lockFd < 0) return false;
    m_nameLockFd = lockFd;
    m_path = path;
    m_bufferSize = bufferSize;
    if (!ListenLocked()) {
        const DWORD error = GetLastError();
        CloseLocked();
        SetLastError(error);
        return false;
    }
    m_pending = std::move(waiting);
    return true;
}

int NamedPipeServer::LockName(const std::filesystem::path& path) {
    std::filesystem::path lockPath = path;
    lockPath += ".lock";
    // The owner removes the lock file as it lets go: a lock taken on a file that was removed
    // (or replaced) meanwhile is no lock, and the file is opened afresh.
    for (int tries = 0; tries < 16; ++tries) {
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kSharedFileMode);
        if (fd < 0) {
            SetLastErrorFromErrno();
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            SetLastError(err == EWOULDBLOCK ? ERROR_PIPE_BUSY : FromErrno(err));
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            return fd;
        ::close(fd);
    }
    SetLastError(ERROR_PIPE_BUSY);
    return -1;
}

bool NamedPipeServer::IsCreated() const {
    Mutex::Guard guard(m_lock);
    return m_nameLockFd >= 0;
}

bool NamedPipeServer::ListenLocked() {
    m_listener.reset();
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeUnixAddress(m_path, addr, length)) return false;
    if (::unlink(m_path.c_str()) != 0 && errno != ENOENT) {
        SetLastErrorFromErrno();
        return false;
    }
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    auto listener = std::make_shared<detail::PipeFd>(fd);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), length) != 0 ||
        ::chmod(m_path.c_str(), kSharedFileMode) != 0 || ::listen(fd, 4) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    m_listener = std::move(listener);
    return true;
}

bool NamedPipeServer::AcceptPendingLocked() {
    if (!m_listener) return true;
    for (std::size_t taken = 0; taken < kMaxPendingClients; ++taken) {
        int fd;
        do {
            fd = ::accept4(m_listener->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
            SetLastErrorFromErrno();
            return false;
        }
        SetBuffers(fd, m_bufferSize);
        m_pending.push_back(std::make_shared<detail::PipeFd>(fd));
    }
    return true;
}

bool NamedPipeServer::TakeClientLocked() {
    if (m_client) return true;
    if (!m_listener && m_pending.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    // Every client that connected so far waits its turn in order; one that hung up before
    // its turn came is passed over.
    if (!AcceptPendingLocked()) return false;
    while (!m_pending.empty()) {
        auto next = std::move(m_pending.front());
        m_pending.pop_front();
        if (HungUp(next->fd)) continue;
        m_client = std::move(next);
        // One client at a time: the name stays, but nobody listens behind it until the
        // client is dropped, so another client is told the pipe is busy. Those that
        // connected before keep their turn.
        m_listener.reset();
        return true;
    }
    if (m_nameLockFd >= 0 && !m_listener && !ListenLocked()) return false;
    SetLastError(ERROR_PIPE_LISTENING);
    return false;
}

std::shared_ptr<detail::PipeFd> NamedPipeServer::TakeClient() {
    Mutex::Guard guard(m_lock);
    return TakeClientLocked() ? m_client : nullptr;
}

void NamedPipeServer::DropClientLocked() {
    if (m_client) {
        ::shutdown(m_client->fd, SHUT_RDWR);  // ends the waits of other threads on it
        m_client.reset();
    }
    if (m_nameLockFd >= 0 && !m_listener && m_pending.empty()) (void)ListenLocked();
}

void NamedPipeServer::DropClient(const std::shared_ptr<detail::PipeFd>& client) {
    Mutex::Guard guard(m_lock);
    if (m_client == client) DropClientLocked();
}

bool NamedPipeServer::Disconnect() {
    Mutex::Guard guard(m_lock);
    if (m_nameLockFd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_client) {
        ::shutdown(m_client->fd, SHUT_RDWR);
        m_client.reset();
    }
    return m_listener || !m_pending.empty() ? true : ListenLocked();
}

bool NamedPipeServer::IsConnected() {
    return TakeClient() != nullptr;
}

int NamedPipeServer::PollWithCancel(int fd, short events, int timeoutMs) const {
    pollfd p[2] = {{fd, events, 0}, {m_cancelFd, POLLIN, 0}};
    const int rc = PollUntil(p, 2, IoDeadline::FromTimeout(timeoutMs));
    if (rc < 0) {
        SetLastErrorFromErrno();
        return -1;
    }
    if (p[1].revents != 0) {
        SetLastError(ERROR_OPERATION_ABORTED);
        return -1;
    }
    return rc == 0 ? 0 : p[0].revents;
}

bool NamedPipeServer::Connect(int timeoutMs) {
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    for (;;) {
        std::shared_ptr<detail::PipeFd> listener;
        {
            Mutex::Guard guard(m_lock);
            if (TakeClientLocked()) return true;
            if (GetLastError() != ERROR_PIPE_LISTENING) return false;
            listener = m_listener;
        }
        if (deadline.Passed()) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        if (PollWithCancel(listener->fd, POLLIN, deadline.PollTimeout()) < 0) return false;
    }
}

bool NamedPipeServer::Write(std::span<const std::uint8_t> message, DWORD& written, int timeoutMs) {
    written = 0;
    auto client = TakeClient();
    if (!client) return false;
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    for (;;) {
        const ssize_t n =
            ::send(client->fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) {
            written = static_cast<DWORD>(n);
            return true;
        }
        const int err = errno;
        if (err == EINTR) continue;
        if (err == EAGAIN || err == EWOULDBLOCK) {
            if (deadline.Passed()) {
                SetLastError(ERROR_TIMEOUT);
                return false;
            }
            if (PollWithCancel(client->fd, POLLOUT, deadline.PollTimeout()) < 0) return false;
            continue;
        }
        if (err == EPIPE || err == ECONNRESET || err == ENOTCONN) {
            // The client went: the message goes to the next one that waits, if any.
            DropClient(client);
            if (auto next = TakeClient()) {
                client = std::move(next);
                continue;
            }
            SetLastError(ERROR_NO_DATA);
        } else if (err == EMSGSIZE) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
        } else {
            SetLastError(FromErrno(err));
        }
        return false;
    }
}

bool NamedPipeServer::Flush(int timeoutMs) {
    std::shared_ptr<detail::PipeFd> client;
    {
        Mutex::Guard guard(m_lock);
        client = m_client;
    }
    if (!client) {
        SetLastError(ERROR_PIPE_LISTENING);
        return false;
    }
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    for (;;) {
        int unread = 0;
        if (::ioctl(client->fd, SIOCOUTQ, &unread) != 0) {
            SetLastErrorFromErrno();
            return false;
        }
        if (unread == 0) return true;
        if (deadline.Passed()) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        // Nothing announces a read by the client: look again every millisecond.
        if (PollWithCancel(-1, 0, deadline.Infinite() ? 1 : std::min(deadline.PollTimeout(), 1)) <
            0)
            return false;
    }
}

bool NamedPipeServer::Peek(std::span<std::uint8_t> out, DWORD& read) {
    read = 0;
    const auto client = TakeClient();
    if (!client) return false;
    std::uint8_t none = 0;
    for (;;) {
        const ssize_t n = ::recv(client->fd, out.empty() ? &none : out.data(),
                                 out.empty() ? 1 : out.size(), MSG_PEEK | MSG_DONTWAIT);
        if (n > 0) {
            read =
                static_cast<DWORD>(std::min<std::size_t>(static_cast<std::size_t>(n), out.size()));
            return true;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) return true;
            SetLastErrorFromErrno();
            return false;
        }
        if (HungUp(client->fd)) {
            DropClient(client);
            SetLastError(ERROR_BROKEN_PIPE);
            return false;
        }
        // An empty message: nothing to look at; take it so that it does not hide the next.
        (void)::recv(client->fd, &none, 0, MSG_DONTWAIT);
        return true;
    }
}

bool NamedPipeServer::Read(std::span<std::uint8_t> out, DWORD& read, int timeoutMs) {
    read = 0;
    const auto client = TakeClient();
    if (!client) return false;
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    std::uint8_t none = 0;
    for (;;) {
        const ssize_t n = ::recv(client->fd, out.empty() ? &none : out.data(), out.size(),
                                 MSG_DONTWAIT | MSG_TRUNC);
        if (n > 0) {
            const auto size = static_cast<std::size_t>(n);
            read = static_cast<DWORD>(std::min(size, out.size()));
            if (size > out.size()) {
                SetLastError(ERROR_MORE_DATA);
                return false;
            }
            return true;
        }
        if (n == 0) {
            if (HungUp(client->fd)) {
                DropClient(client);
                SetLastError(ERROR_BROKEN_PIPE);
                return false;
            }
            return true;  // an empty message
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            SetLastErrorFromErrno();
            return false;
        }
        if (deadline.Passed()) {
            SetLastError(ERROR_TIMEOUT);
            return false;
        }
        if (PollWithCancel(client->fd, POLLIN, deadline.PollTimeout()) < 0) return false;
    }
}

bool NamedPipeServer::WaitForInput(int timeoutMs) {
    std::shared_ptr<detail::PipeFd> target;
    {
        Mutex::Guard guard(m_lock);
        if (m_nameLockFd >= 0) {
            (void)TakeClientLocked();
            target = m_client ? m_client : m_listener;
        }
    }
    if (!target) {
        // No pipe to watch: wait out the time all the same, so that callers never spin.
        if (PollWithCancel(-1, 0, timeoutMs) == 0) SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const int events = PollWithCancel(target->fd, POLLIN, timeoutMs);
    if (events == 0) SetLastError(ERROR_TIMEOUT);
    return events > 0;
}

void NamedPipeServer::Cancel() {
    const std::uint64_t one = 1;
    if (m_cancelFd >= 0) (void)!::write(m_cancelFd, &one, sizeof(one));
}

void NamedPipeServer::CloseLocked() {
    if (m_client) {
        ::shutdown(m_client->fd, SHUT_RDWR);
        m_client.reset();
    }
    m_pending.clear();
    m_listener.reset();
    if (m_nameLockFd >= 0) {
        ::unlink(m_path.c_str());
        std::filesystem::path lockPath = m_path;
        lockPath += ".lock";
        ::unlink(lockPath.c_str());  // while still held: see LockName
        ::close(m_nameLockFd);       // lets go of the name
        m_nameLockFd = -1;
    }
}

void NamedPipeServer::Close() {
    Mutex::Guard guard(m_lock);
    CloseLocked();
}

// --- Client --------------------------------------------------------------------------

NamedPipeClient::~NamedPipeClient() {
    Close();
}

void NamedPipeClient::Close() noexcept {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool NamedPipeClient::Open(std::string_view pipeName, int timeoutMs) {
    Close();
    const std::filesystem::path path = MapPath(pipeName);
    if (path.empty()) return false;
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeUnixAddress(path, addr, length)) return false;
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    for (;;) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        if (fd < 0) {
            SetLastErrorFromErrno();
            return false;
        }
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0) {
            m_fd = fd;
            return true;
        }
        const int err = errno;
        ::close(fd);
        if (err == ENOENT)
            SetLastError(ERROR_FILE_NOT_FOUND);
        else if (err == ECONNREFUSED || err == EAGAIN)
            SetLastError(ERROR_PIPE_BUSY);
        else {
            SetLastError(FromErrno(err));
            return false;
        }
        if (deadline.Passed()) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

bool NamedPipeClient::Write(std::span<const std::uint8_t> message, int timeoutMs) {
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    for (;;) {
        const ssize_t n = ::send(m_fd, message.data(), message.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return true;
        const int err = errno;
        if (err == EINTR) continue;
        if (err != EAGAIN && err != EWOULDBLOCK) {
            SetLastError(err == EPIPE || err == ECONNRESET ? ERROR_NO_DATA : FromErrno(err));
            return false;
        }
        const int events = deadline.Passed() ? 0 : PollOne(m_fd, POLLOUT, deadline);
        if (events <= 0) {
            // A failed poll keeps its own error; only a wait that ran out is a time-out.
            if (events == 0) SetLastError(ERROR_TIMEOUT);
            return false;
        }
    }
}

bool NamedPipeClient::ReadMessage(std::vector<std::uint8_t>& out, int timeoutMs,
                                  std::size_t maxSize) {
    out.clear();
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const int events = PollOne(m_fd, POLLIN, IoDeadline::FromTimeout(timeoutMs));
    if (events <= 0) {
        if (events == 0) SetLastError(ERROR_TIMEOUT);
        return false;
    }
    std::uint8_t none = 0;
    ssize_t size;
    do {
        size = ::recv(m_fd, &none, 0, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
    } while (size < 0 && errno == EINTR);
    if (size < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    if (size == 0) {
        if (HungUp(m_fd)) {
            SetLastError(ERROR_BROKEN_PIPE);
            return false;
        }
        (void)::recv(m_fd, &none, 0, MSG_DONTWAIT);
        return true;
    }
    if (static_cast<std::size_t>(size) > maxSize) {
        (void)::recv(m_fd, &none, 0, MSG_DONTWAIT);  // drops the message
        SetLastError(ERROR_MORE_DATA);
        return false;
    }
    out.resize(static_cast<std::size_t>(size));
    const ssize_t n = ::recv(m_fd, out.data(), out.size(), MSG_DONTWAIT);
    if (n != size) {
        out.clear();
        SetLastErrorFromErrno();
        return false;
    }
    return true;
}

}  // namespace platform
