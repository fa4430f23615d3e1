#include "platform/WindowEndpoint.h"

#include <sys/epoll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <deque>
#include <system_error>
#include <utility>
#include <vector>

#include "UnixAddress.h"
#include "platform/FileOps.h"
#include "platform/MachineRoot.h"

namespace platform {

struct WindowEndpoint::Peer {
    explicit Peer(int f) noexcept : fd(f) {}
    ~Peer() { ::close(fd); }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;
    const int fd;  // connected to the peer: writable when the peer can take a letter
    std::deque<std::vector<std::uint8_t>> letters;
};

namespace {

constexpr mode_t kEndpointMode = 0660;
// Attempts at a free handle, and datagrams looked at per Receive.
constexpr int kBindAttempts = 16;
constexpr int kReadsPerReceive = 64;
// The most endpoints a broadcast looks at.
constexpr std::size_t kMaxBroadcast = 4096;
constexpr unsigned kCounterBits = 20;

std::atomic<std::uint32_t> g_counter{0};

WindowHandle NextHandle() noexcept {
    std::uint32_t n = 0;
    do {
        n = (g_counter.fetch_add(1) + 1) & ((1u << kCounterBits) - 1);
    } while (n == 0);
    return (static_cast<WindowHandle>(::getpid()) << kCounterBits) | n;
}

std::filesystem::path PathOf(WindowHandle handle) {
    return WindowEndpoint::Folder() / std::to_string(handle);
}

std::filesystem::path ClassPathOf(std::string_view className) {
    return WindowEndpoint::Folder() / "class" / std::string(className);
}

// A handle written as a file name; 0 when the name is none.
WindowHandle ParseHandle(std::string_view name) noexcept {
    WindowHandle h = 0;
    if (name.empty() || name.size() > 20) return 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), h);
    if (ec != std::errc() || end != name.data() + name.size()) return 0;
    return h;
}

bool ValidClassName(std::string_view name) noexcept {
    if (name.empty() || name.size() > WindowEndpoint::kMaxClassNameLength || name[0] == '.')
        return false;
    for (const char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
        if (!ok) return false;
    }
    return true;
}

int NewSocket() noexcept {
    return ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// A socket connected to the endpoint at path, or -1 with errno set.
int ConnectTo(const std::filesystem::path& path) {
    sockaddr_un addr{};
    socklen_t length = 0;
    if (!MakeUnixAddress(path, addr, length)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    const int fd = NewSocket();
    if (fd < 0) return -1;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), length) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

bool Gone(int err) noexcept {
    return err == ECONNREFUSED || err == ENOENT || err == ENOTCONN || err == ECONNRESET ||
           err == EPIPE || err == ENOTSOCK;
}

// Whether a process still reads the endpoint at path.
bool Alive(const std::filesystem::path& path) {
    const int fd = ConnectTo(path);
    if (fd < 0) return !Gone(errno);
    ::close(fd);
    return true;
}

}  // namespace

WindowEndpoint::WindowEndpoint() = default;

WindowEndpoint::~WindowEndpoint() {
    Close();
}

std::filesystem::path WindowEndpoint::Folder() {
    return RunDir() / "windows";
}

WindowHandle WindowEndpoint::FindWindow(std::string_view className) {
    if (!ValidClassName(className)) return 0;
    std::error_code ec;
    const std::filesystem::path target = std::filesystem::read_symlink(ClassPathOf(className), ec);
    if (ec) return 0;
    const WindowHandle handle = ParseHandle(target.filename().string());
    return handle != 0 && Alive(PathOf(handle)) ? handle : 0;
}

bool WindowEndpoint::Bind(std::string_view className) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_fd >= 0) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (!className.empty() && !ValidClassName(className)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (!CreateDirectories(Folder() / "class")) return false;
    const int fd = NewSocket();
    if (fd < 0) {
        SetLastErrorFromErrno();
        return false;
    }
    WindowHandle handle = NextHandle();
    bool bound = false;
    for (int attempt = 0; attempt < kBindAttempts && !bound; ++attempt) {
        sockaddr_un addr{};
        socklen_t length = 0;
        const std::filesystem::path path = PathOf(handle);
        if (!MakeUnixAddress(path, addr, length)) break;
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), length) == 0) {
            bound = ::chmod(path.c_str(), kEndpointMode) == 0;
            if (!bound) ::unlink(path.c_str());
            break;
        }
        if (errno != EADDRINUSE) break;
        // Left by a process that ended without closing: taken over; else another handle.
        if (!Alive(path))
            ::unlink(path.c_str());
        else
            handle = NextHandle();
    }
    if (!bound) {
        if (GetLastError() != ERROR_INVALID_NAME) SetLastErrorFromErrno();
        ::close(fd);
        return false;
    }
    const int epoll = ::epoll_create1(EPOLL_CLOEXEC);
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = 0;
    if (epoll < 0 || ::epoll_ctl(epoll, EPOLL_CTL_ADD, fd, &ev) != 0) {
        SetLastErrorFromErrno();
        if (epoll >= 0) ::close(epoll);
        ::close(fd);
        ::unlink(PathOf(handle).c_str());
        return false;
    }
    if (!className.empty()) {
        // Made beside the name, then moved over it: the name never points nowhere.
        const std::filesystem::path alias = ClassPathOf(className);
        std::filesystem::path temp = alias;
        temp.replace_filename("." + std::string(className) + "." + std::to_string(handle));
        std::error_code ec;
        std::filesystem::create_symlink(std::filesystem::path("..") / std::to_string(handle), temp,
                                        ec);
        if (!ec) std::filesystem::rename(temp, alias, ec);
        if (ec) {
            std::filesystem::remove(temp, ec);
            SetLastError(FromErrno(ec.value()));
            ::close(epoll);
            ::close(fd);
            ::unlink(PathOf(handle).c_str());
            return false;
        }
    }
    m_fd = fd;
    m_epoll = epoll;
    m_handle = handle;
    m_className = std::string(className);
    m_lost = 0;
    return true;
}

void WindowEndpoint::Close() noexcept {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_fd < 0) return;
    m_peers.clear();
    ::close(m_epoll);
    ::close(m_fd);
    m_epoll = -1;
    m_fd = -1;
    std::error_code ec;
    if (!m_className.empty()) {
        const std::filesystem::path alias = ClassPathOf(m_className);
        if (std::filesystem::read_symlink(alias, ec).filename() == std::to_string(m_handle))
            std::filesystem::remove(alias, ec);
    }
    std::filesystem::remove(PathOf(m_handle), ec);
    m_handle = 0;
    m_className.clear();
}

bool WindowEndpoint::IsBound() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_fd >= 0;
}

WindowHandle WindowEndpoint::Handle() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_handle;
}

int WindowEndpoint::Descriptor() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_epoll;
}

bool WindowEndpoint::Receive(WindowFrame& out) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    FlushLocked();
    std::array<std::uint8_t, WindowFrame::kMaxSize + 1> buffer{};
    for (int i = 0; i < kReadsPerReceive; ++i) {
        const ssize_t n = ::recv(m_fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                SetLastError(ERROR_NO_DATA);
            else
                SetLastErrorFromErrno();
            return false;
        }
        const auto size = static_cast<std::size_t>(n);
        if (size <= WindowFrame::kMaxSize && WindowFrame::Decode({buffer.data(), size}, out))
            return true;
    }
    SetLastError(ERROR_NO_DATA);
    return false;
}

bool WindowEndpoint::Send(WindowHandle target, WindowFrame frame) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_fd < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (target == 0) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    frame.sender = m_handle;
    std::vector<std::uint8_t> bytes;
    if (!frame.Encode(bytes)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return SendLocked(target, std::move(bytes));
}

bool WindowEndpoint::SendLocked(WindowHandle target, std::vector<std::uint8_t> bytes) {
    if (const auto it = m_peers.find(target); it != m_peers.end()) {
        Peer& peer = *it->second;
        if (peer.letters.size() >= kQueueLimit) {
            ++m_lost;
            SetLastError(ERROR_BUSY);
            return false;
        }
        peer.letters.push_back(std::move(bytes));
        const bool alive = FlushPeerLocked(peer);
        if (!alive || peer.letters.empty()) ErasePeerLocked(target);
        if (alive) return true;
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    sockaddr_un addr{};
    socklen_t length = 0;
    const std::filesystem::path path = PathOf(target);
    if (!MakeUnixAddress(path, addr, length)) return false;
    const ssize_t n = ::sendto(m_fd, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                               reinterpret_cast<const sockaddr*>(&addr), length);
    if (n >= 0) return true;
    if (Gone(errno)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (errno != EAGAIN && errno != EWOULDBLOCK) {
        SetLastErrorFromErrno();
        return false;
    }
    // The peer reads no more for now: its letters wait, in order, until it can take them.
    const int fd = ConnectTo(path);
    if (fd < 0) {
        if (Gone(errno))
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        else
            SetLastErrorFromErrno();
        return false;
    }
    auto peer = std::make_unique<Peer>(fd);
    epoll_event ev{};
    ev.events = EPOLLOUT;
    ev.data.u64 = target;
    if (::epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &ev) != 0) {
        SetLastErrorFromErrno();
        return false;
    }
    peer->letters.push_back(std::move(bytes));
    m_peers.emplace(target, std::move(peer));
    return true;
}

bool WindowEndpoint::FlushPeerLocked(Peer& peer) {
    while (!peer.letters.empty()) {
        const auto& letter = peer.letters.front();
        if (::send(peer.fd, letter.data(), letter.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0)
            peer.letters.pop_front();
        else if (errno != EINTR)
            return errno == EAGAIN || errno == EWOULDBLOCK;
    }
    return true;
}

void WindowEndpoint::ErasePeerLocked(WindowHandle target) {
    const auto it = m_peers.find(target);
    if (it == m_peers.end()) return;
    ::epoll_ctl(m_epoll, EPOLL_CTL_DEL, it->second->fd, nullptr);
    m_peers.erase(it);
}

void WindowEndpoint::FlushLocked() {
    for (auto it = m_peers.begin(); it != m_peers.end();) {
        Peer& peer = *it->second;
        const WindowHandle target = it->first;
        ++it;
        if (!FlushPeerLocked(peer) || peer.letters.empty()) ErasePeerLocked(target);
    }
}

std::size_t WindowEndpoint::Broadcast(const WindowFrame& frame) {
    std::vector<WindowHandle> targets;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(Folder(), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (targets.size() >= kMaxBroadcast) break;
        const WindowHandle h = ParseHandle(it->path().filename().string());
        if (h != 0 && it->is_socket(ec)) targets.push_back(h);
    }
    std::size_t reached = 0;
    const WindowHandle self = Handle();
    for (const WindowHandle h : targets)
        if (h != self && Send(h, frame)) ++reached;
    return reached;
}

std::size_t WindowEndpoint::Waiting(WindowHandle target) const {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_peers.find(target);
    return it == m_peers.end() ? 0 : it->second->letters.size();
}

std::size_t WindowEndpoint::Lost() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lost;
}

}  // namespace platform
