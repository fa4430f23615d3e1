#include "platform/NetworkEvents.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "Deadline.h"
#include "SocketEventState.h"
#include "platform/WinsockError.h"

namespace platform {

namespace {

int BitIndex(long eventBit) {
    for (int i = 0; i < FD_MAX_EVENTS; ++i) {
        if (eventBit == (1L << i)) return i;
    }
    return -1;
}

}  // namespace

int NetworkEventRecord::ErrorOf(long eventBit) const {
    const int index = BitIndex(eventBit);
    return index < 0 ? 0 : errors[index];
}

void NetworkEventRecord::Add(long eventBit, int error) {
    const int index = BitIndex(eventBit);
    if (index < 0) return;
    events |= eventBit;
    errors[index] = error;
}

struct NetworkEvents::Impl {
    explicit Impl(SocketObserver& self) : observer(self) {}

    SocketObserver& observer;  // the NetworkEvents object, as its socket sees it
    std::mutex mutex;
    int wakeFd = -1;
    Socket* socket = nullptr;  // the selected socket, under mutex
    int fd = -1;
    // Bumped by every change of selection, so that a poll answer for an earlier one is
    // not taken for the current one.
    std::uint64_t generation = 0;
    SocketEventState state;
    NetworkEventRecord recorded;
    bool signaled = false;

    void Wake() const {
        const std::uint64_t one = 1;
        // A full counter already wakes the waiter, so a failed write loses nothing.
        [[maybe_unused]] const ssize_t rc = ::write(wakeFd, &one, sizeof one);
    }
    void DrainWake() const {
        std::uint64_t count;
        [[maybe_unused]] const ssize_t rc = ::read(wakeFd, &count, sizeof count);
    }
    // Ends the selection of the current socket (mutex held).
    void Detach() {
        if (socket != nullptr && socket->Observer() == &observer) socket->SetObserver(nullptr);
        socket = nullptr;
        fd = -1;
        state.Clear();
        recorded = NetworkEventRecord{};
        ++generation;
    }
};

NetworkEvents::NetworkEvents()
    : m_impl(std::make_unique<Impl>(static_cast<SocketObserver&>(*this))) {
    m_impl->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

NetworkEvents::~NetworkEvents() {
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->Detach();
    }
    if (m_impl->wakeFd >= 0) ::close(m_impl->wakeFd);
}

bool NetworkEvents::Select(Socket& socket, long events) {
    if (m_impl->wakeFd < 0) {
        WSASetLastError(WSAENOBUFS);
        return false;
    }
    if (!socket.IsOpen()) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    if (!socket.SetNonBlocking(true)) return false;
    // A socket reports to one selection at a time: an earlier one elsewhere ends here.
    SocketObserver* earlier = socket.Observer();
    if (earlier != nullptr && earlier != this) earlier->OnSocketActivity(SocketActivity::Closing);
    std::lock_guard lock(m_impl->mutex);
    m_impl->Detach();
    if (events != 0) {
        m_impl->socket = &socket;
        m_impl->fd = socket.Fd();
        m_impl->state.Select(socket.Fd(), events & FD_ALL_EVENTS);
        socket.SetObserver(this);
    }
    m_impl->Wake();
    return true;
}

void NetworkEvents::OnSocketActivity(SocketActivity activity) {
    std::lock_guard lock(m_impl->mutex);
    if (activity == SocketActivity::Closing) {
        m_impl->Detach();
    } else {
        m_impl->state.OnActivity(activity);
    }
    m_impl->Wake();
}

void NetworkEvents::Signal() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->signaled = true;
    m_impl->Wake();
}

void NetworkEvents::Reset() {
    std::lock_guard lock(m_impl->mutex);
    m_impl->signaled = false;
}

NetworkEvents::WaitResult NetworkEvents::Wait(int timeoutMs) {
    const IoDeadline deadline = IoDeadline::FromTimeout(timeoutMs);
    std::unique_lock lock(m_impl->mutex);
    if (m_impl->wakeFd < 0) {
        WSASetLastError(WSAENOBUFS);
        return WaitResult::Failed;
    }
    // Each pass polls once; passes end on a signal, a recorded event or the deadline.
    for (;;) {
        if (m_impl->signaled || m_impl->recorded.events != 0) return WaitResult::Signaled;
        const int wait = deadline.PollTimeout();
        pollfd entries[2] = {{m_impl->wakeFd, POLLIN, 0}, {-1, 0, 0}};
        const short interest = m_impl->fd >= 0 ? m_impl->state.Interest() : 0;
        if (interest != 0) entries[1] = {m_impl->fd, interest, 0};
        const std::uint64_t generation = m_impl->generation;
        const int fd = m_impl->fd;
        lock.unlock();
        const int rc = ::poll(entries, 2, wait);
        const int pollErr = errno;
        lock.lock();
        if (rc < 0 && pollErr != EINTR) {
            WSASetLastError(WinsockErrorFromErrno(pollErr));
            return WaitResult::Failed;
        }
        if (entries[0].revents != 0) m_impl->DrainWake();
        if (rc > 0 && entries[1].revents != 0 && generation == m_impl->generation) {
            m_impl->state.Process(fd, entries[1].revents, m_impl->recorded);
        }
        if (m_impl->signaled || m_impl->recorded.events != 0) return WaitResult::Signaled;
        if (deadline.Passed()) return WaitResult::Timeout;
    }
}

bool NetworkEvents::Enumerate(NetworkEventRecord& out) {
    std::lock_guard lock(m_impl->mutex);
    out = NetworkEventRecord{};
    if (m_impl->socket == nullptr) {
        WSASetLastError(WSAENOTSOCK);
        return false;
    }
    out = m_impl->recorded;
    m_impl->recorded = NetworkEventRecord{};
    m_impl->signaled = false;
    return true;
}

}  // namespace platform
