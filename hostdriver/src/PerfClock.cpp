#include "hostdriver/PerfClock.h"

#include "platform/Clock.h"

namespace quildrv {

std::uint32_t GetTickCount() noexcept {
    return platform::CurrentClock().TickCount();
}

std::uint32_t CPerfClock::Get() {
    const std::uint64_t ms = platform::CurrentClock().NowMs();
    std::lock_guard lock(m_mutex);
    if (!m_initialised) {
        m_initialised = true;
        m_base = ms;
    }
    // A clock that went back (another clock made current) starts the count again.
    if (ms < m_base || ms - m_base > kRestartAfterMs) m_base = ms;
    return static_cast<std::uint32_t>(ms - m_base);
}

CPerfClock& CPerfClock::Instance() {
    static CPerfClock clock;
    return clock;
}

}  // namespace quildrv
