// The clock behind every tick, time-out, Sleep and timer of the platform layer.
//
// One clock is current for the whole process: the real one, unless a test injects another
// with SetClock. A FakeClock moves only when the test advances it; every wait with a time-out,
// every Sleep and every EventLoop timer that runs on it then ends as soon as the test moves
// the clock past its deadline, without any real waiting.
//
// Set the clock before the threads that use it start waiting, and reset it after they have
// ended: a wait measures its deadline on the clock that was current when it began.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "platform/Time.h"

namespace platform {

class IClock {
public:
    virtual ~IClock() = default;

    // Monotonic milliseconds since an arbitrary start.
    [[nodiscard]] virtual std::uint64_t NowMs() const = 0;
    // Wall-clock milliseconds since 1970-01-01 00:00:00 UTC.
    [[nodiscard]] virtual std::int64_t WallMs() const = 0;
    // True for a clock that moves only when told to (its waiters are woken by the layer when
    // it moves, never by the passing of real time).
    [[nodiscard]] virtual bool IsManual() const = 0;

    // The 32-bit tick: NowMs truncated.
    [[nodiscard]] DWORD TickCount() const { return static_cast<DWORD>(NowMs()); }
    // WallMs broken into local time.
    [[nodiscard]] SystemTime LocalTime() const;
};

// The machine's own clocks (steady clock, system clock).
class RealClock final : public IClock {
public:
    [[nodiscard]] std::uint64_t NowMs() const override;
    [[nodiscard]] std::int64_t WallMs() const override;
    [[nodiscard]] bool IsManual() const override { return false; }
};

// A clock that moves only when Advance is called. Both its monotonic and its wall-clock time
// move together.
class FakeClock final : public IClock {
public:
    // 2026-01-05 08:00:00 UTC, a Monday.
    static constexpr std::int64_t kDefaultWallMs = 1767600000000;

    explicit FakeClock(std::uint64_t nowMs = 0, std::int64_t wallMs = kDefaultWallMs)
        : now_(nowMs), wall_(wallMs) {}

    [[nodiscard]] std::uint64_t NowMs() const override { return now_.load(); }
    [[nodiscard]] std::int64_t WallMs() const override { return wall_.load(); }
    [[nodiscard]] bool IsManual() const override { return true; }

    // Moves the clock on and wakes every wait, Sleep and event loop whose deadline it passes.
    void Advance(std::uint64_t ms);

    // How many threads are now blocked in a wait with a time-out or a Sleep on a manual clock:
    // a test waits for it before it advances, so that their deadlines are already set.
    [[nodiscard]] static std::size_t TimedWaiters();
    // How many such waits have begun since the process started: a test that moves the clock
    // for each new wait compares it with what it saw before, since the count of waiters alone
    // cannot tell a new wait from an old one that has not yet run.
    [[nodiscard]] static std::uint64_t TimedWaitsBegun();

private:
    std::atomic<std::uint64_t> now_;
    std::atomic<std::int64_t> wall_;
};

// The current clock (the real one unless a test set another).
IClock& CurrentClock() noexcept;
// Makes `clock` current; it must outlive its use. nullptr stands for the real clock.
void SetClock(IClock* clock) noexcept;
// Makes the real clock current again.
void ResetClock() noexcept;

}  // namespace platform
