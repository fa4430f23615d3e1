// Makes a FakeClock the process's current clock for the lifetime of the scope, and gives the
// means to wait, in bounded real time, for what the test needs before it moves the clock.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/Clock.h"

namespace support {

// Polls cond (every millisecond of real time) until it holds or limit has passed; returns
// its last value. For conditions that no event announces, such as a thread having begun
// a wait.
bool Eventually(const std::function<bool()>& cond,
                std::chrono::milliseconds limit = std::chrono::seconds(10));

class FakeClockScope {
public:
    explicit FakeClockScope(std::uint64_t nowMs = 0,
                            std::int64_t wallMs = platform::FakeClock::kDefaultWallMs);
    ~FakeClockScope();
    FakeClockScope(const FakeClockScope&) = delete;
    FakeClockScope& operator=(const FakeClockScope&) = delete;

    platform::FakeClock& Clock() { return clock_; }
    void Advance(std::uint64_t ms) { clock_.Advance(ms); }

    // True once at least n threads block in a timed wait or Sleep on the clock (so their
    // deadlines are set and a move of the clock is measured from them).
    [[nodiscard]] bool WaitForTimedWaiters(
        std::size_t n, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

    // True once a timed wait has begun after the `seen`-th one (of all that began in the
    // process); `seen` then counts them all.
    [[nodiscard]] bool WaitForNewTimedWait(
        std::uint64_t& seen, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

private:
    platform::FakeClock clock_;
};

}  // namespace support
