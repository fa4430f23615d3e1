// The driver's millisecond clocks: the tick of the keep-alive and idle timers, and CPerfClock,
// the end-to-end timing clock that counts from 0 and starts again at 0 after 4,000,000 ms.
// Both read the platform's current clock, so tests move them with a fake one.
#pragma once

#include <cstdint>
#include <mutex>

namespace quildrv {

// Milliseconds, 32 bits, wrapping.
std::uint32_t GetTickCount() noexcept;

class CPerfClock {
public:
    static constexpr std::uint64_t kRestartAfterMs = 4000000;

    // Milliseconds since the base; the base moves up when more than 4,000,000 ms have passed.
    std::uint32_t Get();

    static CPerfClock& Instance();

private:
    std::mutex m_mutex;
    bool m_initialised = false;
    std::uint64_t m_base = 0;
};

}  // namespace quildrv
