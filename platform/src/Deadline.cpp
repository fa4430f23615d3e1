#include "Deadline.h"

#include <cerrno>

namespace platform {

IoDeadline IoDeadline::After(std::uint64_t ms) {
    if (ms >= (std::uint64_t{1} << 40)) return Never();
    IoDeadline d;
    d.m_infinite = false;
    d.m_at = Clock::now() + std::chrono::milliseconds(static_cast<std::int64_t>(ms));
    return d;
}

int IoDeadline::PollTimeout() const {
    if (m_infinite) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(m_at - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(left);
}

IoDeadline IoDeadline::EarlierOf(const IoDeadline& other) const {
    if (m_infinite) return other;
    if (other.m_infinite) return *this;
    return other.m_at < m_at ? other : *this;
}

int PollUntil(pollfd* fds, nfds_t count, const IoDeadline& deadline) {
    for (;;) {
        const int n = ::poll(fds, count, deadline.PollTimeout());
        if (n >= 0 || errno != EINTR) return n;
    }
}

}  // namespace platform
