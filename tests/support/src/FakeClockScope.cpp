#include "support/FakeClockScope.h"

#include <thread>

namespace support {

bool Eventually(const std::function<bool()>& cond, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!cond()) {
        if (std::chrono::steady_clock::now() >= end) return cond();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

FakeClockScope::FakeClockScope(std::uint64_t nowMs, std::int64_t wallMs) : clock_(nowMs, wallMs) {
    platform::SetClock(&clock_);
}

FakeClockScope::~FakeClockScope() {
    platform::ResetClock();
}

bool FakeClockScope::WaitForTimedWaiters(std::size_t n, std::chrono::milliseconds limit) const {
    return Eventually([n] { return platform::FakeClock::TimedWaiters() >= n; }, limit);
}

bool FakeClockScope::WaitForNewTimedWait(std::uint64_t& seen,
                                         std::chrono::milliseconds limit) const {
    std::uint64_t begun = seen;
    const bool found = Eventually(
        [&] {
            begun = platform::FakeClock::TimedWaitsBegun();
            return begun > seen;
        },
        limit);
    seen = begun;
    return found;
}

}  // namespace support
